#include "datafile/DurableFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <system_error>

#ifdef Q_OS_WIN
#include <fcntl.h>
#include <io.h>
#include <qt_windows.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

#ifdef Q_OS_WASM
#include <emscripten.h>

// A page keeps its working folder in the browser's IndexedDB, which what was
// written reaches only when the page syncs its files. The sync takes a moment
// and cannot be awaited here: the page coalesces the requests and syncs once
// more when it is hidden (index.html).
// clang-format off: it takes the script for C++.
EM_JS(void, requestStorageSync, (), {
    if (globalThis.quellmarkSyncStorage)
        globalThis.quellmarkSyncStorage();
});
// clang-format on
#else
// The system's own flush is the whole of it.
inline void requestStorageSync() {}
#endif

namespace DurableFile
{

Outcome failure(int error)
{
    return {false, QString::fromLocal8Bit(std::generic_category().message(error))};
}

#ifdef Q_OS_WIN

int writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const int n = _write(fd, p, static_cast<unsigned>(std::min<qsizetype>(left, 1 << 30)));
        if (n <= 0)
            return n < 0 ? errno : EIO;
        p += n;
        left -= n;
    }
    return 0;
}

// The C runtime's _commit is the same call, but says nothing of it.
int flushToDisk(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
    if (handle == INVALID_HANDLE_VALUE)
        return EBADF;
    return FlushFileBuffers(handle) ? 0 : EIO;
}

#else

int flushToDisk(int fd)
{
    const int error = ::fsync(fd) == 0 ? 0 : errno;
    requestStorageSync();
    return error;
}

void syncFolderOf(const QByteArray& nativePath)
{
    const qsizetype slash = nativePath.lastIndexOf('/');
    const QByteArray folder = slash > 0 ? nativePath.left(slash) : QByteArray("/");
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    requestStorageSync();
}

int writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    std::size_t left = static_cast<std::size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return 0;
}

#endif

namespace
{

#ifdef Q_OS_WIN

const wchar_t* wide(const QString& path)
{
    return reinterpret_cast<const wchar_t*>(path.utf16());
}

int writeAndCommit(const QString& path, const QByteArray& bytes)
{
    int fd = -1;
    const errno_t openError =
        _wsopen_s(&fd, wide(path), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                  _SH_DENYWR, _S_IREAD | _S_IWRITE);
    if (openError != 0)
        return openError;
    int error = writeAll(fd, bytes);
    if (error == 0)
        error = flushToDisk(fd);
    if (_close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

Outcome windowsFailure()
{
    return {false, QString::fromLocal8Bit(std::system_category().message(int(GetLastError())))};
}

#else

#ifdef Q_OS_WASM

// Emscripten 3.1.6's in-memory file system leaves a file replaced by a
// rename findable by its name once the new one is removed: stat and open
// still see it. In a page nothing stops between the two calls, and its files
// reach the browser's storage only when synced, so the old file goes first.
int renameOver(const char* from, const char* to)
{
    ::unlink(to);
    return ::rename(from, to);
}

#else

int renameOver(const char* from, const char* to)
{
    return ::rename(from, to);
}

#endif

int writeAndSync(const QByteArray& native, const QByteArray& bytes)
{
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

#endif

} // namespace

#ifdef Q_OS_WIN

Outcome replace(const QString& path, const QString& tempPath, const QByteArray& bytes)
{
    if (const int error = writeAndCommit(tempPath, bytes); error != 0) {
        DeleteFileW(wide(tempPath));
        return failure(error);
    }
    if (!MoveFileExW(wide(tempPath), wide(path),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const Outcome outcome = windowsFailure();
        DeleteFileW(wide(tempPath));
        return outcome;
    }
    return {};
}

Outcome commit(const QString& tempPath, const QString& path)
{
    const HANDLE file = CreateFileW(wide(tempPath), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    Outcome outcome;
    if (file == INVALID_HANDLE_VALUE || !FlushFileBuffers(file))
        outcome = windowsFailure();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (outcome.ok && !MoveFileExW(wide(tempPath), wide(path),
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        outcome = windowsFailure();
    if (!outcome.ok)
        DeleteFileW(wide(tempPath));
    return outcome;
}

Outcome remove(const QString& path)
{
    if (DeleteFileW(wide(path)) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return {};
    return windowsFailure();
}

#else

Outcome replace(const QString& path, const QString& tempPath, const QByteArray& bytes)
{
    const QByteArray native = QFile::encodeName(path);
    const QByteArray nativeTemp = QFile::encodeName(tempPath);
    if (const int error = writeAndSync(nativeTemp, bytes); error != 0) {
        ::unlink(nativeTemp.constData());
        return failure(error);
    }
    if (renameOver(nativeTemp.constData(), native.constData()) != 0) {
        const int error = errno;
        ::unlink(nativeTemp.constData());
        return failure(error);
    }
    syncFolderOf(native);
    return {};
}

Outcome commit(const QString& tempPath, const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const QByteArray nativeTemp = QFile::encodeName(tempPath);
    int error = 0;
    const int fd = ::open(nativeTemp.constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        error = errno;
    else if (::fsync(fd) != 0)
        error = errno;
    if (fd >= 0 && ::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(nativeTemp.constData(), native.constData()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(nativeTemp.constData());
        return failure(error);
    }
    syncFolderOf(native);
    return {};
}

Outcome remove(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (::unlink(native.constData()) != 0)
        return errno == ENOENT ? Outcome{} : failure(errno);
    syncFolderOf(native);
    return {};
}

#endif

} // namespace DurableFile
