#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <optional>

// Code page 932 by table, for systems whose C library cannot convert it (a
// browser's). The tables are made at build time from the GNU C library's
// converter, so the bytes are those the Linux program writes and reads, and
// the conversions fail where iconv's do.
namespace Cp932Table
{

// Appends the bytes of `run`, which holds no surrogates: "?" for each
// character the code page lacks.
void appendEncoded(QStringView run, QByteArray& out);

// As iconv reads: U+FFFD for each byte that starts no character; nothing
// when `exact` and the bytes are not all code page text.
std::optional<QString> decode(QByteArrayView bytes, bool exact);

namespace Data
{
extern const char16_t single[256];         // 0xFFFF: no character by itself
extern const unsigned char leadIndex[256]; // row in `pairs`, 0xFF: no lead byte
extern const char16_t pairs[];             // per lead, trail bytes 40-FC
extern const std::size_t encodedCount;
extern const char16_t encodedFrom[]; // ascending
extern const quint16 encodedTo[];    // below 0x100: one byte
} // namespace Data

} // namespace Cp932Table
