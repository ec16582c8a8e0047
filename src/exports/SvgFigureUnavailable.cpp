#include "exports/SvgFigure.h"

// The build without Qt's SVG module.
bool svgFigureAvailable()
{
    return false;
}

QByteArray svgFigure(QCustomPlot&, QSize, const QString&)
{
    return {};
}
