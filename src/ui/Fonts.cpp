#include "ui/Fonts.h"

#include <QFontDatabase>
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

#ifdef Q_OS_WASM

// Qt for WebAssembly brings no Japanese font: the page puts a cut of Noto Sans
// Mono CJK JP here before the program starts.
void addBundled()
{
    QFontDatabase::addApplicationFont(u"/fonts/quellmark-jp.otf"_s);
}

#else

// The system's own fonts serve.
void addBundled() {}

#endif

} // namespace Fonts
