#include "app/StartFolder.h"

#include <QDir>
#include <QStandardPaths>

#include <cstring>

namespace StartFolder
{

Outcome enterIfAsked(int& argc, char** argv)
{
    bool asked = false;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], DocumentsFlag) == 0)
            asked = true;
        else
            argv[kept++] = argv[i];
    }
    argv[kept] = nullptr;
    argc = kept;
    if (!asked)
        return Outcome::NotAsked;

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        return Outcome::Failed;
    const QString folder = QDir(documents).filePath(QStringLiteral("Quellmark"));
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder))
        return Outcome::Failed;
    return Outcome::Entered;
}

} // namespace StartFolder
