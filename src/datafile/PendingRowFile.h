#pragma once

#include "datafile/CsvRow.h"

#include <QLockFile>
#include <QString>

#include <memory>

// Keeps the pending row of the running measurement in its sidecar
// (pendingSidecarPath) so that a crash or power cut cannot lose the last
// press. Each store replaces the sidecar as a whole: a crash at any instant
// leaves the previous row or the new one, never a mix, and the new one is on
// stable storage when store() returns.
//
// While a measurement owns a sidecar it holds a lock file beside it, so that a
// second instance starting in the same folder leaves a live sidecar alone.
class PendingRowFile
{
public:
    struct Result {
        bool ok = true;
        QString path;   // the sidecar, as opened on this system
        QString reason; // the system's reason when !ok
    };

    PendingRowFile() = default;
    ~PendingRowFile();
    PendingRowFile(const PendingRowFile&) = delete;
    PendingRowFile& operator=(const PendingRowFile&) = delete;

    // `dataFilePath` is the data file as opened on this system.
    Result store(const QString& dataFilePath, const CsvRow& row);
    // The row has reached the data file (or there is none): the sidecar goes.
    void remove();

    // The lock a sidecar's owner holds, for the start-up recovery to test.
    static QString lockPathFor(const QString& sidecarPath);
    // The temporary file a replacement is written to before it is renamed.
    static QString tempPathFor(const QString& sidecarPath);

private:
    QString m_sidecarPath;
    std::unique_ptr<QLockFile> m_lock;
};
