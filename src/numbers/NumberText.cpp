#include "numbers/NumberText.h"

#include "numbers/DoubleChars.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>
#include <system_error>

namespace
{

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Digits and decimal exponent of a value rounded to `significant` digits,
// without trailing zeros: 1234.5 gives {"12345", 3}.
struct Decimal {
    bool negative = false;
    std::string digits;
    int exponent = 0;
};

Decimal roundToSignificant(double value, int significant)
{
    std::array<char, 64> buf{};
    auto [end, ec] = DoubleChars::toChars(buf.data(), buf.data() + buf.size(), value,
                                          std::chars_format::scientific, significant - 1);
    Q_ASSERT(ec == std::errc());
    std::string text(buf.data(), end);
    Decimal d;
    std::size_t pos = 0;
    if (text[pos] == '-') {
        d.negative = true;
        ++pos;
    }
    const std::size_t ePos = text.find('e');
    for (std::size_t i = pos; i < ePos; ++i) {
        if (text[i] != '.')
            d.digits += text[i];
    }
    d.exponent = std::stoi(text.substr(ePos + 1));
    while (d.digits.size() > 1 && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

QString plainDecimal(const Decimal& d)
{
    std::string out;
    if (d.negative)
        out += '-';
    const int intDigits = d.exponent + 1;
    if (intDigits <= 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-intDigits), '0');
        out += d.digits;
    } else if (static_cast<std::size_t>(intDigits) >= d.digits.size()) {
        out += d.digits;
        out.append(static_cast<std::size_t>(intDigits) - d.digits.size(), '0');
    } else {
        out += d.digits.substr(0, static_cast<std::size_t>(intDigits));
        out += '.';
        out += d.digits.substr(static_cast<std::size_t>(intDigits));
    }
    return QString::fromLatin1(out);
}

} // namespace

double numericValue(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    const qsizetype start = i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = 0;
    while (i < n && isDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < n && text[i] == u'.') {
        ++i;
        while (i < n && isDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    qsizetype end = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < n && isDigit(text[j]))
            ++j;
        if (j > expStart)
            end = j;
    }
    // from_chars takes no leading '+'.
    qsizetype from = start;
    if (text[from] == u'+')
        ++from;
    const std::string ascii = text.mid(from, end - from).toLatin1().toStdString();
    double value = 0.0;
    auto [ptr, ec] = DoubleChars::fromChars(ascii.data(), ascii.data() + ascii.size(), value);
    Q_UNUSED(ptr);
    if (ec != std::errc() || !std::isfinite(value))
        return 0.0;
    return value;
}

namespace
{

QString exponentForm(const Decimal& d)
{
    QString mantissa = QString::fromLatin1(d.digits.substr(0, 1));
    if (d.digits.size() > 1)
        mantissa += u'.' + QString::fromLatin1(d.digits.substr(1));
    return (d.negative ? QStringLiteral("-") : QString()) + mantissa + u'E' +
           (d.exponent < 0 ? u'-' : u'+') +
           QString::number(std::abs(d.exponent)).rightJustified(2, u'0');
}

} // namespace

QString generalNumber(double value)
{
    if (value == 0.0 || !std::isfinite(value))
        return QStringLiteral("0");
    const Decimal d = roundToSignificant(value, 15);
    return d.exponent < 15 ? plainDecimal(d) : exponentForm(d);
}

QString singlePrecisionText(float value)
{
    if (value == 0.0f || !std::isfinite(value))
        return QStringLiteral("0");
    const Decimal d = roundToSignificant(static_cast<double>(value), 7);
    return (d.exponent < -4 || d.exponent >= 7) ? exponentForm(d) : plainDecimal(d);
}

QString signedText(double value)
{
    const QString general = generalNumber(value);
    return general.startsWith(u'-') ? general : u' ' + general;
}

QString fixedTwoDecimals(double value)
{
    std::array<char, 400> buf{};
    auto [end, ec] = DoubleChars::toChars(buf.data(), buf.data() + buf.size(), value,
                                          std::chars_format::fixed, 2);
    if (ec != std::errc())
        return QStringLiteral("0.00");
    QString text = QString::fromLatin1(buf.data(), end - buf.data());
    if (text == QLatin1String("-0.00"))
        text = QStringLiteral("0.00");
    return text;
}

QString readingNumberText(int number)
{
    return u' ' + QString::number(number).rightJustified(3, u'0');
}
