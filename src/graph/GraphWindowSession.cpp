#include "graph/GraphWindow.h"

#include "graph/DeviceFiles.h"
#include "graph/GraphSettings.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

// What the window remembers between starts: the files opened last, its size
// and place, and the fit chosen.

namespace
{

constexpr int RecentFiles = 8;
const QString RecentKey = QStringLiteral("recentFiles");
const QString GeometryKey = QStringLiteral("window/geometry");
const QString FitKey = QStringLiteral("fit/choice");

} // namespace

void GraphWindow::restoreSession()
{
    QSettings settings = graphSettings();
    // Beside the main window on a 1366 × 768 laptop screen.
    if (!restoreGeometry(settings.value(GeometryKey).toByteArray()))
        resize(900, 680);
    const int fit = settings.value(FitKey, 0).toInt();
    if (fit > 0 && fit < m_fitChooser->count())
        m_fitChooser->setCurrentIndex(fit);
    // Only a choice the user made is kept, never one the command line made.
    connect(m_fitChooser, &QComboBox::activated, this,
            [](int index) { graphSettings().setValue(FitKey, index); });
}

void GraphWindow::closeEvent(QCloseEvent* event)
{
    graphSettings().setValue(GeometryKey, saveGeometry());
    QMainWindow::closeEvent(event);
}

void GraphWindow::rememberRecent(const QString& path)
{
    QSettings settings = graphSettings();
    QStringList recent = settings.value(RecentKey).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    settings.setValue(RecentKey, recent.mid(0, RecentFiles));
    rebuildRecentMenu();
}

void GraphWindow::rebuildRecentMenu()
{
    m_recentMenu->clear();
    const QStringList recent = graphSettings().value(RecentKey).toStringList();
    for (const QString& path : recent) {
        m_recentMenu->addAction(QDir::toNativeSeparators(path), this,
                                [this, path] { followFile(path); });
    }
    m_recentMenu->setEnabled(!recent.isEmpty());
}

void GraphWindow::openFileDialog()
{
    const QString filter = QStringLiteral("データファイル (*.csv);;すべてのファイル (*)");
    if (DeviceFiles::pickFromDevice(filter, [this](const QString& path) { followFile(path); }))
        return;
    const QString start = m_follower ? QFileInfo(m_follower->path()).absolutePath() : QString();
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("データファイルを開く"), start, filter);
    if (!path.isEmpty())
        followFile(path);
}
