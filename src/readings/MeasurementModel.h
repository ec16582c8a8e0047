#pragma once

#include "analysis/PeriodFit.h"
#include "datafile/DataFileReader.h"
#include "readings/Reading.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

// The readings of one data file as the companion holds them, appended to as
// rows arrive: the one copy that the window, the plot, the fits and every
// export take their numbers from. Rows keep file order here; what wants time
// order (the fits, the curve) gets it from validPoints().
class MeasurementModel
{
public:
    // A subject block edited during the measurement, where it came.
    struct SubjectChange {
        int afterReading = -1; // the number of the reading before it, -1 before the first
        double elapsed = 0.0;  // that reading's time, 0 before the first
        QStringList lines;     // the five subject lines and the marker
    };

    // Forgets everything: another file, or this one rewritten.
    void clear();
    // Adds rows in file order; `valueTitle` and `subjectLines` as the parser
    // knows them now (the latest subject block).
    void append(const QList<ReadRow>& rows, const QString& valueTitle,
                const QStringList& subjectLines);
    // The last press, which the file gets one event later: shown, never counted.
    void setPending(std::optional<ReadRow> pending) { m_pending = std::move(pending); }
    const std::optional<ReadRow>& pending() const { return m_pending; }

    // Grows by one each clear(): a view that saw another generation starts over.
    int generation() const { return m_generation; }
    const QList<Reading>& readings() const { return m_readings; }
    const std::vector<SubjectChange>& subjectChanges() const { return m_changes; }
    const QString& valueTitle() const { return m_valueTitle; }
    // The unit of the measured value, from the value column's title.
    const QString& valueUnit() const { return m_unit; }
    const QStringList& subjectLines() const { return m_subjectLines; }
    // The subject block at the start of the file.
    const QStringList& initialSubjectLines() const { return m_initialSubject; }
    // The latest subject block as one line (see subjectText).
    QString title() const;

    int readingCount() const { return int(m_readings.size()); }
    int rejectedCount() const { return m_rejected; }
    int highestReading() const { return m_highestReading; }

    // Readings left out here (by number): in no fit and no statistic. Rows
    // appended later that carry one of these numbers are left out as they come.
    void setExcluded(const QSet<int>& numbers);
    const QSet<int>& excluded() const { return m_excluded; }

    enum class ReadingState { Missing, Used, Excluded, Rejected };
    // Of a reading that can be drawn: NG ones always, the others with a
    // finite time and value.
    ReadingState readingState(int number) const;
    // The reading's elapsed time and value, when it can be drawn.
    std::optional<std::pair<double, double>> readingPoint(int number) const;
    // Those that can be drawn, in time order.
    std::vector<int> excludedReadings() const;
    std::vector<int> rejectedReadings() const;

    using Range = std::optional<std::pair<double, double>>;
    struct Points {
        std::vector<double> t;
        std::vector<double> y;
    };
    // The valid readings not left out, in time order, within the range when
    // one is set: what the curve fits take.
    Points validPoints(const Range& range = std::nullopt) const;
    // Calls f(elapsed, value) for each of those, in the same order, without
    // copying them: at a million readings a copy is 16 MB.
    template <typename F> void forEachValidPoint(const Range& range, F f) const;
    // Lap seconds of the valid readings after reading 000, by reading number.
    std::vector<double> laps() const;
    // Calls f(lap) for each of those, in the same order: in place when the
    // file is in reading order, as it is unless edited by hand.
    template <typename F> void forEachLap(F f) const;
    // Every reading as a press for the period fit, NG and left-out ones
    // marked, by reading number, within the range when one is set.
    std::vector<analysis::Press> presses(const Range& range = std::nullopt) const;

    // Whether a reading takes part in the curve: not NG, and can be drawn.
    static bool drawable(const Reading& r);

private:
    // Indices of the readings `keep` takes, in time order (file order among equal times).
    template <typename Keep> std::vector<int> inTimeOrder(Keep keep) const;
    std::vector<int> validInTimeOrder(const Range& range) const;
    static bool used(const Reading& r, const Range& range);
    static bool counted(const Reading& r);

    QList<Reading> m_readings;
    std::vector<SubjectChange> m_changes;
    std::optional<ReadRow> m_pending;
    QSet<int> m_excluded;
    QString m_valueTitle;
    QString m_unit;
    QStringList m_subjectLines;
    QStringList m_initialSubject;
    int m_generation = 0;
    int m_rejected = 0;
    int m_highestReading = -1;
    bool m_timeOrdered = true;   // every reading's time after the one before it
    bool m_numberOrdered = true; // likewise their numbers
};

template <typename F> void MeasurementModel::forEachValidPoint(const Range& range, F f) const
{
    if (m_timeOrdered) {
        // The usual case at a million readings: no index beside the numbers.
        for (const Reading& r : m_readings) {
            if (used(r, range))
                f(r.elapsed, r.value);
        }
        return;
    }
    for (const int i : validInTimeOrder(range))
        f(m_readings[i].elapsed, m_readings[i].value);
}

template <typename F> void MeasurementModel::forEachLap(F f) const
{
    if (!m_numberOrdered) {
        for (const double lap : laps())
            f(lap);
        return;
    }
    for (const Reading& r : m_readings) {
        if (counted(r))
            f(r.lap);
    }
}

// A subject block as one line: its non-empty lines, the marker left out.
QString subjectText(const QStringList& lines);
