#pragma once

#include "analysis/Fits.h"
#include "analysis/PeriodFit.h"
#include "datafile/DataFileReader.h"

#include <QSet>
#include <qcustomplot.h>

#include <memory>
#include <optional>
#include <vector>

class FigureLegend;
class NumberedPoints;
class SubjectMarkers;

// The companion's figure: the measured curve above, the laps and the fit's
// residuals below it. The plot's own data containers are the only copy of the
// readings, so a million of them stay within memory.
class GraphPlot : public QCustomPlot
{
    Q_OBJECT
public:
    explicit GraphPlot(QWidget* parent = nullptr);
    ~GraphPlot() override;

    void clearReadings();
    // Adds rows as they come; `valueTitle` and `subjectLines` as the parser
    // knows them now.
    void appendRows(const QList<ReadRow>& rows, const QString& valueTitle,
                    const QStringList& subjectLines);
    void setPendingReading(const std::optional<ReadRow>& pending);
    // Whether the provisional point is shown, crossed out as NG.
    bool pendingShownRejected() const;

    struct Points {
        std::vector<double> t;
        std::vector<double> y;
    };
    // The valid readings not left out, within [from, to] when a range is set.
    Points validPoints() const;
    std::vector<double> laps() const;
    // Every reading as a press for the period fit, NG and left-out ones
    // marked, within the range when one is set.
    std::vector<analysis::Press> presses() const;
    int readingCount() const { return m_readings; }
    int rejectedCount() const { return m_rejected; }

    // Readings left out here (by number): drawn apart from the others and
    // from NG ones, in no fit and no statistic. Rows appended later that
    // carry one of these numbers are left out as they come.
    void setExcluded(const QSet<int>& readings);
    enum class ReadingState { Missing, Used, Excluded, Rejected };
    ReadingState readingState(int number) const;
    // The reading's elapsed time and value, when it is shown.
    std::optional<std::pair<double, double>> readingPoint(int number) const;
    // Shown on the curve, in time order.
    std::vector<int> excludedReadings() const;
    std::vector<int> rejectedReadings() const;
    int highestReading() const { return m_highestReading; }
    // The reading whose point, on the curve or among the laps, lies within a
    // few pixels of `pos`: the nearest one.
    std::optional<int> readingAt(const QPoint& pos) const;
    // A ring around one reading's point, for the one chosen by keyboard.
    void setHighlightedReading(std::optional<int> number);

    // Draws the fitted curve and its residuals at `points`, the ones the fit
    // was made on; a failed fit or none clears them.
    void showFit(const analysis::FitResult* fit, const Points& points);
    void showFit(const analysis::FitResult* fit) { showFit(fit, validPoints()); }
    // The period fit: no curve, the residuals of t = start + period·n at the
    // presses it took.
    void showPeriodFit(const analysis::PeriodFit& fit, const std::vector<analysis::Press>& presses,
                       bool pressPerHalfSwing);
    // The residual panel is there only while a fit is shown.
    bool residualsShown() const { return m_fitShown; }

    // The unit of the measured value, from the value column's title.
    const QString& valueUnit() const { return m_unit; }
    // The subject block the figure is titled with.
    QString figureTitle() const;
    // The fit's equation and numbers above the plot, for exported figures.
    void setFitLabelShown(bool shown);
    const SubjectMarkers& subjectMarkers() const { return *m_markers; }

    void setFitRange(std::optional<std::pair<double, double>> range);
    std::optional<std::pair<double, double>> fitRange() const { return m_range; }

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

private:
    void updateLapMean();
    void clearFitGraphs();
    // Puts the shown panels into the layout, top to bottom.
    void arrangePanels();
    void resetRanges();

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
    QSet<int> m_excluded;
    std::optional<int> m_highlighted;
    QPoint m_pressedAt;
    QCPItemStraightLine* m_lapMean;
    QCPItemRect* m_rangeBox;
    SubjectMarkers* m_markers;
    std::unique_ptr<FigureLegend> m_legend;
    QString m_unit;
    bool m_fitShown = false;
    bool m_fitLabelShown = false;
    std::optional<std::pair<double, double>> m_range;
    double m_lastElapsed = 0.0;
    int m_readings = 0;
    int m_rejected = 0;
    int m_highestReading = -1;
    double m_lapSum = 0.0;
    int m_lapCount = 0;
};
