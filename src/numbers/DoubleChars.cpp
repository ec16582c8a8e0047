#include "numbers/DoubleChars.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace DoubleChars
{

namespace
{

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether [p, last) starts with `word`, letters in either case.
bool startsWithWord(const char* p, const char* last, const char* word)
{
    for (; *word != '\0'; ++p, ++word) {
        if (p == last || (*p | 0x20) != *word)
            return false;
    }
    return true;
}

// "nan" may be followed by "(letters, digits, _)"; `p` is just after "nan".
const char* afterNanPayload(const char* p, const char* last)
{
    if (p == last || *p != '(')
        return p;
    const char* q = p + 1;
    while (q != last && (isDigit(*q) || ((*q | 0x20) >= 'a' && (*q | 0x20) <= 'z') || *q == '_'))
        ++q;
    return q != last && *q == ')' ? q + 1 : p;
}

} // namespace

std::from_chars_result fromCharsByStrtod(const char* first, const char* last, double& value)
{
    const char* p = first;
    const bool negative = p != last && *p == '-';
    if (negative)
        ++p;
    const double sign = negative ? -1.0 : 1.0;
    if (startsWithWord(p, last, "inf")) {
        p += startsWithWord(p, last, "infinity") ? 8 : 3;
        value = sign * std::numeric_limits<double>::infinity();
        return {p, std::errc()};
    }
    if (startsWithWord(p, last, "nan")) {
        value = std::copysign(std::numeric_limits<double>::quiet_NaN(), sign);
        return {afterNanPayload(p + 3, last), std::errc()};
    }

    bool anyDigit = false;
    bool nonZero = false;
    const auto digits = [&] {
        for (; p != last && isDigit(*p); ++p) {
            anyDigit = true;
            nonZero = nonZero || *p != '0';
        }
    };
    digits();
    if (p != last && *p == '.') {
        ++p;
        digits();
    }
    if (!anyDigit)
        return {first, std::errc::invalid_argument};
    // An exponent counts only with its digits: "1e+" reads as 1.
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        if (q != last && (*q == '+' || *q == '-'))
            ++q;
        if (q != last && isDigit(*q)) {
            while (q != last && isDigit(*q))
                ++q;
            p = q;
        }
    }
    const std::string text(first, p);
    const double read = std::strtod(text.c_str(), nullptr);
    if (std::isinf(read) || (read == 0.0 && nonZero))
        return {p, std::errc::result_out_of_range};
    value = read;
    return {p, std::errc()};
}

std::to_chars_result toCharsByPrintf(char* first, char* last, double value,
                                     std::chars_format format, int precision)
{
    const char* const pattern = format == std::chars_format::scientific ? "%.*e" : "%.*f";
    const int needed = std::snprintf(nullptr, 0, pattern, precision, value);
    if (needed < 0 || needed > last - first)
        return {last, std::errc::value_too_large};
    // snprintf ends with a '\0' that to_chars does not write.
    std::string text(static_cast<std::size_t>(needed), '\0');
    std::snprintf(text.data(), text.size() + 1, pattern, precision, value);
    std::copy(text.begin(), text.end(), first);
    return {first + needed, std::errc()};
}

} // namespace DoubleChars
