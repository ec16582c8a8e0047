#include "graph/GraphPlot.h"

#include "graph/FigureFont.h"
#include "graph/FigureLegend.h"
#include "graph/NumberedPoints.h"
#include "graph/ReadingTicker.h"
#include "graph/SubjectMarkers.h"

#include <algorithm>
#include <cmath>

namespace
{

// Beyond this many points a marker per point is a smear that costs most of a
// repaint (hundreds of ms at 100 000 noisy laps): the line alone shows them.
constexpr int MarkerLimit = 5000;
const QColor LeftOutColour(120, 120, 120);

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

QCPAxisRect* addRect(QCustomPlot* plot, QCPMarginGroup* group, const QString& xLabel,
                     const QString& yLabel)
{
    auto* rect = new QCPAxisRect(plot);
    rect->axis(QCPAxis::atBottom)->setLabel(xLabel);
    rect->axis(QCPAxis::atLeft)->setLabel(yLabel);
    // The panels share their left and right margins, so that their time axes
    // line up whatever the width of their tick labels.
    rect->setMarginGroup(QCP::msLeft | QCP::msRight, group);
    return rect;
}

} // namespace

GraphPlot::GraphPlot(const MeasurementModel& model, QWidget* parent)
    : QCustomPlot(parent), m_model(model)
{
    setAccessibleName(QStringLiteral("グラフ"));
    // Everything made below takes the plot's font.
    setFont(figureFont(font()));
    plotLayout()->clear();
    m_title = new QCPTextElement(this, QString(), QFont(font().family(), 11, QFont::Bold));
    m_fitLabel = new QCPTextElement(this, QString(), QFont(font().family(), 9));
    m_fitLabel->setTextFlags(Qt::AlignLeft | Qt::AlignVCenter);
    auto* margins = new QCPMarginGroup(this);
    const QString elapsed = QStringLiteral("経過時間 (秒)");
    m_mainRect = addRect(this, margins, elapsed, QString());
    m_lapRect = addRect(this, margins, QStringLiteral("測定回"), QStringLiteral("ラップ (秒)"));
    m_residualRect = addRect(this, margins, elapsed, QStringLiteral("残差"));
    QCPAxis* numbers = m_lapRect->axis(QCPAxis::atBottom);
    numbers->setTicker(QSharedPointer<ReadingTicker>::create(numbers));
    m_markers = new SubjectMarkers(m_mainRect);
    arrangePanels();

    m_valid = addGraphTo(this, m_mainRect);
    m_valid->setPen(QPen(QColor(30, 90, 180), 1));
    m_valid->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    // Left out here: hollow grey circles, apart from the curve and unlike
    // the red crosses of NG.
    m_excludedGraph = addGraphTo(this, m_mainRect);
    m_excludedGraph->setLineStyle(QCPGraph::lsNone);
    m_excludedGraph->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(LeftOutColour, 1.5), Qt::NoBrush, 9));
    // NG readings: crossed circles, not joined to the curve.
    m_rejectedGraph = addGraphTo(this, m_mainRect);
    m_rejectedGraph->setLineStyle(QCPGraph::lsNone);
    m_rejectedGraph->setScatterStyle(QCPScatterStyle(
        QCPScatterStyle::ssCrossCircle, QPen(QColor(200, 30, 30), 1.5), Qt::NoBrush, 9));
    // The pending reading: a hollow square, since it is not in the file yet.
    m_pending = addGraphTo(this, m_mainRect);
    m_pending->setLineStyle(QCPGraph::lsNone);
    // The reading chosen by keyboard: a ring around its point.
    m_highlight = addGraphTo(this, m_mainRect);
    m_highlight->setLineStyle(QCPGraph::lsNone);
    m_highlight->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(Qt::black, 2), Qt::NoBrush, 17));
    m_fitCurve = addGraphTo(this, m_mainRect);
    m_fitCurve->setPen(QPen(QColor(0, 150, 60), 2));

    m_lapGraph = addGraphTo(this, m_lapRect);
    m_lapGraph->setPen(QPen(QColor(120, 60, 160), 1));
    m_lapGraph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssDisc, 4));
    m_excludedLapGraph = addGraphTo(this, m_lapRect);
    m_excludedLapGraph->setLineStyle(QCPGraph::lsNone);
    m_excludedLapGraph->setScatterStyle(
        QCPScatterStyle(QCPScatterStyle::ssCircle, QPen(LeftOutColour, 1.5), Qt::NoBrush, 7));
    m_lapMean = new QCPItemStraightLine(this);
    // Items draw over the margins unless told to keep inside their panel.
    m_lapMean->setClipToAxisRect(true);
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

    m_valid->setName(QStringLiteral("測定値"));
    m_excludedGraph->setName(QStringLiteral("除外（計算に使わない）"));
    m_rejectedGraph->setName(QStringLiteral("NG"));
    m_fitCurve->setName(QStringLiteral("当てはめ"));
    m_legend = std::make_unique<FigureLegend>(
        m_mainRect, std::initializer_list<QCPGraph*>{m_valid, m_excludedGraph, m_rejectedGraph,
                                                     m_pending, m_fitCurve});
    m_validPoints = std::make_unique<NumberedPoints>(m_valid);
    m_excludedPoints = std::make_unique<NumberedPoints>(m_excludedGraph);
    m_rejectedPoints = std::make_unique<NumberedPoints>(m_rejectedGraph);
    m_lapPoints = std::make_unique<NumberedPoints>(m_lapGraph);
    m_excludedLapPoints = std::make_unique<NumberedPoints>(m_excludedLapGraph);

    m_rangeBox = new QCPItemRect(this);
    m_rangeBox->setClipToAxisRect(true);
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

GraphPlot::~GraphPlot() = default;

void GraphPlot::clearReadings()
{
    for (NumberedPoints* points :
         {m_validPoints.get(), m_excludedPoints.get(), m_rejectedPoints.get(), m_lapPoints.get(),
          m_excludedLapPoints.get()})
        points->clear();
    for (QCPGraph* graph : {m_pending, m_highlight, m_fitCurve, m_residuals})
        graph->data()->clear();
    m_highlighted.reset();
    m_markers->clear();
    m_lapMean->setVisible(false);
    m_title->setText(QString());
    m_mainRect->axis(QCPAxis::atLeft)->setLabel(QString());
    m_fitLabel->setText(QString());
    m_fitShown = false;
    arrangePanels();
    // The next file starts from its own readings, not from this one's ranges.
    resetRanges();
    m_shownReadings = 0;
    m_shownChanges = 0;
}

void GraphPlot::showReadings()
{
    if (m_generation != m_model.generation()) {
        clearReadings();
        m_generation = m_model.generation();
    }
    // Points and their reading numbers, each graph's apart.
    struct Batch {
        QVector<QCPGraphData> data;
        std::vector<int> numbers;
        void add(double key, double value, int number)
        {
            data.append(QCPGraphData(key, value));
            numbers.push_back(number);
        }
    };
    Batch valid, excluded, rejected, laps, excludedLaps;
    const QList<Reading>& readings = m_model.readings();
    // Sized once: the first batch of a long file is the whole file, and the
    // plot takes these vectors over without copying them.
    const qsizetype added = readings.size() - m_shownReadings;
    valid.data.reserve(added);
    valid.numbers.reserve(std::size_t(added));
    laps.data.reserve(added);
    laps.numbers.reserve(std::size_t(added));
    for (qsizetype i = m_shownReadings; i < readings.size(); ++i) {
        const Reading& r = readings[i];
        if (r.rejected) {
            rejected.add(r.elapsed, r.value, r.number);
            continue;
        }
        if (!MeasurementModel::drawable(r))
            continue;
        (r.excluded ? excluded : valid).add(r.elapsed, r.value, r.number);
        if (r.number > 0 && std::isfinite(r.lap))
            (r.excluded ? excludedLaps : laps).add(r.number, r.lap, r.number);
    }
    m_shownReadings = int(readings.size());
    // Rows come in file order, which is time order unless a file holds two
    // measurements or was edited by hand; the points keep them sorted.
    m_validPoints->add(std::move(valid.data), std::move(valid.numbers));
    m_excludedPoints->add(std::move(excluded.data), std::move(excluded.numbers));
    m_rejectedPoints->add(std::move(rejected.data), std::move(rejected.numbers));
    m_lapPoints->add(std::move(laps.data), std::move(laps.numbers));
    m_excludedLapPoints->add(std::move(excludedLaps.data), std::move(excludedLaps.numbers));
    const std::vector<MeasurementModel::SubjectChange>& changes = m_model.subjectChanges();
    for (; m_shownChanges < changes.size(); ++m_shownChanges) {
        const MeasurementModel::SubjectChange& change = changes[m_shownChanges];
        if (std::isfinite(change.elapsed))
            m_markers->add(change.elapsed, subjectText(change.lines));
    }
    m_title->setText(m_model.title());
    m_mainRect->axis(QCPAxis::atLeft)->setLabel(m_model.valueTitle());
}

void GraphPlot::showPending()
{
    const std::optional<ReadRow>& pending = m_model.pending();
    m_pending->data()->clear();
    if (pending && pending->kind == RowKind::Data && std::isfinite(pending->elapsed) &&
        std::isfinite(pending->target))
        m_pending->addData(pending->elapsed, pending->target);
    // BackSpace marks the last press before it reaches the file: crossed out
    // at once, like the NG readings already written.
    const bool rejected = pending && pending->rejected;
    m_pending->setScatterStyle(QCPScatterStyle(
        rejected ? QCPScatterStyle::ssCrossSquare : QCPScatterStyle::ssSquare,
        QPen(rejected ? QColor(200, 30, 30) : QColor(230, 130, 0), 2), Qt::NoBrush, 10));
    m_pending->setName(rejected ? QStringLiteral("仮の点（NG、まだファイルにない）")
                                : QStringLiteral("仮の点（まだファイルにない）"));
}

bool GraphPlot::pendingShownRejected() const
{
    return !m_pending->data()->isEmpty() &&
           m_pending->scatterStyle().shape() == QCPScatterStyle::ssCrossSquare;
}

void GraphPlot::showExclusions()
{
    const QSet<int>& excluded = m_model.excluded();
    const auto leftOut = [&excluded](int number) { return excluded.contains(number); };
    const auto takenBack = [&excluded](int number) { return !excluded.contains(number); };
    const std::vector<NumberedPoints::Point> out = m_validPoints->takeIf(leftOut);
    const std::vector<NumberedPoints::Point> back = m_excludedPoints->takeIf(takenBack);
    m_excludedPoints->add(out);
    m_validPoints->add(back);
    m_excludedLapPoints->add(m_lapPoints->takeIf(leftOut));
    m_lapPoints->add(m_excludedLapPoints->takeIf(takenBack));
    setHighlightedReading(m_highlighted);
}

void GraphPlot::setHighlightedReading(std::optional<int> number)
{
    m_highlighted = number;
    m_highlight->data()->clear();
    if (const auto point = number ? m_model.readingPoint(*number) : std::nullopt;
        point && std::isfinite(point->first) && std::isfinite(point->second))
        m_highlight->addData(point->first, point->second);
}

void GraphPlot::clearFitGraphs()
{
    // A cleared container keeps its memory: at a million residuals that is
    // the room the next fit's own residuals need.
    for (QCPGraph* graph : {m_fitCurve, m_residuals}) {
        graph->data()->clear();
        graph->data()->squeeze();
    }
}

void GraphPlot::showResults(const Results& results)
{
    clearFitGraphs();
    m_residualRect->axis(QCPAxis::atLeft)
        ->setLabel(results.residualTitle.isEmpty() ? QStringLiteral("残差")
                                                   : results.residualTitle);
    const bool shown = results.fitShown();
    m_fitLabel->setText(shown ? results.labelLines.join(u'\n') : QString());
    if (shown != m_fitShown) {
        m_fitShown = shown;
        arrangePanels();
    }
    if (!shown)
        return;
    QVector<QCPGraphData> curve(qsizetype(results.curveT.size()));
    for (std::size_t i = 0; i < results.curveT.size(); ++i)
        curve[qsizetype(i)] = QCPGraphData(results.curveT[i], results.curveY[i]);
    m_fitCurve->data()->set(curve, true);
    // Straight into the graph: the residuals' only copy.
    QVector<QCPGraphData> residuals;
    residuals.reserve(results.residualCount());
    forEachResidual(m_model, results,
                    [&residuals](double t, double r) { residuals.append(QCPGraphData(t, r)); });
    // A curve's readings come in time order; the period fit's presses by number.
    m_residuals->data()->set(residuals, results.request.choice != FitChoice::Period);
}

void GraphPlot::showFitRange(const MeasurementModel::Range& range)
{
    m_rangeShown = range.has_value();
    m_rangeBox->setVisible(m_rangeShown && m_windowStateShown);
    if (range) {
        m_rangeBox->topLeft->setCoords(range->first, 0.0);
        m_rangeBox->bottomRight->setCoords(range->second, 1.0);
    }
}

QString GraphPlot::figureTitle() const
{
    return m_title->text();
}

void GraphPlot::setFitLabelShown(bool shown)
{
    if (shown == m_fitLabelShown)
        return;
    m_fitLabelShown = shown;
    arrangePanels();
    replot(QCustomPlot::rpQueuedReplot);
}

void GraphPlot::setWindowStateShown(bool shown)
{
    m_windowStateShown = shown;
    m_highlight->setVisible(shown);
    m_rangeBox->setVisible(m_rangeShown && shown);
}

void GraphPlot::arrangePanels()
{
    QCPLayoutGrid* grid = plotLayout();
    for (QCPLayoutElement* element : grid->elements(false)) {
        if (element)
            grid->take(element);
    }
    grid->simplify();
    const bool fitLabel = m_fitLabelShown && !m_fitLabel->text().isEmpty();
    // Residuals of no fit would be an empty panel with made-up axes.
    m_residualRect->setVisible(m_fitShown);
    m_fitLabel->setVisible(fitLabel);
    QList<std::pair<QCPLayoutElement*, double>> rows{{m_title, 0.01}};
    if (fitLabel)
        rows.append({m_fitLabel, 0.01});
    rows.append({m_mainRect, 3});
    rows.append({m_lapRect, 1.2});
    if (m_fitShown)
        rows.append({m_residualRect, 1.2});
    for (int i = 0; i < rows.size(); ++i) {
        grid->addElement(i, 0, rows[i].first);
        grid->setRowStretchFactor(i, rows[i].second);
    }
}

void GraphPlot::resetRanges()
{
    for (QCPAxisRect* rect : {m_mainRect, m_lapRect, m_residualRect}) {
        rect->axis(QCPAxis::atBottom)->setRange(0.0, 1.0);
        rect->axis(QCPAxis::atLeft)->setRange(0.0, 1.0);
    }
}

void GraphPlot::refresh()
{
    markPointsWhileFew(m_valid, 4);
    markPointsWhileFew(m_lapGraph, 4);
    markPointsWhileFew(m_residuals, 3);
    // A panel whose graphs are empty keeps its plain 0 to 1 instead of the
    // ranges of whatever it showed before.
    resetRanges();
    bool mainFirst = true;
    for (QCPGraph* graph : {m_valid, m_excludedGraph, m_rejectedGraph, m_pending}) {
        if (!graph->data()->isEmpty()) {
            graph->rescaleAxes(!mainFirst);
            mainFirst = false;
        }
    }
    bool lapFirst = true;
    for (QCPGraph* graph : {m_lapGraph, m_excludedLapGraph}) {
        if (!graph->data()->isEmpty()) {
            graph->rescaleAxes(!lapFirst);
            lapFirst = false;
        }
    }
    if (!m_residuals->data()->isEmpty())
        m_residuals->rescaleAxes();
    for (QCPAxisRect* rect : {m_mainRect, m_lapRect, m_residualRect}) {
        // Leave a little room so that the outermost points are not cut in half.
        for (QCPAxis* axis : {rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft)}) {
            const QCPRange r = axis->range();
            const double margin = r.size() > 0 ? r.size() * 0.03 : 1.0;
            axis->setRange(r.lower - margin, r.upper + margin);
        }
    }
    // A residual stands below its reading.
    m_residualRect->axis(QCPAxis::atBottom)->setRange(m_mainRect->axis(QCPAxis::atBottom)->range());
    m_legend->update();
    replot(QCustomPlot::rpQueuedReplot);
}

void GraphPlot::showLapMean(std::optional<double> mean)
{
    m_lapMean->setVisible(mean && std::isfinite(*mean));
    if (m_lapMean->visible()) {
        m_lapMean->point1->setCoords(0.0, *mean);
        m_lapMean->point2->setCoords(1.0, *mean);
    }
}
