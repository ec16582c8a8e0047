#pragma once

#include "datafile/CsvRow.h"

#include <QDir>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// Writes the rows of each writing event. Every event opens the file, writes
// its rows, flushes them to storage and closes the file again. Rows that
// cannot be written are kept in order and written first by the next event, so
// a passing fault (disk full, folder gone) loses nothing. A failed write
// leaves its file as it was, so the file always ends with a whole row.
class DataFileWriter
{
public:
    struct Result {
        bool ok = true;
        QString path;   // the file that failed, as opened on this system
        QString reason; // the system's reason
        int unwrittenRows = 0;
    };

    explicit DataFileWriter(QDir workingDir = QDir::current());

    // Writes the rows to the file named `dataFileName` ("DATA\QMK…csv"),
    // creating it when missing; rows still queued for any file go first. A
    // file that fails keeps its rows queued without holding back other files.
    Result write(const QString& dataFileName, const QList<CsvRow>& rows);

    // The same for rows already encoded as the file holds them.
    Result writeEncoded(const QString& dataFileName, const QByteArray& rows, int rowCount);

    // Tries the queued rows again without adding any.
    Result retry();

    // For a program that must end with rows still queued: tries them once
    // more, then appends what is left to a recovery file beside each data
    // file ("QMK….recovered.csv"). Rows saved either way leave the queue.
    // Returns the data files whose rows could not be saved at all.
    QStringList saveRecoveryFiles();

    int unwrittenRowCount() const;
    // Names ("DATA\QMK…csv") of the files that rows still wait for.
    QStringList queuedFileNames() const;
    // The rows still waiting for that file, as they will be appended.
    QByteArray queuedRows(const QString& dataFileName) const;
    // The size of the file that its waiting rows follow: as this writer last
    // found it, or as it is now when this writer has not opened it.
    qint64 writtenSize(const QString& dataFileName) const;
    // The last row this writer gave the file (CR LF included), or nothing.
    QByteArray lastRowWritten(const QString& dataFileName) const;
    const QDir& workingDir() const { return m_workingDir; }

private:
    struct Queued {
        QString dataFileName;
        QByteArray bytes;
        int rows = 0;
    };
    // What the writer knows of a file it has opened.
    struct Written {
        qint64 size = 0;
        QByteArray lastRow; // empty when not known
    };
    void enqueue(const QString& dataFileName, const QByteArray& bytes, int rows);
    Result flush();

    QDir m_workingDir;
    QList<Queued> m_queue;
    QHash<QString, Written> m_written;
};
