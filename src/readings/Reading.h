#pragma once

#include "datafile/DataFileReader.h"

#include <QList>
#include <QSet>
#include <QString>

// One reading of a data file as the companion keeps it: numbers only, so that
// a million of them stay within a few tens of megabytes.
struct Reading {
    // The flags beside the number, in the room the doubles' alignment leaves:
    // 32 bytes a reading instead of 40.
    int number = 0;
    bool rejected = false; // NG, marked during the measurement
    bool excluded = false; // left out here afterwards
    double elapsed = 0.0;  // s
    double lap = 0.0;      // s
    double value = 0.0;
};
static_assert(sizeof(Reading) == 32);
Q_DECLARE_TYPEINFO(Reading, Q_PRIMITIVE_TYPE);

// A data row as a reading.
Reading readingOf(const ReadRow& row, bool excluded);
// The data rows of a file, with `excluded` (reading numbers) marked.
QList<Reading> readingsOf(const QList<ReadRow>& rows, const QSet<int>& excluded);

// "NG" for a reading marked during the measurement, "除外" for one left out
// here, empty for the others. NG wins: the measurement said it first.
QString readingRemark(const Reading& reading);
