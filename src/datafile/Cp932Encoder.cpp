#include "datafile/Cp932Encoder.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#elif defined(Q_OS_WASM)
#include "datafile/Cp932Table.h"
#else
#include "datafile/IconvHandle.h"
#include <cerrno>
#endif

namespace
{

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

#ifdef Q_OS_WIN

// The code page has no wave dash or minus sign of its own; Japanese Windows
// stores them as the full-width tilde and hyphen-minus, and so do we, rather
// than trusting the best-fit table of whatever system this runs on.
char16_t windowsForm(char16_t c)
{
    switch (c) {
    case 0x301C:
        return 0xFF5E; // WAVE DASH -> FULLWIDTH TILDE
    case 0x2212:
        return 0xFF0D; // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    case 0x2016:
        return 0x2225; // DOUBLE VERTICAL LINE -> PARALLEL TO
    case 0x2014:
        return 0x2015; // EM DASH -> HORIZONTAL BAR
    case 0x00A2:
        return 0xFFE0;
    case 0x00A3:
        return 0xFFE1;
    case 0x00AC:
        return 0xFFE2;
    default:
        return c;
    }
}

// `run` holds no surrogates, so every unmappable unit is one code point.
void appendRun(QStringView run, QByteArray& out)
{
    if (run.isEmpty())
        return;
    std::wstring wide(static_cast<std::size_t>(run.size()), L'\0');
    for (qsizetype i = 0; i < run.size(); ++i)
        wide[static_cast<std::size_t>(i)] = static_cast<wchar_t>(windowsForm(run[i].unicode()));
    const qsizetype start = out.size();
    out.resize(start + 2 * run.size());
    const int n =
        // Without WC_NO_BEST_FIT_CHARS Windows writes a look-alike (e for é)
        // where the code page has no character: a different text, not a
        // marked gap.
        WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                            out.data() + start, static_cast<int>(2 * run.size()), "?", nullptr);
    if (n > 0) {
        out.resize(start + n);
    } else {
        out.resize(start);
        out.append(run.size(), '?');
    }
}

#elif defined(Q_OS_WASM)

// The browser's C library has no code page 932, and its Shift_JIS lacks
// Microsoft's extensions: tables made from the Linux converter stand in.
void appendRun(QStringView run, QByteArray& out)
{
    Cp932Table::appendEncoded(run, out);
}

#else

// The conversion descriptor is opened once per thread: opening it costs far
// more than converting a row.
class Converter
{
public:
    Converter() : m_cd("CP932", IconvHandle::Utf16)
    {
        if (!valid())
            qWarning("iconv cannot convert to CP932; non-ASCII text is written as '?'");
    }

    bool valid() const { return m_cd.valid(); }

    // `run` holds no surrogates, so every unit iconv rejects is one code point.
    void appendRun(QStringView run, QByteArray& out)
    {
        if (run.isEmpty())
            return;
        if (!valid()) {
            out.append(run.size(), '?');
            return;
        }
        iconv(m_cd.get(), nullptr, nullptr, nullptr, nullptr);
        const qsizetype start = out.size();
        // Two bytes per unit is the most this code page ever needs.
        out.resize(start + 2 * run.size());
        char* in = const_cast<char*>(reinterpret_cast<const char*>(run.utf16()));
        std::size_t inLeft = static_cast<std::size_t>(run.size()) * 2;
        char* const base = out.data() + start;
        char* dst = base;
        std::size_t dstLeft = static_cast<std::size_t>(run.size()) * 2;
        while (inLeft > 0) {
            if (iconv(m_cd.get(), &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
                break;
            if (errno == E2BIG || dstLeft == 0)
                break; // cannot happen with two bytes per unit; never loop on it
            // EILSEQ (or EINVAL on a lone unit): one "?" for this character.
            *dst++ = '?';
            --dstLeft;
            in += 2;
            inLeft -= 2;
            iconv(m_cd.get(), nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(start + (dst - base));
    }

private:
    IconvHandle m_cd;
};

void appendRun(QStringView run, QByteArray& out)
{
    thread_local Converter converter;
    converter.appendRun(run, out);
}

#endif

} // namespace

namespace Cp932
{

QByteArray encode(QStringView text)
{
    if (isAscii(text))
        return text.toLatin1();

    QByteArray out;
    out.reserve(2 * text.size());
    qsizetype runStart = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = text[i];
        if (!c.isSurrogate()) {
            ++i;
            continue;
        }
        appendRun(text.sliced(runStart, i - runStart), out);
        // The code page holds nothing beyond the Basic Multilingual Plane:
        // a pair is one character the code page lacks, a lone half is broken.
        const bool pair = c.isHighSurrogate() && i + 1 < n && text[i + 1].isLowSurrogate();
        out.append('?');
        i += pair ? 2 : 1;
        runStart = i;
    }
    appendRun(text.sliced(runStart), out);
    return out;
}

} // namespace Cp932
