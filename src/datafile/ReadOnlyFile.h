#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

// A regular file opened for reading only, shared so that the program writing
// it can go on appending, replacing and deleting it meanwhile. Never blocks on
// a pipe or a device: anything but a regular file fails to open.
class ReadOnlyFile
{
public:
    explicit ReadOnlyFile(const QString& path);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    bool isOpen() const { return m_open; }
    QString errorString() const { return m_error; } // why it did not open
    // It did not open because nothing is there (rather than something that
    // cannot be read).
    bool missing() const { return m_missing; }

    qint64 size() const { return m_size; } // as it was when opened
    // Which file this is, whatever its name: another file put in its place
    // has another identity.
    std::uint64_t device() const { return m_device; }
    std::uint64_t fileId() const { return m_fileId; }

    // Up to `count` bytes from `offset`; fewer at the end of the file or on an
    // error.
    QByteArray read(qint64 offset, qint64 count);

private:
    bool m_open = false;
    bool m_missing = false;
    QString m_error;
    qint64 m_size = 0;
    std::uint64_t m_device = 0;
    std::uint64_t m_fileId = 0;
#ifdef Q_OS_WIN
    void* m_handle = nullptr;
#else
    int m_fd = -1;
#endif
};
