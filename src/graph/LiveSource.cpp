#include "graph/LiveSource.h"

#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QTimer>

#include <utility>

namespace
{

QTimer* timer(QObject* parent, int ms, bool singleShot)
{
    auto* t = new QTimer(parent);
    t->setInterval(ms);
    t->setSingleShot(singleShot);
    return t;
}

} // namespace

LiveSource::LiveSource(QObject* parent)
    : QObject(parent), m_watcher(new QFileSystemWatcher(this)), m_soon(timer(this, 0, true)),
      m_again(timer(this, 0, true)), m_fallback(timer(this, SafetyPollMs, false)),
      m_folderPoll(timer(this, FolderFallbackMs, false))
{
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, [this] {
        // A file replaced or deleted loses its watch; its successor is
        // watched once it opens.
        if (!m_watcher->files().contains(m_file))
            m_fileWatchTried = false;
        m_soon->start();
    });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
            &LiveSource::onDirectoryChanged);
    connect(m_soon, &QTimer::timeout, this, [this] {
        if (std::exchange(m_folderDirty, false))
            emit folderChanged(); // the file is read after the listing
        else
            emit fileChanged();
    });
    connect(m_again, &QTimer::timeout, this, &LiveSource::fileChanged);
    connect(m_fallback, &QTimer::timeout, this, [this] {
        if (!m_dirWatched && !m_fileDir.isEmpty() && QFileInfo::exists(m_fileDir))
            m_dirWatched = m_watcher->addPath(m_fileDir);
        updateFallback();
        emit fileChanged();
    });
    connect(m_folderPoll, &QTimer::timeout, this, [this] {
        if (QFileInfo::exists(m_folder) && m_watcher->addPath(m_folder))
            m_folderPoll->stop();
        emit folderChanged();
    });
    m_fallback->start();
}

void LiveSource::setFolder(const std::optional<QDir>& folder)
{
    if (!m_folder.isEmpty())
        m_watcher->removePath(m_folder);
    m_folder = folder ? folder->absolutePath() : QString();
    m_folderPoll->stop();
    if (m_folder.isEmpty())
        return;
    if (!QFileInfo::exists(m_folder) || !m_watcher->addPath(m_folder))
        m_folderPoll->start();
}

void LiveSource::setFile(const QString& path)
{
    if (!m_file.isEmpty() && m_watcher->files().contains(m_file))
        m_watcher->removePath(m_file);
    if (!m_fileDir.isEmpty() && m_fileDir != m_folder &&
        m_watcher->directories().contains(m_fileDir))
        m_watcher->removePath(m_fileDir);
    m_file = path;
    m_fileDir = path.isEmpty() ? QString() : QFileInfo(path).absolutePath();
    m_fileOpened = m_fileWatchTried = false;
    m_waiting.invalidate();
    m_dirWatched = m_fileDir.isEmpty() || m_watcher->directories().contains(m_fileDir) ||
                   (QFileInfo::exists(m_fileDir) && m_watcher->addPath(m_fileDir));
    updateFallback();
}

void LiveSource::fileOpened(bool opened)
{
    m_fileOpened = opened;
    if (opened && !m_fileWatchTried) {
        m_fileWatchTried = true;
        if (!m_watcher->files().contains(m_file))
            m_watcher->addPath(m_file);
    }
    updateFallback();
}

void LiveSource::pollAgainIn(int ms)
{
    if (!m_again->isActive() || m_again->remainingTime() > ms)
        m_again->start(ms);
}

bool LiveSource::waitForSidecar(bool behind)
{
    if (!behind) {
        m_waiting.invalidate();
        return false;
    }
    if (!m_waiting.isValid()) {
        m_waiting.start();
    } else if (m_waiting.elapsed() >= SidecarWaitMs) {
        m_waiting.invalidate();
        return false;
    }
    pollAgainIn(int(SidecarWaitMs - m_waiting.elapsed()) + 1);
    return true;
}

void LiveSource::onDirectoryChanged(const QString& path)
{
    // The file may have been made, replaced or deleted, its sidecar
    // replaced; in the followed folder, a new measurement may have begun.
    m_fileWatchTried = m_watcher->files().contains(m_file);
    if (path == m_folder)
        m_folderDirty = true;
    m_soon->start();
}

void LiveSource::updateFallback()
{
    const bool fileWatched = m_file.isEmpty() || m_watcher->files().contains(m_file);
    const bool fast = !m_dirWatched || (m_fileOpened && !fileWatched);
    const int interval = fast ? FastPollMs : SafetyPollMs;
    if (m_fallback->interval() != interval)
        m_fallback->start(interval);
}
