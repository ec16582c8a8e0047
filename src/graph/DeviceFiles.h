#pragma once

#include <QString>

#include <functional>

// Where the companion's files come from and go to. On a desktop they are the
// system's own: a saved file stays where the user chose it, and a data file
// is opened where it lies. A page's files live inside the browser, out of
// the user's reach: there a saved file leaves the page as a download, and a
// data file is picked on the device and read into the page.
namespace DeviceFiles
{

// The folder the save dialogs start in; empty where the user's last choice
// is to be kept (a desktop).
QString saveFolder();

// After a file was written at `path`: in a page, handed to the browser's
// download under its name and removed from the page. Nothing on a desktop.
void handOut(const QString& path);

// In a page: asks the device for a data file and, once one is picked, calls
// `opened` with the page's copy; true. On a desktop false: the caller asks
// with its own dialog.
bool pickFromDevice(const QString& filter, const std::function<void(const QString&)>& opened);

} // namespace DeviceFiles
