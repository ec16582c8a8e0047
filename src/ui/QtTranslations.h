#pragma once

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

// Qt's own texts (the buttons of a message box, the file dialog) in Japanese,
// as the rest of the program. They come with Qt's translations where those
// are installed, beside the program in its Windows packages; without them
// Qt's texts stay English.
inline void installQtJapanese(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}
