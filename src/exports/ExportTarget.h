#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Every export of the graph companion (figures, pages, workbooks, CSV) is
// saved through here, so that none can ever overwrite a measurement: not by
// its name, not through a link, not through a second name of the same file,
// and not by replacing a file that holds a measurement under another name.
// An export that fails leaves the previous file as it was.

// One kind of error for every export: a message in Japanese that names the
// target and, where the system gave one, its reason.
struct ExportError {
    QString message;
};

// Writes an export whole or not at all. `write` writes the complete export to
// the temporary path it is given (a file already created, empty, in the
// target's own folder) and returns an empty string on success or the reason
// it failed. `protectedFiles`: the data files the companion shows now; their
// sidecars and recovery files are kept safe with them.
std::optional<ExportError>
writeExport(const QString& target, const QStringList& protectedFiles,
            const std::function<QString(const QString& temporaryPath)>& write);

// Writes `bytes` to the file at `path` (the temporary path a writer is
// given), returning the system's reason when it cannot: a write cut short
// (a full disk) is retried once more, which then fails with that reason.
QString writeWholeFile(const QString& path, const QByteArray& bytes);

// The same for bytes already in memory.
std::optional<ExportError>
writeExportBytes(const QString& target, const QStringList& protectedFiles, const QByteArray& bytes);
