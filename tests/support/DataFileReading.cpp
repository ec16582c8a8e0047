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
