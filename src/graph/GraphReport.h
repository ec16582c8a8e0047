#pragma once

#include "analysis/Fits.h"
#include "analysis/LapStatistics.h"
#include "analysis/PeriodFit.h"
#include "datafile/DataFileReader.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What the plots and the report take from a file's rows: valid readings for
// the fits, laps for the statistics. NG readings and the readings left out
// here (`excluded`, by number) count but take no part, exactly as if their
// rows were not in the file.
struct MeasuredPoints {
    std::vector<double> t;    // elapsed seconds of the valid readings
    std::vector<double> y;    // their target values
    std::vector<double> laps; // lap seconds of the valid readings after reading 000
    int readings = 0;
    int rejected = 0;
    int excluded = 0; // left out here and not NG
};
MeasuredPoints measuredPoints(const QList<ReadRow>& rows, const QSet<int>& excluded = {});

// How a run of the command line ends, for scripts.
namespace ExitStatus
{
inline constexpr int AllRead = 0;
inline constexpr int SomeUnread = 1; // made from the lines that could be read
inline constexpr int Failed = 2;     // nothing usable, no fit, or a wrong command line
} // namespace ExitStatus

// Why nothing of a file can be used, or an empty text when something can.
QString unreadableReason(const DataFileContents& contents);

// The first line that could not be read and how many were not, as the window
// and standard error name them.
QString unreadLinesText(const ReadProblem& first, int count);
// Nothing when every line was read.
QString unreadLinesText(const DataFileContents& contents);

analysis::FitResult fitModel(analysis::Model model, const std::vector<double>& t,
                             const std::vector<double>& y);

// Why a fit could not be made, in Japanese.
QString fitFailureText(const analysis::FitResult& fit);

struct Report {
    bool ok = false;
    int status = ExitStatus::Failed;
    QByteArray json;      // one JSON object and a line end, when ok
    QString error;        // for standard error, when not ok
    QStringList warnings; // for standard error: lines not read, readings not there
};

// The command line's report of a whole file, with a fit of every valid reading
// when `model` is given. Takes the rows over, to let them go before the fit.
// The period fit instead of a curve: one press per swing, or per half swing.
struct PeriodChoice {
    bool pressPerHalfSwing = false;
};
// `excluded`: reading numbers left out of every fit and statistic; the JSON
// lists those that left a reading out.
Report buildReport(const QString& path, DataFileContents contents,
                   std::optional<analysis::Model> model,
                   std::optional<PeriodChoice> period = std::nullopt,
                   const QSet<int>& excluded = {});

// Readings asked to be left out, as a file holds them: those that leave a
// valid reading out (sorted; NG ones are out already), and those no reading
// of the file has.
struct AppliedExclusions {
    std::vector<int> applied;
    std::vector<int> missing;
};
AppliedExclusions applyExclusions(const QList<ReadRow>& rows, const QSet<int>& requested);
// The warning about readings that are not there; empty when all are.
QString missingReadingsText(const std::vector<int>& missing);

// The readings as presses for the period fit, NG and excluded ones marked.
std::vector<analysis::Press> pressesOf(const QList<ReadRow>& rows, const QSet<int>& excluded = {});

// A JSON number with every digit a double holds; NaN and infinities as null.
QByteArray jsonNumber(double value);
