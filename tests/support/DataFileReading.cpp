#include "support/DataFileReading.h"

#include <QFile>
#ifdef Q_OS_WIN
#include <QStringDecoder>
#else
#include <iconv.h>
#endif

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString decodeCp932(const QByteArray& bytes)
{
#ifdef Q_OS_WIN
    QStringDecoder decoder("Shift_JIS");
    return decoder(bytes);
#else
    // A converter of its own for each thread; reset before every text.
    thread_local const iconv_t cd = iconv_open("UTF-16LE", "CP932");
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    QByteArray out(bytes.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char* outPtr = out.data();
    size_t outLeft = size_t(out.size());
    if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) == size_t(-1))
        return {}; // not code page 932: no text a test could accept
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(out.constData()),
                              (out.size() - qsizetype(outLeft)) / 2);
#endif
}

QStringList readRows(const QString& path)
{
    const QString text = decodeCp932(readBytes(path));
    if (text.isEmpty() || !text.endsWith(QStringLiteral("\r\n")))
        return {};
    QStringList rows = text.split(QStringLiteral("\r\n"));
    rows.removeLast();
    return rows;
}

std::optional<QStringList> splitFields(const QString& row)
{
    QStringList fields;
    qsizetype i = 0;
    const qsizetype n = row.size();
    while (true) {
        QString field;
        if (i < n && row[i] == u'"') {
            ++i;
            while (true) {
                if (i >= n)
                    return std::nullopt; // unterminated quote
                if (row[i] == u'"') {
                    if (i + 1 < n && row[i + 1] == u'"') {
                        field += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += row[i++];
            }
        } else {
            while (i < n && row[i] != u',') {
                if (row[i] == u'"')
                    return std::nullopt;
                field += row[i++];
            }
            if (field.isEmpty())
                return std::nullopt; // a number field is never empty
        }
        fields.append(field);
        if (i == n)
            return fields;
        if (row[i] != u',')
            return std::nullopt;
        ++i;
    }
}
