#include "readings/ResultText.h"

#include "readings/ResultFormatting.h"
#include "readings/Results.h"

#include <algorithm>
#include <cmath>

namespace
{

struct Parameter {
    QString name;
    QString value; // rounded, with its unit
    bool undetermined = false;
};

Parameter parameter(const analysis::FitParameter& p, const QString& unit)
{
    // A value beyond a double (the curve at t = 0 of a late start) is said so apart.
    const bool undetermined = std::isfinite(p.value) && !(p.se <= std::abs(p.value));
    if (p.name == "intercept")
        return {QStringLiteral("切片 a"), valueWithUncertainty(p.value, p.se, unit), undetermined};
    if (p.name == "slope")
        return {QStringLiteral("傾き b"), valueWithUncertainty(p.value, p.se, perSecond(unit)),
                undetermined};
    if (p.name == "ambient")
        return {QStringLiteral("周囲の値 c"), valueWithUncertainty(p.value, p.se, unit),
                undetermined};
    if (p.name == "initial")
        return {QStringLiteral("初期値 y0"), valueWithUncertainty(p.value, p.se, unit),
                undetermined};
    if (p.name == "rate")
        return {QStringLiteral("速さ k"),
                valueWithUncertainty(p.value, p.se, QStringLiteral("1/s")), undetermined};
    return {QString::fromStdString(p.name), valueWithUncertainty(p.value, p.se), undetermined};
}

QList<Parameter> parameters(const analysis::FitResult& fit, const QString& unit)
{
    QList<Parameter> list;
    for (const analysis::FitParameter& p : fit.parameters)
        list << parameter(p, unit);
    if (fit.model != analysis::Model::Cooling)
        return list;
    const QString s = QStringLiteral("s");
    const CoolingTime tau = timeConstantOf(fit);
    const CoolingTime half = halfTimeOf(fit);
    list << Parameter{QStringLiteral("時定数 1/k"), valueWithUncertainty(tau.value, tau.se, s)};
    list << Parameter{QStringLiteral("半減期 ln2/k"), valueWithUncertainty(half.value, half.se, s)};
    return list;
}

QString equation(analysis::Model model)
{
    return model == analysis::Model::Linear
               ? QStringLiteral("直線 y = a + b·t")
               : QStringLiteral("冷却・加温 y = c + (y0 − c)·e^(−k·t)");
}

// 1/k and ln2/k carry the rate's relative error.
double rateRelativeError(const analysis::FitResult& fit)
{
    for (const analysis::FitParameter& p : fit.parameters) {
        if (p.name == "rate")
            return p.value != 0.0 ? p.se / std::abs(p.value) : NAN;
    }
    return NAN;
}

} // namespace

CoolingTime timeConstantOf(const analysis::FitResult& fit)
{
    return {fit.timeConstant, rateRelativeError(fit) * fit.timeConstant};
}

CoolingTime halfTimeOf(const analysis::FitResult& fit)
{
    return {fit.halfTime, rateRelativeError(fit) * fit.halfTime};
}

QString fitResultText(const analysis::FitResult& fit, const QString& unit)
{
    if (!fit.ok())
        return fitFailureText(fit);
    QStringList lines;
    lines << equation(fit.model) + QStringLiteral("（%1 点）").arg(fit.points);
    QStringList warnings;
    for (const Parameter& p : parameters(fit, unit)) {
        lines << p.name + QStringLiteral(" = ") + p.value;
        if (p.undetermined)
            warnings << QStringLiteral("注意: %1 は標準誤差が値そのものより大きく、"
                                       "この点からはほとんど決まっていません")
                            .arg(p.name);
    }
    if (fit.model == analysis::Model::Cooling && !std::isfinite(fit.parameters[1].value)) {
        const analysis::CurveValue& v = fit.atFirstTime;
        lines << QStringLiteral(
                     "（t = 0 の値は大きすぎて表せません。最初の時刻 t = %1 s の値 = %2）")
                     .arg(plainValue(v.t, 10), valueWithUncertainty(v.value, v.se, unit));
    }
    lines << QStringLiteral("R² = %1").arg(r2Text(fit.r2));
    lines << QStringLiteral("残差の標準偏差 = %1").arg(plainValue(fit.residualSd, 3, unit));
    return (lines + warnings).join(u'\n');
}

QString lapStatisticsText(const analysis::LapStatistics& laps)
{
    if (laps.count == 0)
        return QStringLiteral("ラップ: まだありません");
    const QString s = QStringLiteral("s");
    // Laps are read in hundredths; the mean is as sure as its standard error.
    const QString mean = std::isfinite(laps.sem) ? valueWithUncertainty(laps.mean, laps.sem, s)
                                                 : plainValue(laps.mean, 6, s);
    return QStringLiteral(
               "ラップ（000、NG と除外を除く）\n個数 = %1\n平均 ± 標準誤差 = %2\n標準偏差 = %3\n"
               "最小 = %4\n最大 = %5")
        .arg(laps.count)
        .arg(mean, plainValue(laps.sd, 3, s), plainValue(laps.min, 10, s),
             plainValue(laps.max, 10, s));
}

QStringList fitLabelLines(const analysis::FitResult& fit, const QString& unit)
{
    if (!fit.ok())
        return {};
    QStringList numbers;
    for (const Parameter& p : parameters(fit, unit))
        numbers << p.name.section(u' ', -1) + QStringLiteral(" = ") + p.value;
    numbers << QStringLiteral("R² = %1").arg(r2Text(fit.r2));
    QStringList lines{equation(fit.model) + QStringLiteral("（%1 点）").arg(fit.points)};
    // Three to a line keeps the label narrower than the plot.
    for (int i = 0; i < numbers.size(); i += 3)
        lines << numbers.mid(i, 3).join(QStringLiteral("    "));
    return lines;
}

namespace
{

// Readings by number as the main program shows them ("測定回 007").
QString readingList(std::vector<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    // A list past this length says no more than its count.
    constexpr std::size_t Shown = 15;
    QStringList names;
    for (std::size_t i = 0; i < numbers.size() && i < Shown; ++i)
        names << QStringLiteral("%1").arg(numbers[i], 3, 10, QLatin1Char('0'));
    QString text = QStringLiteral("測定回 ") + names.join(QStringLiteral(", "));
    if (numbers.size() > Shown)
        text += QStringLiteral(" ほか %1 点").arg(numbers.size() - Shown);
    return text;
}

QString periodEquation(const analysis::PeriodFit& fit, bool pressPerHalfSwing)
{
    return (pressPerHalfSwing ? QStringLiteral("周期 t = t₀ + (T/2)·n（半周期ごとに押した、%1 点）")
                              : QStringLiteral("周期 t = t₀ + T·n（%1 点）"))
        .arg(fit.points);
}

QString swingsText(const analysis::PeriodFit& fit, bool pressPerHalfSwing)
{
    return QStringLiteral("%1 %2")
        .arg(fit.swings)
        .arg(pressPerHalfSwing ? QStringLiteral("半周期") : QStringLiteral("周期"));
}

} // namespace

QString periodResultText(const analysis::PeriodFit& fit, bool pressPerHalfSwing)
{
    if (!fit.ok()) {
        analysis::FitResult failed;
        failed.failure = fit.failure;
        failed.points = fit.points;
        return fitFailureText(failed);
    }
    const QString s = QStringLiteral("s");
    QStringList lines{periodEquation(fit, pressPerHalfSwing)};
    lines << QStringLiteral("周期 T（すべての押しの当てはめ） = %1")
                 .arg(valueWithUncertainty(fit.period.value, fit.period.se, s));
    lines << QStringLiteral("周期 T（最初と最後の押しだけ） = %1")
                 .arg(valueWithUncertainty(fit.firstLastPeriod.value, fit.firstLastPeriod.se, s));
    lines << QStringLiteral("最初の押し t₀ = %1")
                 .arg(valueWithUncertainty(fit.start.value, fit.start.se, s));
    lines << QStringLiteral("最初から最後の押しまで %1").arg(swingsText(fit, pressPerHalfSwing));
    lines << (fit.missed.empty()
                  ? QStringLiteral("押し忘れ: なし")
                  : QStringLiteral("押し忘れ: %1（その前のラップを 2 回分以上に数えた）")
                        .arg(readingList(fit.missed)));
    lines << (fit.doubled.empty()
                  ? QStringLiteral("二度押し: なし")
                  : QStringLiteral("二度押し: %1（計算に使わない）").arg(readingList(fit.doubled)));
    lines << QStringLiteral("1 回の押しのばらつき（残差の標準偏差） = %1"
                            "（手で計る時間の誤差は、予期できる出来事で約 0.05〜0.1 s）")
                 .arg(plainValue(fit.residualSd, 2, s));
    lines << QStringLiteral("R² = %1").arg(r2Text(fit.r2));
    return lines.join(u'\n');
}

QStringList periodLabelLines(const analysis::PeriodFit& fit, bool pressPerHalfSwing)
{
    if (!fit.ok())
        return {};
    const QString s = QStringLiteral("s");
    return {periodEquation(fit, pressPerHalfSwing),
            QStringLiteral("T = %1    最初と最後の押しだけ: T = %2")
                .arg(valueWithUncertainty(fit.period.value, fit.period.se, s),
                     valueWithUncertainty(fit.firstLastPeriod.value, fit.firstLastPeriod.se, s)),
            QStringLiteral("%1    1 回の押しのばらつき = %2    R² = %3")
                .arg(swingsText(fit, pressPerHalfSwing), plainValue(fit.residualSd, 2, s),
                     r2Text(fit.r2))};
}

QString leftOutText(const std::vector<int>& rejected, const std::vector<int>& excluded)
{
    QStringList lines;
    if (!rejected.empty())
        lines << QStringLiteral("NG（測定中に付けた）: ") + readingList(rejected);
    if (!excluded.empty())
        lines << QStringLiteral("除外（ここで外した）: ") + readingList(excluded);
    return lines.join(u'\n');
}
