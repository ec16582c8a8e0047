#include "datafile/PendingRecovery.h"

#include "datafile/Cp932Encoder.h"
#include "datafile/DataFileName.h"
#include "datafile/PendingRowFile.h"
#include "datafile/PendingSidecar.h"
#include "datafile/RowKinds.h"

#include <QDir>
#include <QFile>
#include <QLockFile>

#include <optional>

namespace
{

const QByteArray CrLf = QByteArrayLiteral("\r\n");

// The row that ends at `end` (just past its CR LF), or an empty one.
QByteArrayView rowBefore(QByteArrayView bytes, qsizetype end)
{
    if (end < 2 || bytes.sliced(end - 2, 2) != CrLf)
        return {};
    const qsizetype previousEnd = bytes.first(end - 2).lastIndexOf(CrLf);
    const qsizetype start = previousEnd < 0 ? 0 : previousEnd + 2;
    return bytes.sliced(start, end - start);
}

// The end click writes the pending row and the end subject row in one
// write and removes the sidecar after it; a crash in between leaves the
// sidecar's row second to last.
bool isEndSubjectRow(QByteArrayView row)
{
    static const QByteArray marker = ",\"" + Cp932::encode(RowKinds::SubjectMarker) + "\"" + CrLf;
    return row.endsWith(marker);
}

// A whole sidecar is one row ending in CR LF, and nothing else.
bool isOneRow(const QByteArray& bytes)
{
    return bytes.size() > 2 && bytes.indexOf(CrLf) == bytes.size() - 2;
}

std::optional<QByteArray> readWhole(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// Whether no running instance owns the sidecar. The lock stays taken while
// `lock` lives, so that no instance starting now takes the sidecar over.
bool ownerIsGone(QLockFile& lock)
{
    lock.setStaleLockTime(0);
    return lock.tryLock(0) || lock.error() != QLockFile::LockFailedError;
}

// Temporary files of a replacement whose sidecar never came to be (a crash
// during the very first store) hold no row that a handler returned with; a
// lock without a sidecar is left by a crash just after the sidecar went.
void removeOrphanFiles(const QDir& dataDir)
{
    const QString sidecarSuffix = pendingSidecarPath(QString());
    const QString lockSuffix = PendingRowFile::lockPathFor(sidecarSuffix);
    for (const QString& suffix : {PendingRowFile::tempPathFor(sidecarSuffix), lockSuffix}) {
        for (const QString& name : dataDir.entryList({u'*' + suffix}, QDir::Files)) {
            const QString sidecar = dataDir.filePath(name.chopped(suffix.size()) + sidecarSuffix);
            QLockFile owner(PendingRowFile::lockPathFor(sidecar));
            // A lock taken over here goes when `owner` does.
            if (!QFile::exists(sidecar) && ownerIsGone(owner) && suffix != lockSuffix)
                QFile::remove(dataDir.filePath(name));
        }
    }
}

struct Sidecar {
    QString path;
    QString dataFileName; // "DATA\QMK…csv"
};

QList<Sidecar> sidecarsIn(const QDir& dataDir)
{
    QList<Sidecar> sidecars;
    const QString suffix = pendingSidecarPath(QString());
    for (const QString& name : dataDir.entryList({u'*' + suffix}, QDir::Files, QDir::Name))
        sidecars.append(
            {dataDir.filePath(name), QStringLiteral("DATA\\") + name.chopped(suffix.size())});
    return sidecars;
}

} // namespace

bool endsWithPendingRow(const QByteArray& dataFile, const QByteArray& row)
{
    const QByteArrayView last = rowBefore(dataFile, dataFile.size());
    if (last == row)
        return true;
    if (last.isEmpty() || !isEndSubjectRow(last))
        return false;
    return rowBefore(dataFile, dataFile.size() - last.size()) == row;
}

PendingRecovery recoverPendingRows(DataFileWriter& writer)
{
    PendingRecovery recovery;
    const QDir dataDir(writer.workingDir().filePath(QStringLiteral("DATA")));
    removeOrphanFiles(dataDir);
    for (const Sidecar& sidecar : sidecarsIn(dataDir)) {
        QLockFile owner(PendingRowFile::lockPathFor(sidecar.path));
        if (!ownerIsGone(owner))
            continue; // a running instance's measurement
        // A crash in the middle of a replacement leaves its temporary file;
        // the sidecar itself still holds the row before it.
        QFile::remove(PendingRowFile::tempPathFor(sidecar.path));

        const std::optional<QByteArray> row = readWhole(sidecar.path);
        if (!row || !isOneRow(*row)) {
            recovery.unreadable.append(QDir::toNativeSeparators(sidecar.path));
            continue;
        }

        const QString dataPath = localPath(sidecar.dataFileName, writer.workingDir());
        QFile data(dataPath);
        const bool alreadyThere =
            data.open(QIODevice::ReadOnly) && endsWithPendingRow(data.readAll(), *row);
        data.close();
        if (!alreadyThere) {
            // A data file that is gone gets a file of this one row: the
            // reading is kept, and the message says where.
            recovery.lastWrite = writer.writeEncoded(sidecar.dataFileName, *row, 1);
            if (!recovery.lastWrite.ok) {
                // The row now waits in memory only; the sidecar keeps it on
                // disk until a later start finds it written.
                recovery.notWritten.append(dataPath);
                continue;
            }
            recovery.recovered.append(dataPath);
        }
        QFile::remove(sidecar.path);
    }
    return recovery;
}
