#pragma once

#include <QString>
#include <QStringView>

// Number <-> text conversions shared by the screen and the data file.

// The longest leading number of a text after leading blanks ("48.5 ℃" gives
// 48.5, "1.234568E+08" gives 123456800), or 0 when there is none or when it
// does not fit a double.
double numericValue(QStringView text);

// General number format of a text box: up to 15 significant digits, plain
// decimal notation below 1e15, no trailing zeros, a leading zero below 1
// ("0.5", "-2", "50"). Also the form of number fields in the data file.
QString generalNumber(double value);

// Signed text form: a blank for zero and positive values, else the minus sign,
// then the general number (" 50", "-2.5").
QString signedText(double value);

// A single-precision number as the prompts show it: at most 7 significant
// digits, exponent form for large and small magnitudes ("1.234568E+08").
QString singlePrecisionText(float value);

// The "#######0.00" pattern: at least one integer digit, two decimals, rounded.
QString fixedTwoDecimals(double value);

// " 000" pattern: a blank, then at least three digits.
QString readingNumberText(int number);
