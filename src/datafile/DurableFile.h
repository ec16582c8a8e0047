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

// Removes the file and makes the removal durable. A missing file is no error.
Outcome remove(const QString& path);

} // namespace DurableFile
