#include "graph/GraphPlot.h"

#include "graph/SvgExport.h"

#include <algorithm>
#include <cmath>

namespace
{

constexpr int FigureWidth = 1200;
constexpr int FigureHeight = 800;
constexpr int FitCurveSamples = 400;
// Beyond this many points a marker per point is a smear that costs most of a
// repaint (hundreds of ms at 100 000 noisy laps): the line alone shows them.
constexpr int MarkerLimit = 5000;

void markPointsWhileFew(QCPGraph* graph, double size)
{
    const bool few = graph->dataCount() <= MarkerLimit;
    if (few != (graph->scatterStyle().shape() != QCPScatterStyle::ssNone))
        graph->setScatterStyle(few ? QCPScatterStyle(QCPScatterStyle::ssDisc, size)
                                   : QCPScatterStyle(QCPScatterStyle::ssNone));
}

QCPGraph* addGraphTo(QCustomPlot* plot, QCPAxisRect* rect)
{
    return plot->addGraph(rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft));
}

QCPAxisRect* addRect(QCustomPlot* plot, int row, const QString& xLabel, const QString& yLabel)
{
    auto* rect = new QCPAxisRect(plot);
    plot->plotLayout()->addElement(row, 0, rect);
    rect->axis(QCPAxis::atBottom)->setLabel(xLabel);
    rect->axis(QCPAxis::atLeft)->setLabel(yLabel);
    return rect;
}

// A subject block as one line: its non-empty lines, the marker left out.
QString subjectText(const QStringList& lines)
{
    QStringList shown;
    for (const QString& line : lines.mid(0, 5)) {
        if (!line.trimmed().isEmpty())
            shown.append(line.trimmed());
    }
    return shown.join(QStringLiteral("  "));
}

} // namespace

GraphPlot::GraphPlot(QWidget* parent) : QCustomPlot(parent)
{
    setAccessibleName(QStringLiteral("グラフ"));
    plotLayout()->clear();
    m_title = new QCPTextElement(this, QString(), QFont(font().family(), 11, QFont::Bold));
    plotLayout()->addElement(0, 0, m_title);
    const QString elapsed = QStringLiteral("経過時間 (秒)");
    m_mainRect = addRect(this, 1, elapsed, QString());
    m_lapRect = addRect(this, 2, QStringLiteral("測定回"), QStringLiteral("ラップ (秒)"));
    m_residualRect = addRect(this, 3, elapsed, QStringLiteral("残差"));
    plotLayout()->setRowStretchFactor(0, 0.01);
    plotLayout()->setRowStretchFactor(1, 3);
    plotLayout()->setRowStretchFactor(2, 1.2);
    plotLayout()->setRowStretchFactor(3, 1.2);

    m_valid = addGraphTo(this, m_mainRect);
    m_valid->setPen(QPen(QColor(30, 90, 180), 1));
    m_valid->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    // NG readings: crossed circles, not joined to the curve.
    m_rejectedGraph = addGraphTo(this, m_mainRect);
    m_rejectedGraph->setLineStyle(QCPGraph::lsNone);
    m_rejectedGraph->setScatterStyle(QCPScatterStyle(
        QCPScatterStyle::ssCrossCircle, QPen(QColor(200, 30, 30), 1.5), Qt::NoBrush, 9));
    // The pending reading: a hollow square, since it is not in the file yet.
    m_pending = addGraphTo(this, m_mainRect);
    m_pending->setLineStyle(QCPGraph::lsNone);
    m_pending->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssSquare, QPen(QColor(230, 130, 0), 2), Qt::NoBrush, 10));
    m_fitCurve = addGraphTo(this, m_mainRect);
    m_fitCurve->setPen(QPen(QColor(0, 150, 60), 2));

    m_lapGraph = addGraphTo(this, m_lapRect);
    m_lapGraph->setPen(QPen(QColor(120, 60, 160), 1));
    m_lapGraph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    m_lapMean = new QCPItemStraightLine(this);
    m_lapMean->setClipAxisRect(m_lapRect);
    m_lapMean->point1->setAxes(m_lapRect->axis(QCPAxis::atBottom),
                               m_lapRect->axis(QCPAxis::atLeft));
    m_lapMean->point2->setAxes(m_lapRect->axis(QCPAxis::atBottom),
                               m_lapRect->axis(QCPAxis::atLeft));
    m_lapMean->setPen(QPen(QColor(120, 60, 160), 1, Qt::DashLine));
    m_lapMean->setVisible(false);

    m_residuals = addGraphTo(this, m_residualRect);
    m_residuals->setLineStyle(QCPGraph::lsImpulse);
    m_residuals->setPen(QPen(QColor(0, 150, 60), 1));
    m_residuals->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 3));

    m_rangeBox = new QCPItemRect(this);
    m_rangeBox->setClipAxisRect(m_mainRect);
    m_rangeBox->topLeft->setAxes(m_mainRect->axis(QCPAxis::atBottom),
                                 m_mainRect->axis(QCPAxis::atLeft));
    m_rangeBox->bottomRight->setAxes(m_mainRect->axis(QCPAxis::atBottom),
                                     m_mainRect->axis(QCPAxis::atLeft));
    m_rangeBox->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    m_rangeBox->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    m_rangeBox->topLeft->setAxisRect(m_mainRect);
    m_rangeBox->bottomRight->setAxisRect(m_mainRect);
    m_rangeBox->setPen(Qt::NoPen);
    m_rangeBox->setBrush(QColor(0, 150, 60, 30));
    m_rangeBox->setVisible(false);

    setSelectionRectMode(QCP::srmCustom);
    connect(selectionRect(), &QCPSelectionRect::accepted, this,
            [this](const QRect& rect, QMouseEvent*) {
                if (!rect.intersects(m_mainRect->rect()))
                    return;
                const QCPAxis* x = m_mainRect->axis(QCPAxis::atBottom);
                const double from = x->pixelToCoord(rect.left());
                const double to = x->pixelToCoord(rect.right());
                if (to > from)
                    emit rangeDragged(from, to);
            });
}

void GraphPlot::clearReadings()
{
    for (QCPGraph* graph :
         {m_valid, m_rejectedGraph, m_pending, m_fitCurve, m_lapGraph, m_residuals})
        graph->data()->clear();
    for (QCPAbstractItem* marker : std::as_const(m_markers))
        removeItem(marker);
    m_markers.clear();
    m_lapMean->setVisible(false);
    m_title->setText(QString());
    m_mainRect->axis(QCPAxis::atLeft)->setLabel(QString());
    m_lastElapsed = 0.0;
    m_readings = m_rejected = m_lapCount = 0;
    m_lapSum = 0.0;
}

void GraphPlot::appendRows(const QList<ReadRow>& rows, const QString& valueTitle,
                           const QStringList& subjectLines)
{
    QVector<QCPGraphData> valid;
    QVector<QCPGraphData> rejected;
    QVector<QCPGraphData> laps;
    // Sized once: the first batch of a long file is the whole file, and the
    // plot takes these vectors over without copying them.
    valid.reserve(rows.size());
    laps.reserve(rows.size());
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::ChangedSubject) {
            addMarker(m_lastElapsed, subjectText(row.texts));
            continue;
        }
        if (row.kind != RowKind::Data)
            continue;
        ++m_readings;
        m_lastElapsed = row.elapsed;
        if (row.rejected) {
            ++m_rejected;
            rejected.append(QCPGraphData(row.elapsed, row.target));
            continue;
        }
        if (!std::isfinite(row.elapsed) || !std::isfinite(row.target))
            continue;
        valid.append(QCPGraphData(row.elapsed, row.target));
        if (row.number > 0 && std::isfinite(row.lap)) {
            laps.append(QCPGraphData(row.number, row.lap));
            m_lapSum += row.lap;
            ++m_lapCount;
        }
    }
    // Rows come in file order, which is time order unless a file holds two
    // measurements or was edited by hand; the plot needs them sorted.
    const auto sorted = [](const QVector<QCPGraphData>& data) {
        return std::is_sorted(data.begin(), data.end(), qcpLessThanSortKey<QCPGraphData>);
    };
    m_valid->data()->add(valid, sorted(valid));
    m_rejectedGraph->data()->add(rejected, sorted(rejected));
    m_lapGraph->data()->add(laps, sorted(laps));
    m_title->setText(subjectText(subjectLines));
    m_mainRect->axis(QCPAxis::atLeft)->setLabel(valueTitle);
    updateLapMean();
}

void GraphPlot::setPendingReading(const std::optional<ReadRow>& pending)
{
    m_pending->data()->clear();
    if (pending && pending->kind == RowKind::Data && std::isfinite(pending->elapsed) &&
        std::isfinite(pending->target))
        m_pending->addData(pending->elapsed, pending->target);
}

GraphPlot::Points GraphPlot::validPoints() const
{
    Points points;
    const QCPGraphDataContainer& data = *m_valid->data();
    points.t.reserve(data.size());
    points.y.reserve(data.size());
    for (auto d = data.constBegin(); d != data.constEnd(); ++d) {
        if (m_range && (d->key < m_range->first || d->key > m_range->second))
            continue;
        points.t.push_back(d->key);
        points.y.push_back(d->value);
    }
    return points;
}

std::vector<double> GraphPlot::laps() const
{
    std::vector<double> laps;
    laps.reserve(m_lapGraph->data()->size());
    const QCPGraphDataContainer& data = *m_lapGraph->data();
    for (auto d = data.constBegin(); d != data.constEnd(); ++d)
        laps.push_back(d->value);
    return laps;
}

void GraphPlot::showFit(const analysis::FitResult* fit, const Points& points)
{
    m_fitCurve->data()->clear();
    m_residuals->data()->clear();
    if (!fit || !fit->ok())
        return;
    if (points.t.empty())
        return;
    const double from = points.t.front();
    const double to = points.t.back();
    QVector<QCPGraphData> curve(FitCurveSamples + 1);
    for (int i = 0; i <= FitCurveSamples; ++i) {
        const double t = from + (to - from) * i / FitCurveSamples;
        curve[i] = QCPGraphData(t, fit->valueAt(t));
    }
    m_fitCurve->data()->set(curve, true);
    QVector<QCPGraphData> residuals(int(points.t.size()));
    for (std::size_t i = 0; i < points.t.size(); ++i)
        residuals[int(i)] = QCPGraphData(points.t[i], points.y[i] - fit->valueAt(points.t[i]));
    m_residuals->data()->set(residuals, true);
}

void GraphPlot::setFitRange(std::optional<std::pair<double, double>> range)
{
    m_range = range;
    m_rangeBox->setVisible(range.has_value());
    if (range) {
        m_rangeBox->topLeft->setCoords(range->first, 0.0);
        m_rangeBox->bottomRight->setCoords(range->second, 1.0);
    }
}

void GraphPlot::refresh()
{
    markPointsWhileFew(m_valid, 4);
    markPointsWhileFew(m_lapGraph, 4);
    markPointsWhileFew(m_residuals, 3);
    m_valid->rescaleAxes();
    m_rejectedGraph->rescaleAxes(true);
    m_pending->rescaleAxes(true);
    m_lapGraph->rescaleAxes();
    m_residuals->rescaleAxes();
    for (QCPAxisRect* rect : {m_mainRect, m_lapRect, m_residualRect}) {
        // Leave a little room so that the outermost points are not cut in half.
        for (QCPAxis* axis : {rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft)}) {
            const QCPRange r = axis->range();
            const double margin = r.size() > 0 ? r.size() * 0.03 : 1.0;
            axis->setRange(r.lower - margin, r.upper + margin);
        }
    }
    replot(QCustomPlot::rpQueuedReplot);
}

void GraphPlot::addMarker(double x, const QString& label)
{
    QCPAxis* xAxis = m_mainRect->axis(QCPAxis::atBottom);
    QCPAxis* yAxis = m_mainRect->axis(QCPAxis::atLeft);
    auto* line = new QCPItemStraightLine(this);
    line->setClipAxisRect(m_mainRect);
    line->point1->setAxes(xAxis, yAxis);
    line->point2->setAxes(xAxis, yAxis);
    line->point1->setCoords(x, 0.0);
    line->point2->setCoords(x, 1.0);
    line->setPen(QPen(Qt::darkGray, 1, Qt::DashLine));
    auto* text = new QCPItemText(this);
    text->setClipAxisRect(m_mainRect);
    text->position->setAxes(xAxis, yAxis);
    text->position->setAxisRect(m_mainRect);
    text->position->setTypeY(QCPItemPosition::ptAxisRectRatio);
    text->position->setCoords(x, 0.02);
    text->setPositionAlignment(Qt::AlignLeft | Qt::AlignTop);
    text->setPadding(QMargins(3, 0, 3, 0));
    text->setText(label);
    m_markers << line << text;
}

void GraphPlot::updateLapMean()
{
    m_lapMean->setVisible(m_lapCount > 0);
    if (m_lapCount > 0) {
        const double mean = m_lapSum / m_lapCount;
        m_lapMean->point1->setCoords(0.0, mean);
        m_lapMean->point2->setCoords(1.0, mean);
    }
}

bool GraphPlot::exportTo(const QString& path, QString* error)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    bool ok = false;
    if (suffix == QStringLiteral("png")) {
        ok = savePng(path, FigureWidth, FigureHeight);
    } else if (suffix == QStringLiteral("pdf")) {
        ok = savePdf(path, FigureWidth, FigureHeight);
    } else if (suffix == QStringLiteral("svg") && !SvgExport::available()) {
        *error = QStringLiteral("この版は SVG で保存できません。PNG か PDF で保存してください: %1")
                     .arg(path);
        return false;
    } else if (suffix == QStringLiteral("svg")) {
        ok = SvgExport::write(path, QSize(FigureWidth, FigureHeight), m_title->text(),
                              [this](QPaintDevice& device) {
                                  QCPPainter painter;
                                  if (!painter.begin(&device))
                                      return false;
                                  toPainter(&painter, FigureWidth, FigureHeight);
                                  return painter.end();
                              });
        ok = ok && QFileInfo(path).size() > 0;
    } else {
        *error = QStringLiteral("PNG、SVG、PDF のどれかで保存してください: %1").arg(path);
        return false;
    }
    if (!ok)
        *error = QStringLiteral("図を保存できません: %1").arg(path);
    return ok;
}
