#include "datafile/DataFileWriter.h"

#include "datafile/DataFileName.h"
#include "datafile/DurableFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

using DurableFile::failure;
using DurableFile::Outcome;

#ifdef Q_OS_WIN

Outcome appendDurably(const QString& path, const QByteArray& bytes, qint64& sizeBefore)
{
    sizeBefore = -1;
    int fd = -1;
    const errno_t openError = _wsopen_s(&fd, reinterpret_cast<const wchar_t*>(path.utf16()),
                                        _O_WRONLY | _O_APPEND | _O_CREAT | _O_BINARY | _O_NOINHERIT,
                                        _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (openError != 0)
        return failure(openError);
    sizeBefore = _filelengthi64(fd);
    int error = sizeBefore < 0 ? errno : 0;
    if (error == 0)
        error = DurableFile::writeAll(fd, bytes);
    if (error == 0)
        error = DurableFile::flushToDisk(fd);
    if (error != 0 && sizeBefore >= 0)
        _chsize_s(fd, sizeBefore);
    if (_close(fd) != 0 && error == 0)
        error = errno;
    return error == 0 ? Outcome{} : failure(error);
}

#else

// `sizeBefore`: the file's size before the write, which a failed write leaves
// it at; -1 when no regular file could be opened.
Outcome appendDurably(const QString& path, const QByteArray& bytes, qint64& sizeBefore)
{
    sizeBefore = -1;
    const QByteArray native = QFile::encodeName(path);
    struct stat st {
    };
    const bool created = ::stat(native.constData(), &st) != 0;
    const int fd = ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return failure(errno);

    int error = 0;
    bool regular = false;
    off_t sizeAtOpen = 0;
    if (::fstat(fd, &st) == 0) {
        sizeAtOpen = st.st_size;
        regular = S_ISREG(st.st_mode);
        if (regular)
            sizeBefore = sizeAtOpen;
    } else {
        error = errno;
    }

    if (error == 0)
        error = DurableFile::writeAll(fd, bytes);
    if (error == 0) {
        // Only a regular file's flush can fail for want of the disk.
        const int flushed = DurableFile::flushToDisk(fd);
        if (regular)
            error = flushed;
    }
    // A row cut short (disk full, file size limit) would glue itself to the
    // next row written; take the whole event back so the retry starts clean.
    if (error != 0 && regular && ::ftruncate(fd, sizeAtOpen) != 0)
        qWarning("cannot take back a failed write to %s", native.constData());
    if (::close(fd) != 0 && error == 0) {
        error = errno;
        if (regular && ::truncate(native.constData(), sizeAtOpen) != 0)
            qWarning("cannot take back a failed write to %s", native.constData());
    }
    if (error != 0)
        return failure(error);
    if (created)
        DurableFile::syncFolderOf(native);
    return {};
}

#endif

// The last row of whole rows, CR LF included.
QByteArray lastRowOf(const QByteArray& rows)
{
    if (rows.size() <= 2)
        return rows;
    const qsizetype previousEnd = rows.lastIndexOf("\r\n", rows.size() - 3);
    return rows.sliced(previousEnd < 0 ? 0 : previousEnd + 2);
}

} // namespace

DataFileWriter::DataFileWriter(QDir workingDir) : m_workingDir(std::move(workingDir)) {}

DataFileWriter::Result DataFileWriter::write(const QString& dataFileName, const QList<CsvRow>& rows)
{
    QByteArray bytes;
    for (const CsvRow& row : rows)
        bytes += encodeRow(row);
    return writeEncoded(dataFileName, bytes, static_cast<int>(rows.size()));
}

DataFileWriter::Result DataFileWriter::writeEncoded(const QString& dataFileName,
                                                    const QByteArray& rows, int rowCount)
{
    if (rowCount > 0)
        enqueue(dataFileName, rows, rowCount);
    Result result = flush();
    if (result.ok)
        result.path = localPath(dataFileName, m_workingDir);
    return result;
}

DataFileWriter::Result DataFileWriter::retry()
{
    return flush();
}

QStringList DataFileWriter::saveRecoveryFiles()
{
    flush();
    QStringList lost;
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        const QString path = localPath(it->dataFileName, m_workingDir);
        const QString recovery = recoveryFilePath(path);
        qint64 sizeBefore = 0;
        if (appendDurably(recovery, it->bytes, sizeBefore).ok) {
            it = m_queue.erase(it);
        } else {
            lost.append(path);
            ++it;
        }
    }
    return lost;
}

int DataFileWriter::unwrittenRowCount() const
{
    int count = 0;
    for (const Queued& q : m_queue)
        count += q.rows;
    return count;
}

QByteArray DataFileWriter::queuedRows(const QString& dataFileName) const
{
    for (const Queued& q : m_queue) {
        if (q.dataFileName == dataFileName)
            return q.bytes;
    }
    return {};
}

qint64 DataFileWriter::writtenSize(const QString& dataFileName) const
{
    if (const auto it = m_written.constFind(dataFileName); it != m_written.cend())
        return it->size;
    const QFileInfo file(localPath(dataFileName, m_workingDir));
    return file.isFile() && !file.isSymLink() ? file.size() : 0;
}

QByteArray DataFileWriter::lastRowWritten(const QString& dataFileName) const
{
    return m_written.value(dataFileName).lastRow;
}

QStringList DataFileWriter::queuedFileNames() const
{
    QStringList names;
    for (const Queued& q : m_queue)
        names.append(q.dataFileName);
    return names;
}

void DataFileWriter::enqueue(const QString& dataFileName, const QByteArray& bytes, int rows)
{
    // One entry per file keeps that file's rows in order and gives it one write.
    for (Queued& q : m_queue) {
        if (q.dataFileName == dataFileName) {
            q.bytes += bytes;
            q.rows += rows;
            return;
        }
    }
    m_queue.append({dataFileName, bytes, rows});
}

DataFileWriter::Result DataFileWriter::flush()
{
    Result result;
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        const QString path = localPath(it->dataFileName, m_workingDir);
        qint64 sizeBefore = -1;
        const Outcome outcome = appendDurably(path, it->bytes, sizeBefore);
        if (sizeBefore >= 0) {
            Written& written = m_written[it->dataFileName];
            if (outcome.ok) {
                written = {sizeBefore + it->bytes.size(), lastRowOf(it->bytes)};
            } else if (written.size != sizeBefore) {
                // Someone else changed the file: its last row is not ours to know.
                written = {sizeBefore, {}};
            }
        }
        if (outcome.ok) {
            it = m_queue.erase(it);
            continue;
        }
        // A file that cannot be written (say, held open by a spreadsheet)
        // must not hold back another measurement's file.
        if (result.ok) {
            result.ok = false;
            result.path = path;
            result.reason = outcome.reason;
        }
        ++it;
    }
    result.unwrittenRows = unwrittenRowCount();
    return result;
}
