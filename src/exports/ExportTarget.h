#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// One kind of error for every export: a message in Japanese that names the
// target and, where the system gave one, its reason.
struct ExportError {
    QString message;
};

// Writes an export whole or not at all.
std::optional<ExportError> writeExport(const QString& target, const QStringList& protectedFiles,
                                       const std::function<QString(const QString& temporaryPath)>& write);
std::optional<ExportError> writeExportBytes(const QString& target, const QStringList& protectedFiles,
                                            const QByteArray& bytes);
