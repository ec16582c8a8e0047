#pragma once

#include <QString>

// The pending reading (the last press, which reaches the data file only at the
// next event so that BackSpace can still mark it) is also kept in a sidecar
// beside the data file, so that a crash cannot lose it: one row, CP932, CR LF,
// exactly as it will be appended to the data file.
inline QString pendingSidecarPath(const QString& dataFilePath)
{
    return dataFilePath + QStringLiteral(".pending");
}
