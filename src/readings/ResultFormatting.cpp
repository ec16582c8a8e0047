#include "readings/ResultFormatting.h"

#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace
{

// Below this share of the value an error is the arithmetic's rounding, not
// the data's scatter: an exact line fits with such an error.
constexpr double LostInRounding = 1e-12;
// Fixed notation while the numbers need at most this many decimals and stay
// below a million; a power of ten beyond.
constexpr int MaxDecimals = 6;
constexpr double MaxFixed = 1e6;

QString superscript(int exponent)
{
    static const char16_t digits[] = u"⁰¹²³⁴⁵⁶⁷⁸⁹";
    QString text = exponent < 0 ? QStringLiteral("⁻") : QString();
    for (const QChar c : QString::number(std::abs(exponent)))
        text += QChar(digits[c.digitValue()]);
    return text;
}

// Fixed notation at `decimals` places, with no "-0.00".
QString fixed(double value, int decimals)
{
    QString text = QString::number(value, 'f', decimals);
    static const QRegularExpression nonZero(QStringLiteral("[1-9]"));
    if (text.startsWith(u'-') && !text.contains(nonZero))
        text.remove(0, 1);
    return text;
}

QString withUnit(const QString& number, const QString& unit)
{
    return unit.isEmpty() ? number : number + u' ' + unit;
}

} // namespace

QString plainValue(double value, int digits, const QString& unit)
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    return withUnit(QString::number(value, 'g', digits), unit);
}

QString r2Text(double r2)
{
    int digits = 6;
    while (std::isfinite(r2) && r2 < 1 && digits < 17 &&
           QString::number(r2, 'g', digits).toDouble() >= 1)
        ++digits;
    return plainValue(r2, digits);
}

QString valueWithUncertainty(double value, double se, const QString& unit)
{
    if (!std::isfinite(value))
        return withUnit(QStringLiteral("—"), unit);
    if (!std::isfinite(se) || se < 0)
        return withUnit(QString::number(value, 'g', 10) + QStringLiteral(" ± —"), unit);
    if (se == 0 || se <= std::abs(value) * LostInRounding)
        return withUnit(QString::number(value, 'g', 10) + QStringLiteral(" ± 0"), unit);

    // The place of the error's second significant digit, after rounding it
    // (0.0996 rounds to 0.10, whose second digit is in the hundredths).
    int place = int(std::floor(std::log10(se))) - 1;
    if (std::round(se / std::pow(10.0, place)) >= 100)
        ++place;
    const double magnitude = std::max(std::abs(value), se);
    if (-place <= MaxDecimals && magnitude < MaxFixed) {
        const int decimals = std::max(0, -place);
        const double step = std::pow(10.0, place);
        const double v = place > 0 ? std::round(value / step) * step : value;
        const double e = place > 0 ? std::round(se / step) * step : se;
        return withUnit(fixed(v, decimals) + QStringLiteral(" ± ") + fixed(e, decimals), unit);
    }
    // One power of ten for both, that of the larger.
    const int exponent = int(std::floor(std::log10(magnitude)));
    const double scale = std::pow(10.0, exponent);
    const int decimals = std::max(0, exponent - place);
    const QString both = QStringLiteral("(%1 ± %2)×10%3")
                             .arg(fixed(value / scale, decimals), fixed(se / scale, decimals),
                                  superscript(exponent));
    return withUnit(both, unit);
}

QString unitOfValueTitle(const QString& title)
{
    static const QRegularExpression bracketed(
        QStringLiteral(R"([(\[（［]\s*([^()\[\]（）［］]+?)\s*[)\]）］]\s*$)"));
    const QString trimmed = title.trimmed();
    if (const QRegularExpressionMatch m = bracketed.match(trimmed); m.hasMatch())
        return m.captured(1);
    const QStringList words =
        trimmed.split(QRegularExpression(QStringLiteral(R"([\s　]+)")), Qt::SkipEmptyParts);
    return words.size() > 1 ? words.last() : QString();
}

QString perSecond(const QString& unit)
{
    return unit.isEmpty() ? QStringLiteral("1/s") : unit + QStringLiteral("/s");
}
