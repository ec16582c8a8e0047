#include "graph/DeviceFiles.h"

#include <QtGlobal>

#ifdef Q_OS_WASM

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

namespace
{

// Outside the stored working folder: what passes through here is not kept.
const QString SavedFolder = QStringLiteral("/saved");
const QString OpenedFolder = QStringLiteral("/opened");

} // namespace

namespace DeviceFiles
{

QString saveFolder()
{
    QDir().mkpath(SavedFolder);
    return SavedFolder;
}

void handOut(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray bytes = file.readAll();
    file.close();
    QFile::remove(path);
    QFileDialog::saveFileContent(bytes, QFileInfo(path).fileName());
}

bool pickFromDevice(const QString& filter, const std::function<void(const QString&)>& opened)
{
    QFileDialog::getOpenFileContent(
        filter, [opened](const QString& name, const QByteArray& content) {
            if (name.isEmpty())
                return; // nothing picked
            // The device's name without any folder it may carry, so that it
            // cannot lead out of the folder.
            QString base = QFileInfo(name).fileName();
            if (base.isEmpty() || base == u'.' || base == QStringLiteral(".."))
                base = QStringLiteral("opened.csv");
            QDir().mkpath(OpenedFolder);
            const QString path = OpenedFolder + u'/' + base;
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
                file.write(content) != content.size())
                return;
            file.close();
            opened(path);
        });
    return true;
}

} // namespace DeviceFiles

#else

namespace DeviceFiles
{

QString saveFolder()
{
    return {};
}

void handOut(const QString&) {}

bool pickFromDevice(const QString&, const std::function<void(const QString&)>&)
{
    return false;
}

} // namespace DeviceFiles

#endif
