#include "readings/ExclusionStore.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace
{

// QSettings reads "/" and "\" in a key as groups: the path goes in hashed.
QString entryKey(const QString& dataPath)
{
    const QByteArray path = QFileInfo(dataPath).absoluteFilePath().toUtf8();
    return QStringLiteral("file_") +
           QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex());
}

} // namespace

ExclusionStore::ExclusionStore(QString settingsPath) : m_settingsPath(std::move(settingsPath)) {}

QString ExclusionStore::defaultSettingsPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/exclusions.ini");
}

QSet<int> ExclusionStore::load(const QString& dataPath, const QByteArray& identity) const
{
    const QSettings settings(m_settingsPath, QSettings::IniFormat);
    const QString key = entryKey(dataPath);
    if (identity.isEmpty() ||
        settings.value(key + QStringLiteral("/identity")).toByteArray() != identity)
        return {};
    QSet<int> readings;
    const QStringList numbers = settings.value(key + QStringLiteral("/readings")).toStringList();
    for (const QString& number : numbers) {
        bool ok = false;
        const int n = number.toInt(&ok);
        if (ok && n >= 0)
            readings.insert(n);
    }
    return readings;
}

void ExclusionStore::save(const QString& dataPath, const QByteArray& identity,
                          const QSet<int>& readings)
{
    if (readings.isEmpty() || identity.isEmpty()) {
        clear(dataPath);
        return;
    }
    QList<int> sorted(readings.begin(), readings.end());
    std::sort(sorted.begin(), sorted.end());
    QStringList numbers;
    for (const int n : sorted)
        numbers.append(QString::number(n));
    QSettings settings(m_settingsPath, QSettings::IniFormat);
    const QString key = entryKey(dataPath);
    // The path in plain text, for a person who opens the file to see what it holds.
    settings.setValue(key + QStringLiteral("/path"), QFileInfo(dataPath).absoluteFilePath());
    settings.setValue(key + QStringLiteral("/identity"), identity);
    settings.setValue(key + QStringLiteral("/readings"), numbers);
}

void ExclusionStore::clear(const QString& dataPath)
{
    QSettings settings(m_settingsPath, QSettings::IniFormat);
    settings.remove(entryKey(dataPath));
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
