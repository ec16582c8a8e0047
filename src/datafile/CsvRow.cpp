#include "datafile/CsvRow.h"

#include "datafile/Cp932Encoder.h"
#include "numbers/NumberText.h"

namespace
{

void appendField(QString& out, const CsvField& field)
{
    if (field.kind == CsvField::Kind::Number) {
        out += generalNumber(field.number);
        return;
    }
    out += u'"';
    for (const QChar c : field.text) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

} // namespace

QString rowText(const CsvRow& row)
{
    QString out;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (i > 0)
            out += u',';
        appendField(out, row[i]);
    }
    return out;
}

QByteArray encodeRow(const CsvRow& row)
{
    QByteArray bytes = Cp932::encode(rowText(row));
    bytes += "\r\n";
    return bytes;
}
