#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// Every row that has not reached its data file yet is also kept in a sidecar
// beside the data file, so that a crash cannot lose it: the pending reading
// (the last press, which reaches the data file only at the next event so that
// BackSpace can still mark it) and, after a failed write, the rows still
// queued before it. The rows are kept exactly as they will be appended, CP932
// with CR LF, in order.
//
// Usually the sidecar is that one pending row and nothing else, the form
// earlier versions always wrote and the graph companion reads. When it holds
// more than one row, or a row equal to the data file's last one (two
// identical Change clicks), its first line says how many bytes of the data
// file the rows follow ("#after 12345" CR LF): what the file holds past that
// point has been written, so equal text cannot be mistaken for a written row.
inline QString pendingSidecarPath(const QString& dataFilePath)
{
    return dataFilePath + QStringLiteral(".pending");
}

struct PendingSidecar {
    std::optional<qint64> after; // bytes of the data file the rows follow
    QByteArray rows;             // one or more rows, each ending in CR LF
};

// The sidecar's bytes for `rows` (empty: no sidecar) that follow the first
// `after` bytes of a data file whose last row is `lastRowOfFile` (CR LF
// included; empty when not known).
QByteArray sidecarBytes(const QByteArray& rows, qint64 after, QByteArrayView lastRowOfFile);

// A sidecar's bytes read back; nothing when they are in neither form.
std::optional<PendingSidecar> parseSidecar(QByteArrayView bytes);
