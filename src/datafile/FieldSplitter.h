#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

#include <optional>

// Splits one line of a data file (without its line end) into fields at the
// commas. Works on the code page 932 bytes as well as on decoded text: a
// double quote or a comma is never the second byte of a double-byte
// character, so the bytes split exactly where the text does.

enum class QuoteRule {
    // As the writer writes: a text between quotes, a quote inside it doubled,
    // a number bare and never empty; nothing else is well formed.
    Doubled,
    // As earlier versions wrote: quotes inside a text as they are. A quote
    // closes a text only when a comma or the end of the line follows it;
    // bare fields may be empty or hold anything but a comma.
    Undoubled,
};

struct FieldSpan {
    qsizetype begin = 0;  // first unit of the content, after an opening quote
    qsizetype length = 0; // units of the content, without the closing quote
    bool quoted = false;
    bool doubledQuotes = false; // the content holds "" standing for one quote
};

using FieldSpans = QVarLengthArray<FieldSpan, 8>;

// False when the line is not well formed under `rule`; `fields` then holds
// nothing useful.
bool splitFieldSpans(QByteArrayView line, QuoteRule rule, FieldSpans& fields);
bool splitFieldSpans(QStringView line, QuoteRule rule, FieldSpans& fields);

// The text of one field of `line`, doubled quotes made single.
QString fieldText(QStringView line, const FieldSpan& field);

// The fields of a decoded line as texts, or nothing when it is not well formed.
std::optional<QStringList> splitFields(QStringView line, QuoteRule rule = QuoteRule::Doubled);
