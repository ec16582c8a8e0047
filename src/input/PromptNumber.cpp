#include "input/PromptNumber.h"

#include "numbers/DoubleChars.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace
{

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// [+-] digits [. digits] [(e|E) [+-] digits], at least one mantissa digit.
bool isPlainNumber(const std::string& s)
{
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t expStart = i;
        while (i < s.size() && isDigit(s[i]))
            ++i;
        if (i == expStart)
            return false;
    }
    return i == s.size();
}

// Decimal exponent of the first significant digit of a validated number, so
// that a conversion out of range can be told apart: underflow or overflow.
long magnitude(const std::string& s)
{
    const std::size_t ePos = s.find_first_of("eE");
    const std::string mantissa = s.substr(0, ePos);
    const std::size_t point = mantissa.find('.');
    const std::size_t intEnd = point == std::string::npos ? mantissa.size() : point;
    long mag = 0;
    const std::size_t firstNonZero = mantissa.find_first_of("123456789");
    if (firstNonZero == std::string::npos)
        return -100000; // zero
    if (firstNonZero < intEnd)
        mag = static_cast<long>(intEnd - firstNonZero) - 1;
    else
        mag = -static_cast<long>(firstNonZero - intEnd);
    long exponent = 0;
    if (ePos != std::string::npos) {
        std::size_t i = ePos + 1;
        const bool negative = s[i] == '-';
        if (s[i] == '+' || s[i] == '-')
            ++i;
        for (; i < s.size(); ++i)
            exponent = std::min(exponent * 10 + (s[i] - '0'), 1'000'000L);
        if (negative)
            exponent = -exponent;
    }
    return mag + exponent;
}

} // namespace

std::optional<float> parsePromptAnswer(const QString& answer)
{
    qsizetype begin = 0;
    qsizetype end = answer.size();
    while (begin < end && isBlank(answer[begin]))
        ++begin;
    while (end > begin && isBlank(answer[end - 1]))
        --end;
    const QString trimmed = answer.mid(begin, end - begin);
    for (QChar c : trimmed) {
        if (c.unicode() > 0x7F)
            return std::nullopt;
    }
    std::string ascii = trimmed.toLatin1().toStdString();
    if (!isPlainNumber(ascii))
        return std::nullopt;
    if (ascii.front() == '+')
        ascii.erase(0, 1);
    double value = 0.0;
    const auto [ptr, ec] = DoubleChars::fromChars(ascii.data(), ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small underflows to zero like any float conversion; too large is refused.
        if (magnitude(ascii) >= 0)
            return std::nullopt;
        return 0.0f;
    }
    if (ec != std::errc() || ptr != ascii.data() + ascii.size())
        return std::nullopt;
    if (std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max()))
        return std::nullopt;
    return static_cast<float>(value);
}
