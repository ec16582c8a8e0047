#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>

// The data file name as stored files have always held it, "DATA\QMK" +
// "yy_m_d_hhmmss" + ".csv", whatever the system's path separator.
QString dataFileNameFor(const QDateTime& firstReading);

// The same name with "_2", "_3", ... before ".csv" when the plain name already
// exists below `workingDir` (as a data file or a pending-row sidecar) or is
// one of `heldNames`, the names rows still wait to be written to, so that no
// file is ever overwritten and no two measurements share one.
QString freeDataFileName(const QDateTime& firstReading, const QDir& workingDir,
                         const QStringList& heldNames = {});

// Whether `fileName` (a name alone, without folder) is one this program gives
// a data file: "QMK" + "yy_m_d_hhmmss" + optional "_2", "_3", ... + ".csv",
// with a real month, day and time of day.
bool isDataFileName(QStringView fileName);

// Where the file lies on this system: "DATA\QMK…csv" -> "<workingDir>/DATA/QMK…csv".
QString localPath(const QString& dataFileName, const QDir& workingDir);
