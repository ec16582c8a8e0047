#pragma once

#include <QByteArray>
#include <QStringView>

// Text -> Windows code page 932 (Shift_JIS with the Microsoft extensions), the
// bytes a Japanese Windows system writes. U+301C WAVE DASH and U+FF5E
// FULLWIDTH TILDE both give 81 60, U+2212 MINUS SIGN gives 81 7C. A character
// the code page cannot hold becomes one "?" per code point (an unpaired
// surrogate too), so a row is always written whatever the user typed.
namespace Cp932
{

QByteArray encode(QStringView text);

} // namespace Cp932
