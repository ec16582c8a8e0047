#include "graph/ResultText.h"

#include "graph/GraphReport.h"

#include <QStringList>

#include <cmath>

namespace
{

QString number(double value)
{
    return std::isfinite(value) ? QString::number(value, 'g', 10) : QStringLiteral("—");
}

QString parameterName(const std::string& name)
{
    if (name == "intercept")
        return QStringLiteral("切片 a");
    if (name == "slope")
        return QStringLiteral("傾き b");
    if (name == "ambient")
        return QStringLiteral("周囲の値 c");
    if (name == "initial")
        return QStringLiteral("初期値 y0");
    if (name == "rate")
        return QStringLiteral("速さ k (1/秒)");
    return QString::fromStdString(name);
}

} // namespace

QString fitResultText(const analysis::FitResult& fit)
{
    if (!fit.ok())
        return fitFailureText(fit);
    QStringList lines;
    lines
        << (fit.model == analysis::Model::Linear
                ? QStringLiteral("直線 y = a + b·t（%1 点）").arg(fit.points)
                : QStringLiteral("冷却・加温 y = c + (y0 − c)·e^(−k·t)（%1 点）").arg(fit.points));
    for (const analysis::FitParameter& p : fit.parameters)
        lines << QStringLiteral("%1 = %2 ± %3")
                     .arg(parameterName(p.name), number(p.value), number(p.se));
    if (fit.model == analysis::Model::Cooling && !std::isfinite(fit.parameters[1].value)) {
        const analysis::CurveValue& v = fit.atFirstTime;
        lines << QStringLiteral(
                     "（t = 0 の値は大きすぎて表せません。最初の時刻 t = %1 秒の値 = %2 ± %3）")
                     .arg(number(v.t), number(v.value), number(v.se));
    }
    lines << QStringLiteral("R² = %1").arg(number(fit.r2));
    lines << QStringLiteral("残差の標準偏差 = %1").arg(number(fit.residualSd));
    if (fit.model == analysis::Model::Cooling) {
        lines << QStringLiteral("時定数 1/k = %1 秒").arg(number(fit.timeConstant));
        lines << QStringLiteral("半減期 ln2/k = %1 秒").arg(number(fit.halfTime));
    }
    return lines.join(u'\n');
}

QString lapStatisticsText(const analysis::LapStatistics& laps)
{
    if (laps.count == 0)
        return QStringLiteral("ラップ: まだありません");
    return QStringLiteral("ラップ（000 と NG を除く）\n個数 = %1\n平均 = %2 秒\n標準偏差 = %3 秒\n"
                          "平均の標準誤差 = %4 秒\n最小 = %5 秒\n最大 = %6 秒")
        .arg(laps.count)
        .arg(number(laps.mean), number(laps.sd), number(laps.sem), number(laps.min),
             number(laps.max));
}
