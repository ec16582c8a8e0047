#pragma once

#include <QDir>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <optional>

class QFileSystemWatcher;
class QTimer;

// Says when the followed data file, its sidecar or the followed folder may
// have changed: at once when the system's change notification tells, and by a
// slow poll besides, or a fast one for a file the system cannot watch. An
// idle window with thousands of files in its folder then costs nothing.
class LiveSource : public QObject
{
    Q_OBJECT
public:
    // The folder's watch failing (a network share) costs a listing this often.
    static constexpr int FolderFallbackMs = 1000;
    // A file that cannot be watched is read this often; one that can, this
    // often besides its notifications.
    static constexpr int FastPollMs = 25;
    static constexpr int SafetyPollMs = 1000;
    // A new row waits at most this long for the sidecar that follows it.
    static constexpr int SidecarWaitMs = 150;

    explicit LiveSource(QObject* parent = nullptr);

    void setFolder(const std::optional<QDir>& folder);
    // Empty: none. Watches the file and the folder it lies in, where the
    // sidecar is replaced.
    void setFile(const QString& path);
    // After each read: whether the file opened. Only a file that opens is
    // watched, so that the system is not asked (and Qt does not warn) again
    // and again about one that cannot be read.
    void fileOpened(bool opened);
    // Read the file again in `ms` whatever happens meanwhile.
    void pollAgainIn(int ms);

    // Whether a repaint is to wait for the sidecar: the data file has new rows
    // but the sidecar has not caught up yet (`behind`). Waits at most
    // SidecarWaitMs after the first call that said so.
    bool waitForSidecar(bool behind);

signals:
    void folderChanged();
    void fileChanged();

private:
    void onDirectoryChanged(const QString& path);
    void watchFileIfPossible();
    void updateFallback();

    QFileSystemWatcher* m_watcher;
    QTimer* m_soon;       // gathers a burst of notifications into one read
    QTimer* m_again;      // pollAgainIn
    QTimer* m_fallback;   // the file, when notifications may be missed
    QTimer* m_folderPoll; // the folder, when its watch failed
    QString m_folder;
    QString m_file;
    QString m_fileDir;
    bool m_fileOpened = false;
    bool m_fileWatchTried = false; // for the file as it is now
    bool m_dirWatched = false;
    bool m_folderDirty = false;
    QElapsedTimer m_waiting; // valid while a repaint waits for the sidecar
};
