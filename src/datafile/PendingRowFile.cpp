#include "datafile/PendingRowFile.h"

#include "datafile/DurableFile.h"
#include "datafile/PendingSidecar.h"

#include <QFileInfo>

#include <set>

namespace
{

std::set<const PendingRowFile*>& instances()
{
    static std::set<const PendingRowFile*> all;
    return all;
}

} // namespace

PendingRowFile::PendingRowFile()
{
    instances().insert(this);
}

PendingRowFile::~PendingRowFile()
{
    instances().erase(this);
    // Only the locks go: a sidecar still here holds rows the data file has
    // not got, which the next start recovers.
    m_kept.clear();
}

QString PendingRowFile::lockPathFor(const QString& sidecarPath)
{
    return sidecarPath + QStringLiteral(".lock");
}

bool PendingRowFile::heldHere(const QString& lockPath)
{
    const QFileInfo lock(lockPath);
    for (const PendingRowFile* instance : instances()) {
        for (const auto& [path, kept] : instance->m_kept) {
            if (kept.lock->isLocked() && QFileInfo(lockPathFor(pendingSidecarPath(path))) == lock)
                return true;
        }
    }
    return false;
}

QString PendingRowFile::tempPathFor(const QString& sidecarPath)
{
    return sidecarPath + QStringLiteral(".tmp");
}

QStringList PendingRowFile::dataFilePaths() const
{
    QStringList paths;
    for (const auto& [path, kept] : m_kept)
        paths.append(path);
    return paths;
}

PendingRowFile::Result PendingRowFile::keep(const QString& dataFilePath,
                                            const QByteArray& sidecarBytes)
{
    const QString sidecar = pendingSidecarPath(dataFilePath);
    auto it = m_kept.find(dataFilePath);
    if (sidecarBytes.isEmpty()) {
        if (it == m_kept.end())
            return {true, sidecar, {}};
        const DurableFile::Outcome outcome = DurableFile::remove(sidecar);
        if (!outcome.ok) {
            qWarning("cannot remove %s", qPrintable(sidecar));
            return {false, sidecar, outcome.reason};
        }
        m_kept.erase(it); // and its lock with it
        return {true, sidecar, {}};
    }
    if (it == m_kept.end()) {
        Kept kept;
        kept.lock = std::make_unique<QLockFile>(lockPathFor(sidecar));
        // Only a dead owner makes a lock stale, never its age: a measurement
        // may run for days.
        kept.lock->setStaleLockTime(0);
        // Without the lock (say the folder is gone) the sidecar is still worth
        // writing; only a second instance could then mistake it for a crash's.
        kept.lock->tryLock(0);
        it = m_kept.emplace(dataFilePath, std::move(kept)).first;
    }
    if (!it->second.lock->isLocked())
        it->second.lock->tryLock(0);
    if (it->second.bytes == sidecarBytes)
        return {true, sidecar, {}};
    const DurableFile::Outcome outcome =
        DurableFile::replace(sidecar, tempPathFor(sidecar), sidecarBytes);
    if (outcome.ok)
        it->second.bytes = sidecarBytes;
    return {outcome.ok, sidecar, outcome.reason};
}
