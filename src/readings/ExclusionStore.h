#pragma once

#include "datafile/DataFileReader.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>

// The readings a user left out of a data file, kept in a folder of the
// companion's own so that the data file itself is never touched. Each data
// file has a small file of its own there, named by a hash of its canonical
// path: a click rewrites that one file, however many are remembered, and a
// link to a data file finds the same entry. The entry also holds the file's
// first rows, so that another measurement later saved under the same path
// does not inherit the choice.
class ExclusionStore
{
public:
    using Clock = std::function<QDateTime()>;

    // `folder`: where the entries are kept; `now`: the system clock unless given.
    explicit ExclusionStore(QString folder, Clock now = {});
    // The one in the user's configuration folder.
    static QString defaultSettingsPath();

    // Nothing when the entry is missing or belongs to another measurement.
    QSet<int> load(const QString& dataPath, const QByteArray& identity) const;
    // An empty set removes the entry. On failure returns false and, when
    // given, the entry's file and the system's reason in `error`.
    bool save(const QString& dataPath, const QByteArray& identity, const QSet<int>& readings,
              QString* error = nullptr);
    bool clear(const QString& dataPath, QString* error = nullptr);
    // Drops the entries of data files that are gone and were last saved more
    // than a year ago; returns how many.
    int prune() const;

    QString entryPath(const QString& dataPath) const;

private:
    // Earlier versions kept every entry in one INI file beside the folder;
    // what they kept is still found there until it is changed here.
    QString earlierSettingsPath() const;
    static QString earlierKey(const QString& dataPath);
    QSet<int> loadEarlier(const QString& dataPath, const QByteArray& identity) const;

    QString m_folder;
    Clock m_now;
};

// What tells one measurement from another at one path: a hash of its header
// row (file name and date) and its subject row, or empty before both are read.
QByteArray measurementIdentity(const QList<ReadRow>& rows);
