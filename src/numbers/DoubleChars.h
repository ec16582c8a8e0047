#pragma once

#include <charconv>

// std::from_chars and std::to_chars for double, where the C++ library lacks
// them: Emscripten 3.1.6's libc++ has only the integer ones. There the C
// library stands in, which in a browser always writes and reads '.' as the
// decimal point.
namespace DoubleChars
{

// As std::from_chars by strtod: the same prefix taken (no leading space or
// '+', no hexadecimal), the same value, and result_out_of_range where the
// value is too large or underflows to zero.
std::from_chars_result fromCharsByStrtod(const char* first, const char* last, double& value);

// As std::to_chars with a format (fixed or scientific) and a precision, by
// snprintf, which the standard defines it by.
std::to_chars_result toCharsByPrintf(char* first, char* last, double value,
                                     std::chars_format format, int precision);

inline std::from_chars_result fromChars(const char* first, const char* last, double& value)
{
#ifdef __EMSCRIPTEN__
    return fromCharsByStrtod(first, last, value);
#else
    return std::from_chars(first, last, value);
#endif
}

inline std::to_chars_result toChars(char* first, char* last, double value, std::chars_format format,
                                    int precision)
{
#ifdef __EMSCRIPTEN__
    return toCharsByPrintf(first, last, value, format, precision);
#else
    return std::to_chars(first, last, value, format, precision);
#endif
}

} // namespace DoubleChars
