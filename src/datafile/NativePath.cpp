#include "datafile/NativePath.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#else
#include <sys/stat.h>
#endif

namespace
{

[[maybe_unused]] constexpr char16_t EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at `at`, or 0.
[[maybe_unused]] qsizetype utf8Length(const QByteArray& bytes, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

namespace NativePath
{

#ifdef Q_OS_WIN

QByteArray encode(const QString& path)
{
    return QFile::encodeName(path);
}

QString decode(const QByteArray& native)
{
    return QFile::decodeName(native);
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

QStringList arguments(int, char**)
{
    // Read before any application object exists, when Qt has no list yet;
    // argv would hold them in the ANSI code page, losing what it cannot hold.
    QStringList list;
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 0; i < count; ++i)
            list.append(QString::fromWCharArray(wide[i]));
        LocalFree(wide);
    }
    return list;
}

#else

QByteArray encode(const QString& path)
{
    QByteArray out;
    out.reserve(path.size());
    qsizetype run = 0; // start of the characters not yet encoded
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        const bool escaped = c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF &&
                             (i == 0 || !path[i - 1].isHighSurrogate());
        if (!escaped)
            continue;
        out += QStringView(path).sliced(run, i - run).toUtf8();
        out += char(c - EscapeBase);
        run = i + 1;
    }
    out += QStringView(path).sliced(run).toUtf8();
    return out;
}

QString decode(const QByteArray& native)
{
    QString out;
    out.reserve(native.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < native.size();) {
        const qsizetype length = utf8Length(native, i);
        if (length > 0) {
            i += length;
            continue;
        }
        out += QString::fromUtf8(native.sliced(run, i - run));
        out += QChar(char16_t(EscapeBase + static_cast<unsigned char>(native[i])));
        run = ++i;
    }
    out += QString::fromUtf8(native.sliced(run));
    return out;
}

bool exists(const QString& path)
{
    struct stat st {
    };
    return ::stat(encode(path).constData(), &st) == 0;
}

QStringList arguments(int argc, char** argv)
{
    QStringList out;
    for (int i = 0; i < argc; ++i)
        out.append(decode(QByteArray(argv[i])));
    return out;
}

#endif

} // namespace NativePath
