#pragma once

#include <QString>

// Numbers as a worksheet wants them: a value rounded to its uncertainty,
// with its unit.

// "value ± se unit", both rounded to the place of the standard error's second
// significant digit. Very large or very small numbers share one power of ten:
// "(1.11109 ± 0.00021)×10⁻³ 1/s". A standard error of zero, or one lost in the
// arithmetic's own rounding, leaves the value at ten significant digits; a
// value or error that is not finite shows as "—".
QString valueWithUncertainty(double value, double se, const QString& unit = {});

// A number with no uncertainty to round to, at `digits` significant digits.
QString plainValue(double value, int digits, const QString& unit = {});
// R² at six significant digits, or as many more as it takes for one below 1
// not to read as 1 (0.99999996).
QString r2Text(double r2);

// The unit in the value column's title as the user typed it: the last word
// ("温度 ℃" → "℃") or what stands in brackets ("温度(℃)", "長さ [cm]",
// "温度（℃）"). A title of one word has no unit.
QString unitOfValueTitle(const QString& title);

// The unit of a rate of change of a value in `unit` ("℃" → "℃/s", none → "1/s").
QString perSecond(const QString& unit);
