#include "datafile/Cp932Decoder.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#elif defined(Q_OS_WASM)
#include "datafile/Cp932Table.h"
#else
#include "datafile/IconvHandle.h"
#include <cerrno>
#include <cstring>
#endif

namespace
{

// Not used by the browser's branch: its table reader has its own.
[[maybe_unused]] constexpr char16_t Replacement = 0xFFFD;

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

#ifdef Q_OS_WIN

bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrailByte(unsigned char b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

// One character at a time where the whole text is not valid, so that only the
// bad bytes become U+FFFD whatever the system's default character is.
std::optional<QString> convert(QByteArrayView bytes, bool exact)
{
    if (bytes.isEmpty())
        return QString();
    const auto wide = [](QByteArrayView part, QString& out) {
        const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, part.data(),
                                          static_cast<int>(part.size()), nullptr, 0);
        if (n <= 0)
            return false;
        const qsizetype start = out.size();
        out.resize(start + n);
        MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, part.data(), static_cast<int>(part.size()),
                            reinterpret_cast<wchar_t*>(out.data() + start), n);
        return true;
    };
    QString out;
    if (bytes.size() <= (1 << 30) && wide(bytes, out))
        return out;
    if (exact)
        return std::nullopt;
    out.clear();
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = isLeadByte(b) && i + 1 < bytes.size() &&
                                         isTrailByte(static_cast<unsigned char>(bytes[i + 1]))
                                     ? 2
                                     : 1;
        if (!wide(bytes.sliced(i, length), out))
            out += QChar(Replacement);
        i += length;
    }
    return out;
}

#elif defined(Q_OS_WASM)

// As the encoder's: the browser's C library has no code page 932.
std::optional<QString> convert(QByteArrayView bytes, bool exact)
{
    return Cp932Table::decode(bytes, exact);
}

#else

// Opened once per thread, as the encoder's: opening costs far more than
// converting a field.
class Converter
{
public:
    Converter() : m_cd(IconvHandle::Utf16, "CP932")
    {
        if (!valid())
            qWarning("iconv cannot convert from CP932; non-ASCII bytes are read as U+FFFD");
    }

    bool valid() const { return m_cd.valid(); }

    std::optional<QString> convert(QByteArrayView bytes, bool exact)
    {
        if (!valid()) {
            if (exact)
                return std::nullopt;
            QString out;
            for (const char c : bytes)
                out +=
                    static_cast<unsigned char>(c) < 0x80 ? QChar(char16_t(c)) : QChar(Replacement);
            return out;
        }
        iconv(m_cd.get(), nullptr, nullptr, nullptr, nullptr);
        // Never more characters than bytes.
        QString out(bytes.size(), Qt::Uninitialized);
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = static_cast<std::size_t>(bytes.size());
        char* const base = reinterpret_cast<char*>(out.data());
        char* dst = base;
        std::size_t dstLeft = static_cast<std::size_t>(bytes.size()) * 2;
        while (inLeft > 0) {
            if (iconv(m_cd.get(), &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
                break;
            if (exact)
                return std::nullopt;
            if (errno == E2BIG || dstLeft < 2)
                break; // cannot happen with one unit per byte; never loop on it
            // EILSEQ, or EINVAL for a lead byte at the very end: one U+FFFD
            // for the byte, then go on with the next one.
            const char16_t replacement = Replacement;
            std::memcpy(dst, &replacement, 2);
            dst += 2;
            dstLeft -= 2;
            ++in;
            --inLeft;
            iconv(m_cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
        out.truncate((dst - base) / 2);
        return out;
    }

private:
    IconvHandle m_cd;
};

std::optional<QString> convert(QByteArrayView bytes, bool exact)
{
    thread_local Converter converter;
    return converter.convert(bytes, exact);
}

#endif

} // namespace

namespace Cp932
{

QString decode(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    return convert(bytes, false).value_or(QString());
}

std::optional<QString> decodeExact(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());
    return convert(bytes, true);
}

} // namespace Cp932
