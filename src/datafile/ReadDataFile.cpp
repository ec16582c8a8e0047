#include "datafile/DataFileReader.h"

#include "datafile/NativePath.h"
#include "datafile/PendingSidecar.h"
#include "datafile/ReadOnlyFile.h"

namespace
{

constexpr qint64 ChunkBytes = 1 << 20;

} // namespace

DataFileContents readDataFile(const QString& path, RowsKept kept)
{
    DataFileContents contents;
    ReadOnlyFile file(path);
    if (!file.isOpen()) {
        contents.openError = file.errorString();
        return contents;
    }
    contents.opened = true;

    // The file as it was when opened: a measurement still appending to it
    // adds nothing half-read.
    DataFileParser parser;
    const auto keep = [&](QList<ReadRow>&& rows) {
        if (kept == RowsKept::All) {
            contents.rows += std::move(rows);
            return;
        }
        for (ReadRow& row : rows) {
            if (row.kind == RowKind::Data)
                contents.rows.append(std::move(row));
        }
    };
    const qint64 size = file.size();
    for (qint64 offset = 0; offset < size;) {
        const QByteArray chunk = file.read(offset, qMin(ChunkBytes, size - offset));
        if (chunk.isEmpty()) {
            // A file cut short while read (a read error, a removable disk
            // pulled) must not pass for the whole file.
            contents.opened = false;
            contents.openError = QStringLiteral("%1 バイト目から先を読めません").arg(offset + 1);
            return contents;
        }
        offset += chunk.size();
        keep(parser.feed(chunk));
    }
    keep(parser.finish());

    std::optional<int> end = parser.endSubjectLine();
    if (!end && !NativePath::exists(pendingSidecarPath(path)))
        end = parser.possibleEndSubjectLine();
    if (end) {
        for (qsizetype i = contents.rows.size() - 1; i >= 0; --i) {
            if (contents.rows[i].line == *end) {
                contents.rows[i].kind = RowKind::EndSubject;
                break;
            }
        }
    }

    contents.firstProblem = parser.firstProblem();
    contents.unreadLines = parser.unreadLines();
    contents.lines = parser.linesRead();
    contents.valueTitle = parser.valueTitle();
    contents.subjectLines = parser.initialSubjectLines();
    contents.looksLikeDataFile = parser.looksLikeDataFile();
    return contents;
}
