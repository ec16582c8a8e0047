#include "datafile/DataFileName.h"
#include "datafile/DataFileReader.h"

#include <QDateTime>
#include <QFileInfo>

#include <tuple>

namespace
{

struct Candidate {
    QDateTime time; // from the name, else the modification time
    int suffix = 1; // "_2" gives 2; none is the first file of that second
    QDateTime modified;
    QString name;
    QString path;

    auto key() const { return std::tie(time, suffix, modified, name); }
};

// Two-digit years: the latest year that is not after next year, so that a
// file of 1998 does not count as one of 2098.
int fullYear(int yy)
{
    const int nextYear = QDate::currentDate().year() + 1;
    int year = nextYear - (nextYear % 100) + yy;
    if (year > nextYear)
        year -= 100;
    return year;
}

Candidate candidateOf(const QFileInfo& info)
{
    Candidate c;
    c.name = info.fileName();
    c.path = info.absoluteFilePath();
    c.modified = info.lastModified();
    c.time = c.modified;
    const std::optional<DataFileNameParts> parts = dataFileNameParts(c.name, Qt::CaseInsensitive);
    if (!parts)
        return c;
    const QDateTime named(QDate(fullYear(parts->year), parts->month, parts->day),
                          QTime(parts->hour, parts->minute, parts->second));
    if (!named.isValid())
        return c;
    c.time = named;
    c.suffix = parts->suffix;
    return c;
}

} // namespace

QString newestDataFile(const QDir& folder)
{
    const QFileInfoList files =
        folder.entryInfoList({QStringLiteral("QMK*.csv")}, QDir::Files | QDir::Readable);
    std::optional<Candidate> newest;
    for (const QFileInfo& info : files) {
        if (dataFileRole(info.fileName()) == DataFileRole::Recovery)
            continue;
        // Only a regular file is a data file: a link to a device or a pipe
        // with a newer name must not take the place of the measurement.
        if (!info.isFile())
            continue;
        Candidate c = candidateOf(info);
        if (!newest || newest->key() < c.key())
            newest = std::move(c);
    }
    return newest ? newest->path : QString();
}
