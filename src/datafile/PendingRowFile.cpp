#include "datafile/PendingRowFile.h"

#include "datafile/DurableFile.h"
#include "datafile/PendingSidecar.h"

PendingRowFile::~PendingRowFile()
{
    // Only the lock goes: a sidecar still here holds a row the data file has
    // not got, which the next start recovers.
    m_lock.reset();
}

QString PendingRowFile::lockPathFor(const QString& sidecarPath)
{
    return sidecarPath + QStringLiteral(".lock");
}

QString PendingRowFile::tempPathFor(const QString& sidecarPath)
{
    return sidecarPath + QStringLiteral(".tmp");
}

PendingRowFile::Result PendingRowFile::store(const QString& dataFilePath, const CsvRow& row)
{
    const QString sidecar = pendingSidecarPath(dataFilePath);
    if (sidecar != m_sidecarPath) {
        remove();
        m_sidecarPath = sidecar;
        m_lock = std::make_unique<QLockFile>(lockPathFor(sidecar));
        // Only a dead owner makes a lock stale, never its age: a measurement
        // may run for days.
        m_lock->setStaleLockTime(0);
        // Without the lock (say the folder is gone) the sidecar is still worth
        // writing; only a second instance could then mistake it for a crash's.
        m_lock->tryLock(0);
    }
    const DurableFile::Outcome outcome =
        DurableFile::replace(sidecar, tempPathFor(sidecar), encodeRow(row));
    return {outcome.ok, sidecar, outcome.reason};
}

void PendingRowFile::remove()
{
    if (m_sidecarPath.isEmpty())
        return;
    if (!DurableFile::remove(m_sidecarPath).ok)
        qWarning("cannot remove %s", qPrintable(m_sidecarPath));
    m_lock.reset();
    m_sidecarPath.clear();
}
