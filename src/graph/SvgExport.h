#pragma once

#include <QSize>
#include <QString>

#include <functional>

class QPaintDevice;

// Writing a figure as SVG. Qt's SVG module is not part of every build (the
// Windows one is made from Debian's sources, and QtSvg's may be missing), so
// the format is offered only where it can be written.
namespace SvgExport
{

bool available();

// Opens an SVG file of `size` for `paint` to draw on; false when it could not
// be written or when this build has no SVG.
bool write(const QString& path, QSize size, const QString& title,
           const std::function<bool(QPaintDevice&)>& paint);

} // namespace SvgExport
