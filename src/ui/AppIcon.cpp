#include "ui/AppIcon.h"

#include <QPixmap>

// The XPM sources are C arrays; the same files are turned into PNG for the
// desktop's icon theme at build time.
#include "quellmark-16.xpm"
#include "quellmark-32.xpm"

QIcon appIcon()
{
    QIcon icon;
    icon.addPixmap(QPixmap(quellmark_32_xpm));
    icon.addPixmap(QPixmap(quellmark_16_xpm));
    return icon;
}
