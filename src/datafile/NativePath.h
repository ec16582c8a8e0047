#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// File names as the system holds them. On Linux a name is any bytes: one that
// is not valid UTF-8 (a Latin-1 name from an old disk) keeps each stray byte
// as a lone surrogate U+DC80–U+DCFF, so that it opens again exactly. Windows
// names are UTF-16 already.
namespace NativePath
{

QByteArray encode(const QString& path);
QString decode(const QByteArray& native);

// Whether anything is at `path` (a broken link counts as nothing).
bool exists(const QString& path);

// The program's arguments, file names among them, in the form above. Needs
// the QCoreApplication on Windows.
QStringList arguments(int argc, char** argv);

} // namespace NativePath
