#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One field of a data file row: a text written between double quotes, or a
// number written bare.
struct CsvField {
    enum class Kind { Text, Number };
    Kind kind = Kind::Text;
    QString text;
    double number = 0.0;

    static CsvField ofText(const QString& t) { return {Kind::Text, t, 0.0}; }
    static CsvField ofNumber(double n) { return {Kind::Number, {}, n}; }
};

using CsvRow = QList<CsvField>;

// The row as text, fields joined by commas, without the line end. A double
// quote inside a text field is doubled so that the row always reads back as
// the same fields.
QString rowText(const CsvRow& row);

// The row as the file holds it: code page 932 with CR LF.
QByteArray encodeRow(const CsvRow& row);
