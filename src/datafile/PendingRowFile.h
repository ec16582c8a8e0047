#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

// Keeps the sidecars (PendingSidecar.h) of the data files that still wait for
// rows, so that a crash or power cut cannot lose a row the data file has not
// got: the running measurement's pending row, and rows queued after a failed
// write, of this measurement or an earlier one. Each store replaces a sidecar
// as a whole: a crash at any instant leaves the previous content or the new
// one, never a mix, and the new one is on stable storage when keep() returns.
//
// While this instance keeps a sidecar it holds a lock file beside it, so that
// a second instance starting in the same folder leaves a live sidecar alone.
class PendingRowFile
{
public:
    struct Result {
        bool ok = true;
        QString path;   // the sidecar, as opened on this system
        QString reason; // the system's reason when !ok
    };

    PendingRowFile();
    ~PendingRowFile();
    PendingRowFile(const PendingRowFile&) = delete;
    PendingRowFile& operator=(const PendingRowFile&) = delete;

    // Makes the sidecar of the data file at `dataFilePath` (as opened on this
    // system) hold `sidecarBytes`; empty bytes remove it, once every row has
    // reached the file. Content already stored is not written again.
    Result keep(const QString& dataFilePath, const QByteArray& sidecarBytes);
    // The data files whose sidecars this instance keeps.
    QStringList dataFilePaths() const;

    // The lock a sidecar's owner holds, for the start-up recovery to test.
    static QString lockPathFor(const QString& sidecarPath);
    // Whether an instance in this process holds that lock now. A lock that
    // names this process but that none of its instances holds was left by
    // an earlier process that had the same number.
    static bool heldHere(const QString& lockPath);
    // The temporary file a replacement is written to before it is renamed.
    static QString tempPathFor(const QString& sidecarPath);

private:
    struct Kept {
        std::unique_ptr<QLockFile> lock;
        QByteArray bytes; // as last stored; empty until a store succeeded
    };
    std::map<QString, Kept> m_kept; // by data file path
};
