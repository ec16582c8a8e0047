#include "support/DataFileReading.h"

#include <QFile>
#include <QProcess>

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString decodeCp932(const QByteArray& bytes)
{
    QProcess iconv;
    iconv.start(QStringLiteral("iconv"), {QStringLiteral("-f"), QStringLiteral("CP932"),
                                          QStringLiteral("-t"), QStringLiteral("UTF-8")});
    iconv.waitForStarted();
    iconv.write(bytes);
    iconv.closeWriteChannel();
    iconv.waitForFinished();
    return QString::fromUtf8(iconv.readAllStandardOutput());
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
