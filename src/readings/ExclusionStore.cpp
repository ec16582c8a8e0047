#include "readings/ExclusionStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace
{

constexpr int KeptDays = 365;
const QString Suffix = QStringLiteral(".json");

// A link and the file it points to are one file; a file not there (yet)
// has only its absolute path.
QString canonicalPath(const QString& dataPath)
{
    const QFileInfo info(dataPath);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

QJsonObject readEntry(const QString& file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(f.readAll()).object();
}

void fail(QString* error, const QString& file, const QString& reason)
{
    if (error)
        *error = QStringLiteral("%1（%2）").arg(QDir::toNativeSeparators(file), reason);
}

} // namespace

ExclusionStore::ExclusionStore(QString folder, Clock now)
    : m_folder(std::move(folder)), m_now(std::move(now))
{
    if (!m_now)
        m_now = [] { return QDateTime::currentDateTimeUtc(); };
}

QString ExclusionStore::defaultSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/exclusions");
}

QString ExclusionStore::entryPath(const QString& dataPath) const
{
    const QByteArray path = canonicalPath(dataPath).toUtf8();
    return m_folder + u'/' +
           QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex()) +
           Suffix;
}

QSet<int> ExclusionStore::load(const QString& dataPath, const QByteArray& identity) const
{
    if (!QFileInfo::exists(entryPath(dataPath)))
        return loadEarlier(dataPath, identity);
    const QJsonObject entry = readEntry(entryPath(dataPath));
    if (identity.isEmpty() ||
        entry.value(QStringLiteral("identity")).toString().toLatin1() != identity)
        return {};
    QSet<int> readings;
    for (const QJsonValue& number : entry.value(QStringLiteral("readings")).toArray()) {
        const int n = number.toInt(-1);
        if (n >= 0)
            readings.insert(n);
    }
    return readings;
}

bool ExclusionStore::save(const QString& dataPath, const QByteArray& identity,
                          const QSet<int>& readings, QString* error)
{
    if (readings.isEmpty() || identity.isEmpty())
        return clear(dataPath, error);
    QList<int> sorted(readings.begin(), readings.end());
    std::sort(sorted.begin(), sorted.end());
    QJsonArray numbers;
    for (const int n : sorted)
        numbers.append(n);
    // The path in plain text, for pruning and for a person who opens the file.
    const QJsonObject entry{{QStringLiteral("path"), canonicalPath(dataPath)},
                            {QStringLiteral("identity"), QString::fromLatin1(identity)},
                            {QStringLiteral("readings"), numbers}};
    const QString file = entryPath(dataPath);
    if (!QDir().mkpath(m_folder)) {
        fail(error, file, QStringLiteral("フォルダーを作れません"));
        return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(QJsonDocument(entry).toJson(QJsonDocument::Compact)) < 0 || !out.commit()) {
        fail(error, file, out.errorString());
        return false;
    }
    // The time of saving is the file's own, so that pruning needs no more than its listing.
    QFile saved(file);
    if (saved.open(QIODevice::ReadWrite))
        saved.setFileTime(m_now(), QFileDevice::FileModificationTime);
    return true;
}

bool ExclusionStore::clear(const QString& dataPath, QString* error)
{
    // Or the choice of an earlier version would come back at the next start.
    if (QFileInfo::exists(earlierSettingsPath()))
        QSettings(earlierSettingsPath(), QSettings::IniFormat).remove(earlierKey(dataPath));
    const QString file = entryPath(dataPath);
    QFile entry(file);
    if (!entry.exists() || entry.remove())
        return true;
    fail(error, file, entry.errorString());
    return false;
}

QString ExclusionStore::earlierSettingsPath() const
{
    return m_folder + QStringLiteral(".ini");
}

QString ExclusionStore::earlierKey(const QString& dataPath)
{
    // As earlier versions named an entry: QSettings reads "/" in a key as groups.
    const QByteArray path = QFileInfo(dataPath).absoluteFilePath().toUtf8();
    return QStringLiteral("file_") +
           QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex());
}

QSet<int> ExclusionStore::loadEarlier(const QString& dataPath, const QByteArray& identity) const
{
    if (identity.isEmpty() || !QFileInfo::exists(earlierSettingsPath()))
        return {};
    const QSettings settings(earlierSettingsPath(), QSettings::IniFormat);
    const QString key = earlierKey(dataPath);
    if (settings.value(key + QStringLiteral("/identity")).toByteArray() != identity)
        return {};
    QSet<int> readings;
    for (const QString& number : settings.value(key + QStringLiteral("/readings")).toStringList()) {
        bool ok = false;
        const int n = number.toInt(&ok);
        if (ok && n >= 0)
            readings.insert(n);
    }
    return readings;
}

int ExclusionStore::prune() const
{
    const QDateTime now = m_now();
    // A look at every entry's time costs a start some 150 ms at 10 000
    // entries: once a day is enough to drop them within a year and a day.
    const QString stamp = m_folder + QStringLiteral("/pruned");
    if (QFileInfo(stamp).lastModified() > now.addDays(-1))
        return 0;
    const QDateTime oldest = now.addDays(-KeptDays);
    int dropped = 0;
    QDirIterator it(m_folder, {u'*' + Suffix}, QDir::Files);
    while (it.hasNext()) {
        const QFileInfo info = it.nextFileInfo();
        if (info.lastModified() >= oldest)
            continue;
        const QString path = readEntry(info.filePath()).value(QStringLiteral("path")).toString();
        if (!path.isEmpty() && !QFileInfo::exists(path) && QFile::remove(info.filePath()))
            ++dropped;
    }
    QFile done(stamp);
    if (done.open(QIODevice::WriteOnly))
        done.setFileTime(now, QFileDevice::FileModificationTime);
    return dropped;
}

QByteArray measurementIdentity(const QList<ReadRow>& rows)
{
    const ReadRow* header = nullptr;
    const ReadRow* subject = nullptr;
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::Header && !header)
            header = &row;
        else if (row.kind == RowKind::Subject && !subject)
            subject = &row;
        if (header && subject)
            break;
    }
    if (!header || !subject)
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    // A separator no field holds, so that moving text between fields changes the hash.
    for (const ReadRow* row : {header, subject}) {
        for (const QString& text : row->texts) {
            hash.addData(text.toUtf8());
            hash.addData(QByteArrayView("\x1f", 1));
        }
        hash.addData(QByteArrayView("\x1e", 1));
    }
    return hash.result().toHex();
}
