#include "exports/ExportTarget.h"

#include "datafile/DataFileName.h"
#include "datafile/DataFileReader.h"
#include "datafile/DurableFile.h"
#include "datafile/NativePath.h"
#include "datafile/PendingSidecar.h"
#include "datafile/ReadOnlyFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdint>

namespace
{

// A data file's header and column titles come first; a file that shows
// neither in this much is no data file.
constexpr qint64 SniffBytes = 64 * 1024;

ExportError refusedAsDataFile(const QString& target)
{
    return {QStringLiteral("データファイルには書きません。別の名前にしてください: %1").arg(target)};
}

ExportError cannotSave(const QString& target, const QString& reason)
{
    return {QStringLiteral("保存できません: %1（%2）").arg(target, reason)};
}

struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Which file `file` is, whatever name it was reached by: a hard link or a
// link to a data file is that data file. ReadOnlyFile asks the system
// (device and inode, volume and file index) without blocking on a pipe.
FileIdentity identityOf(const ReadOnlyFile& file)
{
    return {file.device(), file.fileId()};
}

// The files of a measurement that `target` must not be: each shown data file,
// its sidecar and its recovery file, as far as they exist.
bool isMeasurementFile(const FileIdentity& target, const QStringList& protectedFiles)
{
    for (const QString& dataFile : protectedFiles) {
        for (const QString& path :
             {dataFile, pendingSidecarPath(dataFile), recoveryFilePath(dataFile)}) {
            const ReadOnlyFile file(path);
            if (file.isOpen() && identityOf(file) == target)
                return true;
        }
    }
    return false;
}

bool holdsDataFile(ReadOnlyFile& file)
{
    DataFileParser parser;
    parser.feed(file.read(0, SniffBytes));
    return parser.looksLikeDataFile();
}

// Where the export really goes, or why nothing may be written there.
struct Destination {
    QString path;
    bool exists = false;
    QFile::Permissions permissions;
};

std::optional<Destination> resolve(const QString& target, const QStringList& protectedFiles,
                                   ExportError& error)
{
    if (target.isEmpty()) {
        error = cannotSave(target, QStringLiteral("名前がありません"));
        return std::nullopt;
    }
    // A name that is not UTF-8 (kept as escapes, see NativePath) reaches
    // another file through Qt, which writes the export, than through
    // ReadOnlyFile, which checks it: the checked file must be the one written.
    if (NativePath::encode(target) != QFile::encodeName(target)) {
        error = cannotSave(target, QStringLiteral("この名前のファイルは作れません"));
        return std::nullopt;
    }
    // Not isSymLink(): on Windows that also takes shortcut files, which are
    // ordinary files the export may replace.
    const QFileInfo given(target);
    Destination destination;
    destination.path =
        given.isSymbolicLink() ? given.canonicalFilePath() : given.absoluteFilePath();
    if (destination.path.isEmpty()) {
        error = cannotSave(target, QStringLiteral("リンク先のファイルがありません"));
        return std::nullopt;
    }
    const QFileInfo real(destination.path);
    if (dataFileRole(given.fileName()) != DataFileRole::None ||
        dataFileRole(real.fileName()) != DataFileRole::None) {
        error = refusedAsDataFile(target);
        return std::nullopt;
    }
    // Told apart by the file's status alone: opening a pipe would wait for a
    // writer that never comes.
    destination.exists = real.exists();
    if (!destination.exists)
        return destination;
    if (real.isDir()) {
        error = {QStringLiteral("フォルダーには保存できません: %1").arg(target)};
        return std::nullopt;
    }
    if (!real.isFile()) {
        error = {QStringLiteral("ふつうのファイルではないので保存できません: %1").arg(target)};
        return std::nullopt;
    }
    ReadOnlyFile file(destination.path);
    if (!file.isOpen()) {
        // What cannot be read cannot be told from a data file.
        error = cannotSave(target, file.errorString());
        return std::nullopt;
    }
    if (isMeasurementFile(identityOf(file), protectedFiles) || holdsDataFile(file)) {
        error = refusedAsDataFile(target);
        return std::nullopt;
    }
    // Only the owner, group and others bits: the "user" ones say what this
    // process may do, which is no property of the file.
    destination.permissions =
        real.permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser);
    return destination;
}

// An empty file beside `destination`, so that the final rename stays on one
// file system. Created as any new file is (0666 less the umask on Linux).
std::optional<QString> createTemporary(const QString& destination, QString& reason)
{
    const QString folder = QFileInfo(destination).absolutePath();
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QString path = QDir(folder).filePath(
            QStringLiteral(".quellmark-export-%1.tmp")
                .arg(QRandomGenerator::global()->generate64(), 16, 16, QLatin1Char('0')));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        reason = file.errorString();
        if (!QFileInfo::exists(path))
            return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::optional<ExportError>
writeExport(const QString& target, const QStringList& protectedFiles,
            const std::function<QString(const QString& temporaryPath)>& write)
{
    ExportError error;
    const std::optional<Destination> destination = resolve(target, protectedFiles, error);
    if (!destination)
        return error;

    QString reason;
    const std::optional<QString> temporary = createTemporary(destination->path, reason);
    if (!temporary)
        return cannotSave(target, reason);

    reason = write(*temporary);
    // The replaced file's permissions, but writable by its owner until the
    // commit has flushed it (Windows cannot flush a read-only file).
    const bool keepsPermissions = destination->exists;
    if (reason.isEmpty() && keepsPermissions) {
        QFile file(*temporary);
        if (!file.setPermissions(destination->permissions | QFile::WriteOwner))
            reason = file.errorString();
    }
    if (!reason.isEmpty()) {
        QFile::remove(*temporary);
        return cannotSave(target, reason);
    }
    // On failure commit removes the temporary file itself.
    const DurableFile::Outcome outcome = DurableFile::commit(*temporary, destination->path);
    if (!outcome.ok)
        return cannotSave(target, outcome.reason);
    if (keepsPermissions && !(destination->permissions & QFile::WriteOwner))
        QFile::setPermissions(destination->path, destination->permissions);
    return std::nullopt;
}

QString writeWholeFile(const QString& path, const QByteArray& bytes)
{
    // Unbuffered: Qt's buffer turns a short write into "Unknown error".
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    for (qsizetype written = 0; written < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + written, bytes.size() - written);
        if (n <= 0)
            return file.errorString();
        written += n;
    }
    return QString();
}

std::optional<ExportError>
writeExportBytes(const QString& target, const QStringList& protectedFiles, const QByteArray& bytes)
{
    return writeExport(target, protectedFiles, [&bytes](const QString& temporaryPath) {
        return writeWholeFile(temporaryPath, bytes);
    });
}
