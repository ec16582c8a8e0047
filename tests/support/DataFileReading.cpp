#include "support/DataFileReading.h"

#include "datafile/Cp932Decoder.h"
#include "datafile/FieldSplitter.h"

#include <QFile>

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QString decodeCp932(const QByteArray& bytes)
{
    return Cp932::decodeExact(bytes).value_or(QString());
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
    return splitFields(QStringView(row), QuoteRule::Doubled);
}
