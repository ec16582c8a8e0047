#pragma once

#include "datafile/DataFileReader.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// One complete line of a data file (without CR LF) -> one row, or why not.
// Which kind a subject-block row is depends on where it stands, which the
// caller knows.

// A line longer than this is no row the writer could have made (five full
// subject lines take a third of it); nothing more of it is kept.
inline constexpr qsizetype MaxLineBytes = 1 << 20;

struct LinePlace {
    int line = 0;                    // 1-based line number
    bool firstLine = false;          // the first line of the file
    bool initialSubjectOpen = false; // no subject, column-title or data row yet
    bool utf8 = false;               // texts are UTF-8, not code page 932
};

struct LineResult {
    std::optional<ReadRow> row;
    QString problem; // when there is no row
    // A subject-block row with the marker alone, exactly as the end writes it.
    bool plainMarker = false;
};

LineResult readLine(QByteArrayView line, const LinePlace& place);
