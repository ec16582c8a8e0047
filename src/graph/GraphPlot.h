#pragma once

#include "exports/Figure.h"
#include "readings/MeasurementModel.h"
#include "readings/Results.h"

#include <qcustomplot.h>

#include <memory>
#include <optional>

class FigureLegend;
class NumberedPoints;
class SubjectMarkers;

// The companion's figure: the measured curve above, the laps and the fit's
// residuals below it. A view of a MeasurementModel: it draws what the model
// holds and the results it is given, and computes neither. Its graphs keep
// the one copy of the points that QCustomPlot draws from.
class GraphPlot : public QCustomPlot, public Figure
{
    Q_OBJECT
public:
    explicit GraphPlot(const MeasurementModel& model, QWidget* parent = nullptr);
    ~GraphPlot() override;

    // Takes over what the model gained since the last call: its new readings
    // and subject changes, its title and value title. A model cleared since
    // is drawn afresh.
    void showReadings();
    // After the model's readings left out changed.
    void showExclusions();
    void showPending();
    // Whether the provisional point is shown, crossed out as NG.
    bool pendingShownRejected() const;
    // The mean line over the laps; none hides it.
    void showLapMean(std::optional<double> mean);
    // Draws the fitted curve, its residuals and its label; a failed fit or
    // none clears them.
    void showResults(const Results& results);
    // The residual panel is there only while a fit is shown.
    bool residualsShown() const { return m_fitShown; }

    int readingCount() const { return m_model.readingCount(); }
    int rejectedCount() const { return m_model.rejectedCount(); }
    // The reading whose point, on the curve or among the laps, lies within a
    // few pixels of `pos`: the nearest one.
    std::optional<int> readingAt(const QPoint& pos) const;
    // A ring around one reading's point, for the one chosen by keyboard.
    void setHighlightedReading(std::optional<int> number);

    // The subject block the figure is titled with.
    QString figureTitle() const override;
    QCustomPlot& figurePlot() override { return *this; }
    // The fit's equation and numbers above the plot, for exported figures.
    void setFitLabelShown(bool shown) override;
    // The keyboard's ring and the dragged range are the window's, not the figure's.
    void setWindowStateShown(bool shown) override;
    const SubjectMarkers& subjectMarkers() const { return *m_markers; }

    // The range box over the readings a dragged range fits.
    void showFitRange(const MeasurementModel::Range& range);

    // Rescales and repaints once the event loop comes round.
    void refresh();

signals:
    // A time range dragged on the main plot.
    void rangeDragged(double from, double to);
    // A click (no drag) on a reading's point.
    void readingClicked(int number);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    // A subject marker's whole text over its shortened label.
    bool event(QEvent* event) override;

private:
    void clearReadings();
    void clearFitGraphs();
    // Puts the shown panels into the layout, top to bottom.
    void arrangePanels();
    void resetRanges();

    const MeasurementModel& m_model;
    int m_generation = -1;   // of the model, when last shown
    int m_shownReadings = 0; // of its readings
    std::size_t m_shownChanges = 0;
    QCPAxisRect* m_mainRect;
    QCPAxisRect* m_lapRect;
    QCPAxisRect* m_residualRect;
    QCPTextElement* m_title;
    QCPTextElement* m_fitLabel;
    QCPGraph* m_valid;
    QCPGraph* m_excludedGraph;
    QCPGraph* m_rejectedGraph;
    QCPGraph* m_pending;
    QCPGraph* m_highlight;
    QCPGraph* m_fitCurve;
    QCPGraph* m_lapGraph;
    QCPGraph* m_excludedLapGraph;
    QCPGraph* m_residuals;
    // The numbers beside the points of the graphs above that hold readings.
    std::unique_ptr<NumberedPoints> m_validPoints;
    std::unique_ptr<NumberedPoints> m_excludedPoints;
    std::unique_ptr<NumberedPoints> m_rejectedPoints;
    std::unique_ptr<NumberedPoints> m_lapPoints;
    std::unique_ptr<NumberedPoints> m_excludedLapPoints;
    std::optional<int> m_highlighted;
    QPoint m_pressedAt;
    QCPItemStraightLine* m_lapMean;
    QCPItemRect* m_rangeBox;
    SubjectMarkers* m_markers;
    std::unique_ptr<FigureLegend> m_legend;
    bool m_fitShown = false;
    bool m_fitLabelShown = false;
    bool m_rangeShown = false;
    bool m_windowStateShown = true;
};
