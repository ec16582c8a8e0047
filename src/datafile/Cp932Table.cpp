#include "datafile/Cp932Table.h"

#include <algorithm>

namespace Cp932Table
{

namespace
{

constexpr char16_t None = 0xFFFF;
constexpr unsigned char FirstTrail = 0x40;
constexpr unsigned char LastTrail = 0xFC;

char16_t pairAt(unsigned char lead, unsigned char trail)
{
    const unsigned char row = Data::leadIndex[lead];
    if (row == 0xFF || trail < FirstTrail || trail > LastTrail)
        return None;
    return Data::pairs[row * (LastTrail - FirstTrail + 1) + (trail - FirstTrail)];
}

} // namespace

void appendEncoded(QStringView run, QByteArray& out)
{
    const char16_t* const begin = Data::encodedFrom;
    const char16_t* const end = Data::encodedFrom + Data::encodedCount;
    for (const QChar c : run) {
        const char16_t u = c.unicode();
        if (u < 0x80) {
            out.append(static_cast<char>(u));
            continue;
        }
        const char16_t* found = std::lower_bound(begin, end, u);
        if (found == end || *found != u) {
            out.append('?');
            continue;
        }
        const quint16 code = Data::encodedTo[found - begin];
        if (code >= 0x100)
            out.append(static_cast<char>(code >> 8));
        out.append(static_cast<char>(code & 0xFF));
    }
}

std::optional<QString> decode(QByteArrayView bytes, bool exact)
{
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c = Data::single[b];
        if (c == None && i + 1 < bytes.size()) {
            c = pairAt(b, static_cast<unsigned char>(bytes[i + 1]));
            if (c != None)
                ++i;
        }
        if (c == None) {
            if (exact)
                return std::nullopt;
            c = 0xFFFD;
        }
        out += QChar(c);
    }
    return out;
}

} // namespace Cp932Table
