#pragma once

#include "datafile/CsvRow.h"

#include <QDir>
#include <QList>
#include <QString>

// Writes the rows of each writing event. Every event opens the file, writes
// its rows, flushes them to storage and closes the file again. Rows that
// cannot be written are kept in order and written first by the next event, so
// a passing fault (disk full, folder gone) loses nothing.
class DataFileWriter {
public:
    struct Result {
        bool ok = true;
        QString path;     // the file that failed, as opened on this system
        QString reason;   // the system's reason
        int unwrittenRows = 0;
    };

    explicit DataFileWriter(QDir workingDir = QDir::current());

    // Writes the rows to the file named `dataFileName` ("DATA\QMK…csv"),
    // creating it when missing; rows still queued for any file go first.
    Result write(const QString& dataFileName, const QList<CsvRow>& rows);

    // Tries the queued rows again without adding any.
    Result retry();

    int unwrittenRowCount() const;
    const QDir& workingDir() const { return m_workingDir; }

private:
    struct Queued {
        QString dataFileName;
        QByteArray bytes;
        int rows = 0;
    };
    QDir m_workingDir;
    QList<Queued> m_queue;
};
