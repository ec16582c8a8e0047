#pragma once

#include <QDateTime>
#include <QDir>
#include <QString>

#include <optional>

// The data file name as stored files have always held it, "DATA\QMK" +
// "yy_m_d_hhmmss" + ".csv", whatever the system's path separator.
QString dataFileNameFor(const QDateTime& firstReading);

// The same name with "_2", "_3", ... before ".csv" when the plain name already
// exists below `workingDir` (as a data file or a pending-row sidecar) or is
// one of `heldNames`, the names rows still wait to be written to, so that no
// file is ever overwritten and no two measurements share one.
QString freeDataFileName(const QDateTime& firstReading, const QDir& workingDir,
                         const QStringList& heldNames = {});

// What a data file's name says: "QMK" + "yy_m_d_hhmmss" + optional "_2",
// "_3", ... + ".csv", with a real month, day and time of day.
struct DataFileNameParts {
    int year = 0; // two digits
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int suffix = 1; // "_2" gives 2; none is the first file of that second
};
// The parts of `fileName` (a name alone, without folder), or nothing when it
// is not a name this program gives a data file.
std::optional<DataFileNameParts> dataFileNameParts(QStringView fileName,
                                                   Qt::CaseSensitivity cs = Qt::CaseSensitive);
bool isDataFileName(QStringView fileName);

// The files the main program keeps its measurement in, by name, whatever the
// case of the letters: the data file, its pending-row sidecar, and the file
// rows are recovered into when the data file cannot take them.
enum class DataFileRole { None, DataFile, Sidecar, Recovery };
DataFileRole dataFileRole(QStringView fileName);

// The recovery file beside a data file: "QMK….csv" -> "QMK….recovered.csv".
QString recoveryFilePath(const QString& dataFilePath);

// Where the file lies on this system: "DATA\QMK…csv" -> "<workingDir>/DATA/QMK…csv".
QString localPath(const QString& dataFileName, const QDir& workingDir);
