#include "datafile/PendingSidecar.h"

#include <charconv>

namespace
{

constexpr QByteArrayView AfterTag("#after ");
constexpr QByteArrayView CrLf("\r\n");

// One row ending in CR LF, and nothing else.
bool isOneRow(QByteArrayView bytes)
{
    return bytes.size() > 2 && bytes.indexOf(CrLf) == bytes.size() - 2;
}

} // namespace

QByteArray sidecarBytes(const QByteArray& rows, qint64 after, QByteArrayView lastRowOfFile)
{
    if (rows.isEmpty())
        return {};
    // The bare row tells whether it was written by the data file's last row:
    // that holds only while the file does not end with an equal one already.
    if (isOneRow(rows) && !lastRowOfFile.isEmpty() && QByteArrayView(rows) != lastRowOfFile)
        return rows;
    return AfterTag.toByteArray() + QByteArray::number(after) + CrLf.toByteArray() + rows;
}

std::optional<PendingSidecar> parseSidecar(QByteArrayView bytes)
{
    if (!bytes.startsWith(AfterTag))
        return isOneRow(bytes) ? std::optional(PendingSidecar{std::nullopt, bytes.toByteArray()})
                               : std::nullopt;
    const qsizetype lineEnd = bytes.indexOf(CrLf);
    if (lineEnd < 0)
        return std::nullopt;
    const QByteArrayView digits = bytes.first(lineEnd).sliced(AfterTag.size());
    qint64 after = 0;
    const char* end = digits.data() + digits.size();
    const auto [ptr, ec] = std::from_chars(digits.data(), end, after);
    const QByteArrayView rows = bytes.sliced(lineEnd + 2);
    if (digits.isEmpty() || ec != std::errc() || ptr != end || after < 0 || rows.isEmpty() ||
        !rows.endsWith(CrLf))
        return std::nullopt;
    return PendingSidecar{after, rows.toByteArray()};
}
