#include "graph/SvgFigure.h"

// The build without Qt's SVG module.
bool svgFigureAvailable()
{
    return false;
}

bool writeSvgFigure(QCustomPlot&, const QString&, QSize, const QString&)
{
    return false;
}

QByteArray svgFigure(QCustomPlot&, QSize, const QString&)
{
    return {};
}
