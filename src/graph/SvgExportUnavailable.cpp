#include "graph/SvgExport.h"

// The build without Qt's SVG module.
namespace SvgExport
{

bool available()
{
    return false;
}

bool write(const QString&, QSize, const QString&, const std::function<bool(QPaintDevice&)>&)
{
    return false;
}

} // namespace SvgExport
