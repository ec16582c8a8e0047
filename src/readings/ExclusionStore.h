#pragma once

#include "datafile/DataFileReader.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

// The readings a user left out of a data file, kept in a settings file of
// the companion's own so that the data file itself is never touched. Each
// entry is keyed by the data file's absolute path and by its first rows, so
// that another measurement later saved under the same path does not inherit
// the choice.
class ExclusionStore
{
public:
    // `settingsPath`: the INI file holding every entry.
    explicit ExclusionStore(QString settingsPath);
    // The one in the user's configuration folder.
    static QString defaultSettingsPath();

    // Nothing when the entry is missing or belongs to another measurement.
    QSet<int> load(const QString& dataPath, const QByteArray& identity) const;
    // An empty set removes the entry.
    void save(const QString& dataPath, const QByteArray& identity, const QSet<int>& readings);
    void clear(const QString& dataPath);

private:
    QString m_settingsPath;
};

// What tells one measurement from another at one path: a hash of its header
// row (file name and date) and its subject row, or empty before both are read.
QByteArray measurementIdentity(const QList<ReadRow>& rows);
