#pragma once

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

// Reads data files back: the bytes the writer made (CP932, CR LF, six fields)
// and those of earlier versions (quotes not doubled, "NG" anywhere in the
// remark, after-end change rows), and files a spreadsheet saved again (LF
// only, UTF-8 after a byte order mark). Reading never writes and never
// throws: a line that cannot be read is skipped, counted, and the first one
// is reported.
//
// The end subject row is laid out exactly like a changed-subject row with the
// marker alone; only what comes after it tells them apart. A row read as it
// arrives is therefore a ChangedSubject; endSubjectLine() says which one
// turned out to be the end. readDataFile() and DataFileFollower mark it
// EndSubject where they can tell: it is the last such row, only after-end
// change rows follow it, and either one of them does or no measurement is
// running on the file (there is no ".pending" sidecar beside it).

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
Q_DECLARE_TYPEINFO(ReadRow, Q_RELOCATABLE_TYPE);

struct ReadProblem {
    int line = 0;   // 1-based line number of the first line that could not be read
    QString reason; // in Japanese, for the window and for messages
};

// Turns appended bytes into rows. Only complete lines (ended by CR LF) are
// rows; an unfinished last line waits for the next bytes, or for finish().
class DataFileParser
{
public:
    // The rows completed by these bytes, in file order.
    QList<ReadRow> feed(const QByteArray& bytes);
    // The file ends here: an unfinished last line (an editor saved it without
    // its line end) is read as a whole line.
    QList<ReadRow> finish();
    bool hasUnfinishedLine() const { return !m_partial.isEmpty() || m_overlong; }

    const std::optional<ReadProblem>& firstProblem() const;
    int unreadLines() const { return m_unread; } // lines that could not be read
    QString valueTitle() const;                  // fifth field of the column-title row
    QStringList subjectLines() const;            // the five lines of the latest subject block
    int linesRead() const;                       // complete lines seen so far
    bool looksLikeDataFile() const;              // a header or column-title row has been seen

    // The subject block at the start (the Subject row), empty before it.
    QStringList initialSubjectLines() const;

    // The latest changed-subject row with the marker alone after which only
    // after-end change rows have come: the end subject row if the measurement
    // has ended.
    std::optional<int> possibleEndSubjectLine() const;
    // That row is the end for certain: an after-end change row followed it.
    std::optional<int> endSubjectLine() const;

    // The last complete line and the one before it, without the line end
    // (empty for a line too long to keep).
    const QByteArray& lastLine() const { return m_lastLine; }
    const QByteArray& lineBeforeLast() const { return m_lineBeforeLast; }

private:
    void absorb(QByteArrayView bytes);
    QByteArrayView readCompleteLine(QByteArrayView line, QList<ReadRow>& rows);
    void note(int line, const QString& reason);
    void share(QStringList& texts);

    QByteArray m_partial;    // the unfinished last line
    bool m_overlong = false; // the unfinished line grew too long and is being skipped
    QString m_overlongReason;
    int m_lines = 0;
    int m_unread = 0;
    bool m_utf8 = false; // the file began with a UTF-8 byte order mark
    std::optional<ReadProblem> m_problem;
    QStringList m_lastTexts; // of the latest row with texts, shared by equal ones
    QString m_valueTitle;
    QStringList m_subjectLines;
    QStringList m_initialSubject;
    bool m_looksLikeDataFile = false;
    bool m_anyRow = false;
    bool m_initialSubjectOpen = true;
    std::optional<int> m_possibleEnd;
    bool m_endConfirmed = false;
    QByteArray m_lastLine;
    QByteArray m_lineBeforeLast;
};

// A whole file at once, for the command line and the tests.
struct DataFileContents {
    bool opened = false;
    QString openError; // why the file could not be opened, when !opened
    QList<ReadRow> rows;
    std::optional<ReadProblem> firstProblem;
    int unreadLines = 0; // lines that could not be read
    int lines = 0;       // lines in the file
    QString valueTitle;
    QStringList subjectLines;       // the subject block at the start
    bool looksLikeDataFile = false; // a header or column-title row was read
};
enum class RowsKept {
    All,
    // Data rows only: what the numbers need. A file of a million subject
    // changes then takes no more memory than its readings.
    Readings,
};
// The end subject row comes back as EndSubject (see above). The last line
// counts even without its line end: the file is read as it is now.
DataFileContents readDataFile(const QString& path, RowsKept kept = RowsKept::All);

// Follows a data file that grows while a measurement runs. Each poll reads only
// what was appended since the last one; a file that was deleted, replaced,
// cut short or written anew (what lies before the read offset is no longer
// what was read) starts over from its beginning.
class DataFileFollower
{
public:
    // A last line without its line end is taken as a whole line once the
    // file has not grown for this long: the main program writes whole rows,
    // an editor may leave the last one open.
    static constexpr qint64 QuietMs = 1000;

    // `nowMs`: a steady clock in milliseconds (tests move it by hand).
    explicit DataFileFollower(QString path, std::function<qint64()> nowMs = {});

    struct Update {
        QList<ReadRow> rows;      // new complete rows
        bool restarted = false;   // the file was replaced or cut: `rows` starts anew
        bool missing = false;     // the file is not there (now)
        QString openError;        // it is there but cannot be read: why
        bool lineWaiting = false; // an unfinished last line waits for QuietMs
        bool more = false;        // `maxBytes` were read and the file holds more: poll again
    };
    // Reads what was appended, at most `maxBytes` of it: a reader that takes
    // a long file in pieces holds the rows of one piece at a time.
    Update poll(qint64 maxBytes = std::numeric_limits<qint64>::max());

    // The rows not yet in the data file (the main program's ".pending"
    // sidecar), as of the last poll, in file order: data rows, or a
    // changed-subject row when a Change click made one wait; rows queued after
    // a failed write come before the pending one. Nothing when the sidecar is
    // absent, torn or unreadable; rows already at the file's end (the moment
    // between the main program's two writes) are left out.
    const QList<ReadRow>& pendingRows() const { return m_pending; }
    // The last of them: the press that BackSpace can still mark.
    std::optional<ReadRow> pendingReading() const;
    // The sidecar is there but holds only rows the data file has got now: its
    // next row is on its way.
    bool sidecarBehind() const { return m_sidecarBehind; }

    // The line of the end subject row as of the last poll (see above). A row
    // of the latest Update that is the end comes in it as EndSubject.
    std::optional<int> endSubjectLine() const;

    const DataFileParser& parser() const;
    const QString& path() const;

private:
    struct Identity {
        std::uint64_t device = 0;
        std::uint64_t file = 0;
        bool operator==(const Identity&) const = default;
    };
    void restart();
    void readPending();

    QString m_path;
    std::function<qint64()> m_nowMs;
    DataFileParser m_parser;
    qint64 m_offset = 0; // bytes handed to the parser
    QByteArray m_head;   // the file's first bytes, to notice it was rewritten
    QByteArray m_tail;   // the bytes just before m_offset, likewise
    std::optional<Identity> m_identity;
    bool m_lost = false; // missing at the last poll
    qint64 m_grewAtMs = 0;
    bool m_lineFinished = false; // an unfinished last line was taken as whole
    bool m_sidecarPresent = false;
    bool m_sidecarBehind = false;
    QList<ReadRow> m_pending;
};

// The newest data file (QMK*.csv, a regular file or a link to one) directly in
// `folder`, or an empty string.
QString newestDataFile(const QDir& folder);
