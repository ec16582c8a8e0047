#include "ui/Fonts.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace Fonts
{

QFont gothic(qreal pointSize, bool bold)
{
    QFont font;
    // Windows lists the family under its Japanese or its English name,
    // depending on the system language.
    font.setFamilies({u"ＭＳ ゴシック"_s, u"MS Gothic"_s, u"Noto Sans Mono CJK JP"_s,
                      u"IPAGothic"_s, u"VL Gothic"_s, u"TakaoGothic"_s});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont proportionalGothic(qreal pointSize)
{
    QFont font;
    font.setFamilies({u"ＭＳ Ｐゴシック"_s, u"MS PGothic"_s, u"Noto Sans CJK JP"_s, u"IPAPGothic"_s,
                      u"VL PGothic"_s, u"TakaoPGothic"_s});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace Fonts
