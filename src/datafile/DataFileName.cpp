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
