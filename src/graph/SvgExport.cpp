#include "graph/SvgExport.h"

#include <QRect>
#include <QSvgGenerator>

namespace SvgExport
{

bool available()
{
    return true;
}

bool write(const QString& path, QSize size, const QString& title,
           const std::function<bool(QPaintDevice&)>& paint)
{
    QSvgGenerator svg;
    svg.setFileName(path);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title);
    return paint(svg);
}

} // namespace SvgExport
