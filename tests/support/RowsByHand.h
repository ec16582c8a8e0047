#pragma once

#include "analysis/PeriodFit.h"
#include "datafile/DataFileReader.h"

#include <QList>
#include <QSet>

#include <cmath>
#include <vector>

// What the fits and statistics should take from a file's rows, worked out
// straight from the rows: valid readings in file order, laps after reading
// 000. NG readings and those left out (`excluded`) count but take no part,
// exactly as if their rows had been deleted by hand. The tests hold the
// companion's own results against these.
struct MeasuredPoints {
    std::vector<double> t;
    std::vector<double> y;
    std::vector<double> laps;
    int readings = 0;
    int rejected = 0;
    int excluded = 0;
};

inline MeasuredPoints measuredPoints(const QList<ReadRow>& rows, const QSet<int>& excluded = {})
{
    MeasuredPoints points;
    for (const ReadRow& row : rows) {
        if (row.kind != RowKind::Data)
            continue;
        ++points.readings;
        if (row.rejected) {
            ++points.rejected;
            continue;
        }
        if (excluded.contains(row.number)) {
            ++points.excluded;
            continue;
        }
        if (std::isfinite(row.elapsed) && std::isfinite(row.target)) {
            points.t.push_back(row.elapsed);
            points.y.push_back(row.target);
        }
        if (row.number > 0 && std::isfinite(row.lap))
            points.laps.push_back(row.lap);
    }
    return points;
}

// The readings as presses for the period fit, NG and excluded ones marked.
inline std::vector<analysis::Press> pressesOf(const QList<ReadRow>& rows,
                                              const QSet<int>& excluded = {})
{
    std::vector<analysis::Press> presses;
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::Data)
            presses.push_back(
                {row.number, row.elapsed, row.rejected, excluded.contains(row.number)});
    }
    return presses;
}
