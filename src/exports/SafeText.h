#pragma once

#include <QByteArray>
#include <QString>

// Texts that come from a data file (subject lines, the value's title,
// remarks, the file's name) are untrusted wherever they land: markup, a
// spreadsheet's cells or a chart's XML.

// Without the characters XML 1.0 forbids (control characters other than tab,
// line feed and carriage return; U+FFFE, U+FFFF; lone surrogates): what
// remains is a text any XML writer can carry.
QString withoutXmlForbidden(const QString& text);

// For element text and attribute values in HTML, SVG and XML: the forbidden
// characters dropped, & < > " ' as character references.
QString markupEscaped(const QString& text);

// One CSV field: a text a spreadsheet would take as a formula (beginning with
// = + - @, a tab or a carriage return) behind an apostrophe, quoted when it
// holds a comma, a quote or a line break.
QString csvTextField(const QString& text);

// The most a workbook's cell holds, in UTF-8 bytes as libxlsxwriter counts.
constexpr qsizetype CellTextMaxBytes = 32767;
// `text` as UTF-8 for a workbook: forbidden characters dropped, and cut at a
// character's end with a visible mark when longer than a cell holds.
QByteArray cellText(const QString& text);
