#include "datafile/DataFileReader.h"

#include "datafile/LineReader.h"
#include "datafile/PendingSidecar.h"
#include "datafile/ReadOnlyFile.h"

#include <QFileInfo>

#include <utility>

namespace
{

constexpr qint64 ChunkBytes = 1 << 20;
// Enough to hold the header row, whose file name and date differ from file
// to file, so that a file written anew under the same name is noticed.
constexpr qint64 HeadBytes = 256;

} // namespace

DataFileFollower::DataFileFollower(QString path) : m_path(std::move(path)) {}

DataFileFollower::Update DataFileFollower::poll()
{
    Update update;
    ReadOnlyFile file(m_path);
    if (!file.isOpen()) {
        update.missing = true;
        m_lost = true;
        m_pending.reset();
        m_sidecarPresent = false;
        return update;
    }

    const Identity identity{file.device(), file.fileId()};
    const QByteArray head = file.read(0, qMin(HeadBytes, file.size()));
    const qsizetype common = qMin(head.size(), m_head.size());
    const bool replaced =
        m_identity && (m_lost || *m_identity != identity || file.size() < m_offset ||
                       head.first(common) != m_head.first(common));
    if (replaced) {
        restart();
        update.restarted = true;
    }
    m_lost = false;
    m_identity = identity;
    if (head.size() > m_head.size())
        m_head = head;

    // Up to the size seen on opening; what is appended meanwhile comes next time.
    const qint64 size = file.size();
    while (m_offset < size) {
        const QByteArray chunk = file.read(m_offset, qMin(ChunkBytes, size - m_offset));
        if (chunk.isEmpty())
            break;
        m_offset += chunk.size();
        update.rows += m_parser.feed(chunk);
    }

    readPending();
    if (const std::optional<int> end = endSubjectLine()) {
        for (qsizetype i = update.rows.size() - 1; i >= 0 && update.rows[i].line >= *end; --i) {
            if (update.rows[i].line == *end)
                update.rows[i].kind = RowKind::EndSubject;
        }
    }
    return update;
}

void DataFileFollower::restart()
{
    m_parser = DataFileParser();
    m_offset = 0;
    m_head.clear();
    m_pending.reset();
}

void DataFileFollower::readPending()
{
    m_pending.reset();
    const QString sidecarPath = pendingSidecarPath(m_path);
    ReadOnlyFile sidecar(sidecarPath);
    m_sidecarPresent = sidecar.isOpen() || QFileInfo::exists(sidecarPath);
    if (!sidecar.isOpen() || sidecar.size() > MaxLineBytes + 2)
        return;
    const QByteArray bytes = sidecar.read(0, sidecar.size());
    // One whole row: anything else is a sidecar caught half written.
    if (!bytes.endsWith("\r\n") || bytes.indexOf('\n') != bytes.size() - 1)
        return;
    const QByteArrayView line = QByteArrayView(bytes).chopped(2);

    // Already in the data file: the main program wrote the file and has not
    // replaced the sidecar yet, or (at the end) not yet removed it.
    if (line == QByteArrayView(m_parser.lastLine()))
        return;
    if (m_parser.possibleEndSubjectLine() == m_parser.linesRead() &&
        line == QByteArrayView(m_parser.lineBeforeLast())) {
        // Only the end writes a subject row together with the reading the
        // sidecar holds: the measurement is over, whatever the sidecar says.
        m_sidecarPresent = false;
        return;
    }

    const LineResult result = readLine(line, {m_parser.linesRead() + 1, false, false});
    if (result.row &&
        (result.row->kind == RowKind::Data || result.row->kind == RowKind::ChangedSubject))
        m_pending = result.row;
}

std::optional<ReadRow> DataFileFollower::pendingReading() const
{
    return m_pending;
}

std::optional<int> DataFileFollower::endSubjectLine() const
{
    if (const std::optional<int> end = m_parser.endSubjectLine())
        return end;
    return m_sidecarPresent ? std::nullopt : m_parser.possibleEndSubjectLine();
}

const DataFileParser& DataFileFollower::parser() const
{
    return m_parser;
}

const QString& DataFileFollower::path() const
{
    return m_path;
}
