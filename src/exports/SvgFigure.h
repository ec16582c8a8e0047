#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

class QCustomPlot;

// Qt's SVG module is not part of every build (the Windows one is made from
// Debian's sources, and QtSvg's may be missing), so the format is offered only
// where it can be written.
bool svgFigureAvailable();

// The figure as SVG that a browser and a drawing program show as the PNG
// looks: text as whole strings, sized as in the PNG and the PDF, in a font
// family named so that a browser finds it. Empty on failure.
QByteArray svgFigure(QCustomPlot& plot, QSize size, const QString& title);

// Qt's SVG writer puts each run of one script or one font of a string into a
// <text> of its own, each at its own x: "経過時間 (秒)" arrives as four. Joins
// each run to the <text> before it when they stand on one baseline, directly
// after each other with the same attributes, and adds a generic family after
// the named one. Exposed for the tests; only in builds with SVG.
QByteArray joinSvgTextRuns(const QByteArray& svg);
