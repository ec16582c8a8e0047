#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Reads a data file back as the bytes on disk.
QByteArray readBytes(const QString& path);

// Decodes code page 932 with the program's own reader; an empty text when the
// bytes are not code page 932, which no test accepts.
QString decodeCp932(const QByteArray& bytes);

// The file's rows, decoded, split at CR LF; fails the caller's QVERIFY
// through an empty list when a row does not end in CR LF.
QStringList readRows(const QString& path);

// Splits one row into its fields as the writer must write them (quoted texts
// with doubled quotes, or bare numbers); nothing when the row is not well
// formed.
std::optional<QStringList> splitFields(const QString& row);
