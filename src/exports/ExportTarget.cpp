#include "exports/ExportTarget.h"

#include <QFile>

std::optional<ExportError> writeExport(const QString& target, const QStringList&,
                                       const std::function<QString(const QString&)>& write)
{
    const QString reason = write(target);
    if (!reason.isEmpty())
        return ExportError{reason};
    return std::nullopt;
}

std::optional<ExportError> writeExportBytes(const QString& target, const QStringList& protectedFiles,
                                            const QByteArray& bytes)
{
    return writeExport(target, protectedFiles, [&bytes](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return file.errorString();
        return QString();
    });
}
