#pragma once

#include <QSettings>

// What the companion keeps between starts, in the user's configuration.
inline QSettings graphSettings()
{
    return QSettings(QStringLiteral("Quellmark"), QStringLiteral("quellmark-graph"));
}
