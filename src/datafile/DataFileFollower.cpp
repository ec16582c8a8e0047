#include "datafile/DataFileReader.h"

#include "datafile/LineReader.h"
#include "datafile/NativePath.h"
#include "datafile/PendingSidecar.h"
#include "datafile/ReadOnlyFile.h"

#include <chrono>
#include <utility>

namespace
{

constexpr qint64 ChunkBytes = 1 << 20;
// Enough to hold the header row, whose file name and date differ from file
// to file, so that a file written anew under the same name is noticed.
constexpr qint64 HeadBytes = 256;
// The bytes before the read offset compared at each poll: a file cut and
// grown again between two polls differs there, wherever the cut was, unless
// the new rows are the old ones byte for byte (and then nothing is wrong).
constexpr qint64 TailBytes = 4096;

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

DataFileFollower::DataFileFollower(QString path, std::function<qint64()> nowMs)
    : m_path(std::move(path)), m_nowMs(nowMs ? std::move(nowMs) : steadyMs)
{
}

DataFileFollower::Update DataFileFollower::poll(qint64 maxBytes)
{
    Update update;
    ReadOnlyFile file(m_path);
    if (!file.isOpen()) {
        update.missing = file.missing();
        if (!update.missing)
            update.openError = file.errorString();
        m_lost = true;
        m_pending.clear();
        m_sidecarPresent = m_sidecarBehind = false;
        return update;
    }

    const Identity identity{file.device(), file.fileId()};
    const qint64 size = file.size();
    const QByteArray head = file.read(0, qMin(HeadBytes, size));
    const qsizetype common = qMin(head.size(), m_head.size());
    const bool grew = size > m_offset;
    bool replaced =
        m_identity && (m_lost || *m_identity != identity || size < m_offset ||
                       head.first(common) != m_head.first(common) || (m_lineFinished && grew));
    if (!replaced && !m_tail.isEmpty())
        replaced = file.read(m_offset - m_tail.size(), m_tail.size()) != m_tail;
    if (replaced) {
        restart();
        update.restarted = true;
    }
    m_lost = false;
    m_identity = identity;
    if (head.size() > m_head.size())
        m_head = head;

    // Up to the size seen on opening; what is appended meanwhile comes next time.
    const qint64 start = m_offset;
    const qint64 end = size - m_offset > maxBytes ? m_offset + maxBytes : size;
    while (m_offset < end) {
        const QByteArray chunk = file.read(m_offset, qMin(ChunkBytes, end - m_offset));
        if (chunk.isEmpty())
            break;
        m_offset += chunk.size();
        update.rows += m_parser.feed(chunk);
    }
    const qint64 now = m_nowMs();
    if (m_offset != start || update.restarted) {
        m_grewAtMs = now;
        const qint64 tail = qMin(TailBytes, m_offset);
        m_tail = file.read(m_offset - tail, tail);
    }
    update.more = m_offset < size;
    if (m_parser.hasUnfinishedLine() && !update.more) {
        if (now - m_grewAtMs >= QuietMs) {
            update.rows += m_parser.finish();
            m_lineFinished = true;
        } else {
            update.lineWaiting = true;
        }
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
    m_tail.clear();
    m_lineFinished = false;
    m_pending.clear();
}

void DataFileFollower::readPending()
{
    m_pending.clear();
    m_sidecarBehind = false;
    const QString sidecarPath = pendingSidecarPath(m_path);
    ReadOnlyFile sidecar(sidecarPath);
    m_sidecarPresent = sidecar.isOpen() || NativePath::exists(sidecarPath);
    // Rows queued after failed writes come before the pending one; a few
    // thousand of them at most.
    if (!sidecar.isOpen() || sidecar.size() > 64 * (MaxLineBytes + 2))
        return;
    const QByteArray bytes = sidecar.read(0, sidecar.size());
    // Whole rows only: anything else is a sidecar caught half written.
    if (!bytes.endsWith("\r\n"))
        return;
    QList<QByteArrayView> lines;
    for (qsizetype from = 0; from < bytes.size();) {
        const qsizetype lf = bytes.indexOf('\n', from);
        const QByteArrayView line = QByteArrayView(bytes).sliced(from, lf - from);
        if (!line.endsWith('\r') || line.size() > MaxLineBytes + 1)
            return;
        lines.append(line.chopped(1));
        from = lf + 1;
    }

    // Rows already in the data file: the main program wrote the file and has
    // not replaced the sidecar yet, or (at the end) not yet removed it. They
    // end with the file's last line.
    const QByteArrayView last(m_parser.lastLine());
    const QByteArrayView beforeLast(m_parser.lineBeforeLast());
    qsizetype written = 0;
    for (qsizetype i = lines.size() - 1; i >= 0; --i) {
        if (lines[i] == last && (i == 0 || lines[i - 1] == beforeLast)) {
            written = i + 1;
            break;
        }
    }
    if (written == 0 && m_parser.possibleEndSubjectLine() == m_parser.linesRead() &&
        lines.back() == beforeLast) {
        // Only the end writes a subject row together with the reading the
        // sidecar holds: the measurement is over, whatever the sidecar says.
        m_sidecarPresent = false;
        return;
    }

    QList<ReadRow> rows;
    for (qsizetype i = written; i < lines.size(); ++i) {
        const int number = m_parser.linesRead() + 1 + int(i - written);
        const LineResult result = readLine(lines[i], {number, false, false, false});
        if (!result.row ||
            (result.row->kind != RowKind::Data && result.row->kind != RowKind::ChangedSubject))
            return;
        rows.append(*result.row);
    }
    m_pending = std::move(rows);
    m_sidecarBehind = m_pending.isEmpty();
}

std::optional<ReadRow> DataFileFollower::pendingReading() const
{
    if (m_pending.isEmpty())
        return std::nullopt;
    return m_pending.back();
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
