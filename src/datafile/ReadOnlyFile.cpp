#include "datafile/ReadOnlyFile.h"

#include "datafile/NativePath.h"

#include <system_error>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace
{

#ifndef Q_OS_WIN
QString reasonOf(int error)
{
    return QString::fromLocal8Bit(std::generic_category().message(error));
}
#endif

const QString NotRegular = QStringLiteral("通常のファイルではありません");

} // namespace

#ifdef Q_OS_WIN

ReadOnlyFile::ReadOnlyFile(const QString& path)
{
    const HANDLE h = CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), GENERIC_READ,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        m_error = QString::fromLocal8Bit(std::system_category().message(int(error)));
        return;
    }
    m_handle = h;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        m_error = NotRegular;
        return;
    }
    m_size = (qint64(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    m_device = info.dwVolumeSerialNumber;
    m_fileId = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    m_open = true;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_handle)
        CloseHandle(static_cast<HANDLE>(m_handle));
}

QByteArray ReadOnlyFile::read(qint64 offset, qint64 count)
{
    QByteArray out;
    if (!m_open || count <= 0)
        return out;
    out.resize(count);
    qint64 done = 0;
    while (done < count) {
        OVERLAPPED at{};
        const qint64 from = offset + done;
        at.Offset = DWORD(from & 0xFFFFFFFF);
        at.OffsetHigh = DWORD(from >> 32);
        DWORD n = 0;
        const DWORD want = DWORD(qMin<qint64>(count - done, 1 << 30));
        if (!ReadFile(static_cast<HANDLE>(m_handle), out.data() + done, want, &n, &at) || n == 0)
            break;
        done += n;
    }
    out.resize(done);
    return out;
}

#else

ReadOnlyFile::ReadOnlyFile(const QString& path)
{
    const QByteArray native = NativePath::encode(path);
    // O_NONBLOCK: opening a pipe put in the file's place must not hang.
    m_fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0) {
        m_missing = errno == ENOENT || errno == ENOTDIR;
        m_error = reasonOf(errno);
        return;
    }
    struct stat st {
    };
    if (::fstat(m_fd, &st) != 0) {
        m_error = reasonOf(errno);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        m_error = NotRegular;
        return;
    }
    m_size = st.st_size;
    m_device = std::uint64_t(st.st_dev);
    m_fileId = std::uint64_t(st.st_ino);
    m_open = true;
}

ReadOnlyFile::~ReadOnlyFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray ReadOnlyFile::read(qint64 offset, qint64 count)
{
    QByteArray out;
    if (!m_open || count <= 0)
        return out;
    out.resize(count);
    qint64 done = 0;
    while (done < count) {
        const ssize_t n =
            ::pread(m_fd, out.data() + done, size_t(count - done), off_t(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    out.resize(done);
    return out;
}

#endif
