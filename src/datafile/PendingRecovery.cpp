#include "datafile/PendingRecovery.h"

#include "datafile/Cp932Encoder.h"
#include "datafile/DataFileName.h"
#include "datafile/LineReader.h"
#include "datafile/PendingRowFile.h"
#include "datafile/PendingRowsCheck.h"
#include "datafile/PendingSidecar.h"
#include "datafile/ReadOnlyFile.h"
#include "datafile/RowKinds.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <optional>

namespace
{

const QByteArray CrLf = QByteArrayLiteral("\r\n");
// Far more rows than a measurement could queue while its disk is full.
constexpr qint64 MaxSidecarBytes = qint64(64) << 20;

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

// A regular file itself, not a link to one elsewhere.
bool isPlainFile(const QFileInfo& info)
{
    return info.isFile() && !info.isSymLink();
}

// Qt asks the system whether the process a lock names still runs. A browser
// cannot say (Emscripten's kill() refuses every number), and every page there
// is process 42 with files in its own memory: a lock naming another number
// was left by something that is not running here.
#ifdef Q_OS_WASM
constexpr bool OtherNumbersAreGone = true;
#else
constexpr bool OtherNumbersAreGone = false;
#endif

// Whether no running instance owns the sidecar. The lock stays taken while
// `lock` lives, so that no instance starting now takes the sidecar over.
bool ownerIsGone(QLockFile& lock, const QString& lockPath)
{
    lock.setStaleLockTime(0);
    if (lock.tryLock(0) || lock.error() != QLockFile::LockFailedError)
        return true;
    // Qt takes a lock that names this very process for a live one. Wine and
    // any system after a restart give numbers again: the program that
    // crashed may have had ours.
    qint64 pid = 0;
    QString host;
    QString application;
    if (!lock.getLockInfo(&pid, &host, &application))
        return false;
    const bool ours = pid == QCoreApplication::applicationPid();
    if (ours ? PendingRowFile::heldHere(lockPath) : !OtherNumbersAreGone)
        return false;
    return lock.removeStaleLockFile() && lock.tryLock(0);
}

const QString SidecarSuffix = pendingSidecarPath(QString());

// Temporary files of a replacement whose sidecar never came to be (a crash
// during the very first store) hold no row that a handler returned with; a
// lock without a sidecar is left by a crash just after the sidecar went.
void removeOrphanFiles(const QDir& dataDir)
{
    const QString lockSuffix = PendingRowFile::lockPathFor(SidecarSuffix);
    for (const QString& suffix : {PendingRowFile::tempPathFor(SidecarSuffix), lockSuffix}) {
        for (const QString& name : dataDir.entryList({u'*' + suffix}, QDir::Files)) {
            const QString dataName = name.chopped(suffix.size());
            if (!isDataFileName(dataName))
                continue;
            const QString sidecar = dataDir.filePath(dataName + SidecarSuffix);
            const QString lockPath = PendingRowFile::lockPathFor(sidecar);
            QLockFile owner(lockPath);
            // A lock taken over here goes when `owner` does.
            if (!QFile::exists(sidecar) && ownerIsGone(owner, lockPath) && suffix != lockSuffix)
                QFile::remove(dataDir.filePath(name));
        }
    }
}

std::optional<QByteArray> readSidecar(const QString& path)
{
    ReadOnlyFile file(path);
    if (!file.isOpen() || file.size() > MaxSidecarBytes)
        return std::nullopt;
    QByteArray bytes = file.read(0, file.size());
    if (bytes.size() != file.size())
        return std::nullopt;
    return bytes;
}

// Where a sidecar of one row alone begins in its data file: before that row
// when the file already ends with it (or with it and an end subject row),
// else at the end of the file's last whole row.
std::optional<qint64> whereBareRowGoes(ReadOnlyFile& data, QByteArrayView row)
{
    const qint64 tailStart = std::max<qint64>(0, data.size() - row.size() - MaxLineBytes - 2);
    const QByteArray tail = data.read(tailStart, data.size() - tailStart);
    if (tail.size() != data.size() - tailStart)
        return std::nullopt;
    const QByteArrayView last = rowBefore(tail, tail.size());
    if (last == row)
        return data.size() - row.size();
    if (!last.isEmpty() && isEndSubjectRow(last) &&
        rowBefore(tail, tail.size() - last.size()) == row)
        return data.size() - last.size() - row.size();
    const qsizetype lineEnd = tail.lastIndexOf('\n');
    if (lineEnd < 0)
        return tailStart == 0 ? std::optional<qint64>(0) : std::nullopt;
    return tailStart + lineEnd + 1;
}

enum class Outcome { Written, Append, NotOurs };

struct Plan {
    Outcome outcome = Outcome::NotOurs;
    QByteArray rest; // what the data file still needs
};

// What the data file (null: gone) holds of the sidecar's rows.
Plan planFor(const PendingSidecar& sidecar, ReadOnlyFile* data, const QString& dataFileName)
{
    const QByteArray& rows = sidecar.rows;
    const PendingRowsCheck check{dataFileName, !sidecar.after.has_value()};
    if (!data)
        return rowsContinueDataFile(rows, nullptr, 0, check) ? Plan{Outcome::Append, rows} : Plan{};

    const std::optional<qint64> before =
        sidecar.after ? sidecar.after : whereBareRowGoes(*data, rows);
    if (!before || *before > data->size())
        return {}; // the file was cut short or rewritten since
    if (*before > 0 && data->read(*before - 1, 1) != "\n")
        return {};
    if (!rowsContinueDataFile(rows, data, *before, check))
        return {};
    // Past `before` the file holds what was written of the rows, and after
    // them only what later events wrote; a power cut may have cut the last
    // write short.
    const qint64 written = data->size() - *before;
    const QByteArray there = data->read(*before, std::min<qint64>(written, rows.size()));
    if (written >= rows.size())
        return there == rows ? Plan{Outcome::Written, {}} : Plan{};
    if (there.size() == written && rows.startsWith(there))
        return {Outcome::Append, rows.sliced(written)};
    return {};
}

} // namespace

PendingRecovery recoverPendingRows(DataFileWriter& writer)
{
    PendingRecovery recovery;
    const QDir dataDir(writer.workingDir().filePath(QStringLiteral("DATA")));
    removeOrphanFiles(dataDir);
    const QStringList names =
        dataDir.entryList({u'*' + SidecarSuffix}, QDir::Files | QDir::System, QDir::Name);
    for (const QString& name : names) {
        const QString sidecarPath = dataDir.filePath(name);
        const QString shownSidecar = QDir::toNativeSeparators(sidecarPath);
        // The name alone says which file is meant; no path in it is followed.
        const QString dataName = name.chopped(SidecarSuffix.size());
        if (!isDataFileName(dataName) || !isPlainFile(QFileInfo(sidecarPath))) {
            recovery.leftAlone.append(shownSidecar);
            continue;
        }
        const QString lockPath = PendingRowFile::lockPathFor(sidecarPath);
        QLockFile owner(lockPath);
        if (!ownerIsGone(owner, lockPath))
            continue; // a running instance's measurement
        // A crash in the middle of a replacement leaves its temporary file;
        // the sidecar itself still holds the rows before it.
        QFile::remove(PendingRowFile::tempPathFor(sidecarPath));

        const std::optional<QByteArray> bytes = readSidecar(sidecarPath);
        if (!bytes) {
            recovery.unreadable.append(shownSidecar);
            continue;
        }
        const std::optional<PendingSidecar> sidecar = parseSidecar(*bytes);
        if (!sidecar) {
            recovery.leftAlone.append(shownSidecar);
            continue;
        }

        const QString dataPath = dataDir.filePath(dataName);
        const QString shownData = QDir::toNativeSeparators(dataPath);
        const QString dataFileName = QStringLiteral("DATA\\") + dataName;
        const QFileInfo dataInfo(dataPath);
        std::optional<ReadOnlyFile> data;
        if (dataInfo.exists() || dataInfo.isSymLink()) {
            // Never written through a link, nor into a folder or a device.
            if (isPlainFile(dataInfo))
                data.emplace(dataPath);
            if (!data || !data->isOpen()) {
                recovery.notWritten.append(shownData);
                continue;
            }
        }
        const Plan plan = planFor(*sidecar, data ? &*data : nullptr, dataFileName);
        data.reset();
        if (plan.outcome == Outcome::NotOurs) {
            recovery.leftAlone.append(shownSidecar);
            continue;
        }
        if (plan.outcome == Outcome::Append) {
            // A data file that is gone gets a file of these rows: the
            // readings are kept, and the message says where.
            recovery.lastWrite =
                writer.writeEncoded(dataFileName, plan.rest, int(plan.rest.count(CrLf)));
            if (!recovery.lastWrite.ok) {
                // The rows now wait in memory only; the sidecar keeps them on
                // disk until a later start finds them written.
                recovery.notWritten.append(shownData);
                continue;
            }
            recovery.recovered.append(shownData);
        }
        QFile::remove(sidecarPath);
    }
    return recovery;
}
