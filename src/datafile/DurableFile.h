#pragma once

#include <QByteArray>
#include <QString>

// File operations that reach stable storage before they return.
namespace DurableFile
{

struct Outcome {
    bool ok = true;
    QString reason; // the system's reason when !ok
};

// Writes `bytes` to `tempPath` (same folder as `path`), flushes it, renames it
// over `path` and flushes the folder: afterwards `path` holds either its old
// content or all of `bytes`, whenever the program or the machine stops.
Outcome replace(const QString& path, const QString& tempPath, const QByteArray& bytes);

// The same for a file some other writer has already written whole to
// `tempPath`: flushes it, renames it over `path` and flushes the folder. On
// failure `tempPath` is removed and `path` is as it was.
Outcome commit(const QString& tempPath, const QString& path);
// Removes the file and makes the removal durable. A missing file is no error.
Outcome remove(const QString& path);

// The pieces the data file's appends share with the above.
// A failed call's reason, in the system's words.
Outcome failure(int error);
// Writes all of `bytes` to the open descriptor: 0, or the errno of the failure.
int writeAll(int fd, const QByteArray& bytes);
// Makes what was written through the descriptor reach the disk (fsync,
// FlushFileBuffers): 0, or the errno of the failure.
int flushToDisk(int fd);
#ifndef Q_OS_WIN
// Makes a created, renamed or removed name in the file's folder durable.
void syncFolderOf(const QByteArray& nativePath);
#endif

} // namespace DurableFile
