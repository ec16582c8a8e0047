#include "graph/FigureFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QList>

QFont figureFont(const QFont& base)
{
    QFont font = base;
    const QString resolved = QFontInfo(base).family();
    if (QFontDatabase::writingSystems(resolved).contains(QFontDatabase::Japanese)) {
        font.setFamily(resolved);
        return font;
    }
    for (const QString& family :
         {QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP"),
          QStringLiteral("Source Han Sans JP"), QStringLiteral("IPAexGothic"),
          QStringLiteral("IPAGothic"), QStringLiteral("Yu Gothic UI"), QStringLiteral("Meiryo UI"),
          QStringLiteral("MS UI Gothic")}) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            return font;
        }
    }
    font.setFamily(resolved);
    return font;
}
