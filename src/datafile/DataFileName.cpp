#include "datafile/DataFileName.h"

#include "datafile/PendingSidecar.h"

#include <QFileInfo>

namespace
{

const QString Folder = QStringLiteral("DATA");
const QString Prefix = QStringLiteral("QMK");
const QString Extension = QStringLiteral(".csv");

QString twoDigits(int n)
{
    return QString::number(n).rightJustified(2, u'0');
}

// "yy_m_d_hhmmss", built by hand so that no locale can change a digit.
QString stamp(const QDateTime& t)
{
    const QDate d = t.date();
    const QTime tm = t.time();
    return twoDigits(d.year() % 100) + u'_' + QString::number(d.month()) + u'_' +
           QString::number(d.day()) + u'_' + twoDigits(tm.hour()) + twoDigits(tm.minute()) +
           twoDigits(tm.second());
}

// A dangling link still names a file: writing through it would land elsewhere.
bool onDisk(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// A number of `minDigits` to `maxDigits` digits, no leading zero when its width
// may vary, read from `text` at `pos`; -1 when there is none.
int numberAt(QStringView text, qsizetype& pos, int minDigits, int maxDigits)
{
    const qsizetype start = pos;
    int value = 0;
    while (pos < text.size() && pos - start < maxDigits && text[pos] >= u'0' && text[pos] <= u'9')
        value = value * 10 + (text[pos++].unicode() - u'0');
    const qsizetype digits = pos - start;
    if (digits < minDigits || (minDigits != maxDigits && digits > 1 && text[start] == u'0'))
        return -1;
    return value;
}

bool skip(QStringView text, qsizetype& pos, QStringView expected,
          Qt::CaseSensitivity cs = Qt::CaseSensitive)
{
    if (!text.sliced(pos).startsWith(expected, cs))
        return false;
    pos += expected.size();
    return true;
}

} // namespace

QString dataFileNameFor(const QDateTime& firstReading)
{
    return Folder + u'\\' + Prefix + stamp(firstReading) + Extension;
}

QString freeDataFileName(const QDateTime& firstReading, const QDir& workingDir,
                         const QStringList& heldNames)
{
    // A sidecar left for the next start still belongs to its data file, even
    // when that file itself is gone.
    const auto taken = [&](const QString& name) {
        const QString path = localPath(name, workingDir);
        return heldNames.contains(name, Qt::CaseInsensitive) || onDisk(path) ||
               onDisk(pendingSidecarPath(path));
    };
    const QString base = Folder + u'\\' + Prefix + stamp(firstReading);
    QString name = base + Extension;
    for (int n = 2; taken(name); ++n)
        name = base + u'_' + QString::number(n) + Extension;
    return name;
}

QString localPath(const QString& dataFileName, const QDir& workingDir)
{
    QString relative = dataFileName;
    relative.replace(u'\\', u'/');
    return QDir::toNativeSeparators(QDir::cleanPath(workingDir.absoluteFilePath(relative)));
}

std::optional<DataFileNameParts> dataFileNameParts(QStringView fileName, Qt::CaseSensitivity cs)
{
    qsizetype pos = 0;
    DataFileNameParts parts;
    if (!skip(fileName, pos, Prefix, cs))
        return std::nullopt;
    parts.year = numberAt(fileName, pos, 2, 2);
    if (parts.year < 0 || !skip(fileName, pos, u"_"))
        return std::nullopt;
    parts.month = numberAt(fileName, pos, 1, 2);
    if (parts.month < 1 || parts.month > 12 || !skip(fileName, pos, u"_"))
        return std::nullopt;
    parts.day = numberAt(fileName, pos, 1, 2);
    if (parts.day < 1 || parts.day > 31 || !skip(fileName, pos, u"_"))
        return std::nullopt;
    parts.hour = numberAt(fileName, pos, 2, 2);
    parts.minute = numberAt(fileName, pos, 2, 2);
    parts.second = numberAt(fileName, pos, 2, 2);
    if (parts.hour < 0 || parts.hour > 23 || parts.minute < 0 || parts.minute > 59 ||
        parts.second < 0 || parts.second > 59)
        return std::nullopt;
    if (skip(fileName, pos, u"_")) {
        parts.suffix = numberAt(fileName, pos, 1, 9);
        if (parts.suffix < 2)
            return std::nullopt;
    }
    if (fileName.sliced(pos).compare(Extension, cs) != 0)
        return std::nullopt;
    return parts;
}

bool isDataFileName(QStringView fileName)
{
    return dataFileNameParts(fileName).has_value();
}

DataFileRole dataFileRole(QStringView fileName)
{
    const QString sidecarEnd = pendingSidecarPath(QString());
    const QString recoveryEnd = QStringLiteral(".recovered") + Extension;
    // Names are compared without case: on Windows they are one file.
    if (dataFileNameParts(fileName, Qt::CaseInsensitive))
        return DataFileRole::DataFile;
    if (fileName.endsWith(sidecarEnd, Qt::CaseInsensitive) &&
        dataFileNameParts(fileName.chopped(sidecarEnd.size()), Qt::CaseInsensitive))
        return DataFileRole::Sidecar;
    if (fileName.endsWith(recoveryEnd, Qt::CaseInsensitive))
        return DataFileRole::Recovery;
    return DataFileRole::None;
}

QString recoveryFilePath(const QString& dataFilePath)
{
    QString recovery = dataFilePath;
    if (recovery.endsWith(Extension, Qt::CaseInsensitive))
        recovery.chop(Extension.size());
    return recovery + QStringLiteral(".recovered") + Extension;
}
