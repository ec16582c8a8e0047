#pragma once

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reads data files back: the bytes the writer made (CP932, CR LF, six fields)
// and those of earlier versions (quotes not doubled, "NG" anywhere in the
// remark, after-end change rows). Reading never writes and never throws: a
// line that cannot be read is skipped and the first one is reported.

enum class RowKind {
    Header,         // "DATA\QMK….csv", date, four empty texts
    Subject,        // the subject block at the start (second line)
    ColumnTitle,    // "測定回", "時刻", …, name and unit of the value, "備考"
    Data,           // one reading
    ChangedSubject, // a subject block edited during the measurement
    EndSubject,     // the subject block written by the end click
    AfterEndChange, // "←対象等--終後変更"
};

// One row as read. Kept small: a million readings must fit in a few tens of
// megabytes, so data rows carry numbers only and no texts.
struct ReadRow {
    RowKind kind = RowKind::Data;
    int line = 0; // 1-based line number in the file

    // Data rows.
    int number = 0;        // reading number, 0 for the first reading
    int secondsOfDay = -1; // the "hh:mm:ss" field, -1 when it does not read as one
    double elapsed = 0.0;  // seconds since the first reading
    double lap = 0.0;      // seconds since the previous reading
    double target = 0.0;   // the target value
    bool rejected = false; // marked NG

    // Every other kind: its fields as text (subject rows: the five subject
    // lines and the marker; header: file name and date; column titles).
    QStringList texts;
};

struct ReadProblem {
    int line = 0;   // 1-based line number of the first line that could not be read
    QString reason; // in Japanese, for the window and for messages
};

// Turns appended bytes into rows. Only complete lines (ended by CR LF) are
// rows; an unfinished last line waits for the next bytes.
class DataFileParser
{
public:
    // The rows completed by these bytes, in file order.
    QList<ReadRow> feed(const QByteArray& bytes);

    const std::optional<ReadProblem>& firstProblem() const;
    QString valueTitle() const;       // fifth field of the column-title row
    QStringList subjectLines() const; // the five lines of the latest subject block
    int linesRead() const;            // complete lines seen so far
    bool looksLikeDataFile() const;   // a header or column-title row has been seen
};

// A whole file at once, for the command line and the tests.
struct DataFileContents {
    bool opened = false;
    QString openError; // why the file could not be opened, when !opened
    QList<ReadRow> rows;
    std::optional<ReadProblem> firstProblem;
    QString valueTitle;
    QStringList subjectLines; // the subject block at the start
};
DataFileContents readDataFile(const QString& path);

// Follows a data file that grows while a measurement runs. Each poll reads only
// what was appended since the last one; a file that was deleted, replaced or
// cut short starts over from its beginning.
class DataFileFollower
{
public:
    explicit DataFileFollower(QString path);

    struct Update {
        QList<ReadRow> rows;    // new complete rows
        bool restarted = false; // the file was replaced or cut: `rows` starts anew
        bool missing = false;   // the file is not there (now)
    };
    Update poll();

    // The reading not yet in the data file (the main program's ".pending"
    // sidecar), as of the last poll.
    std::optional<ReadRow> pendingReading() const;

    const DataFileParser& parser() const;
    const QString& path() const;
};

// The newest data file (QMK*.csv) directly in `folder`, or an empty string.
QString newestDataFile(const QDir& folder);
