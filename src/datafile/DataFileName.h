#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>

// The data file name as stored files have always held it, "DATA\QMK" +
// "yy_m_d_hhmmss" + ".csv", whatever the system's path separator.
QString dataFileNameFor(const QDateTime& firstReading);

// The same name with "_2", "_3", ... before ".csv" when the plain name already
// exists below `workingDir`, so that no file is ever overwritten.
QString freeDataFileName(const QDateTime& firstReading, const QDir& workingDir);

// Where the file lies on this system: "DATA\QMK…csv" -> "<workingDir>/DATA/QMK…csv".
QString localPath(const QString& dataFileName, const QDir& workingDir);
