#pragma once

#include "datafile/DataFileReader.h"

#include <QSet>
#include <QString>

#include <vector>

// What a whole file gave the command line: whether anything of it can be
// used, the lines that could not be read, and the readings asked to be left
// out that it does not have.

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
