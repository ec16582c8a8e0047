#include "readings/Results.h"

#include "readings/ResultText.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace
{

constexpr int FitCurveSamples = 400;

void fitCurve(const MeasurementModel& model, analysis::Model kind, Results& results)
{
    MeasurementModel::Points points = model.validPoints(results.request.range);
    const analysis::FitResult fit = fitModel(kind, points.t, points.y);
    results.fit = fit;
    results.fitText = fitResultText(fit, model.valueUnit());
    if (!fit.ok() || points.t.empty())
        return;
    results.labelLines = fitLabelLines(fit, model.valueUnit());
    results.residualTitle = QStringLiteral("残差");
    const double from = points.t.front();
    const double to = points.t.back();
    results.curveT.resize(FitCurveSamples + 1);
    results.curveY.resize(FitCurveSamples + 1);
    for (int i = 0; i <= FitCurveSamples; ++i) {
        const double t = from + (to - from) * i / FitCurveSamples;
        results.curveT[std::size_t(i)] = t;
        results.curveY[std::size_t(i)] = fit.valueAt(t);
    }
    // In place: at a million readings another pair of vectors is memory the
    // window does not have to spare.
    for (std::size_t i = 0; i < points.t.size(); ++i)
        points.y[i] -= fit.valueAt(points.t[i]);
    results.residualT = std::move(points.t);
    results.residual = std::move(points.y);
}

void fitPeriod(const MeasurementModel& model, Results& results)
{
    const bool half = results.request.pressPerHalfSwing;
    const std::vector<analysis::Press> presses = model.presses(results.request.range);
    const analysis::PeriodFit fit = analysis::fitPeriod(presses, half);
    results.period = fit;
    results.fitText = periodResultText(fit, half);
    if (!fit.ok())
        return;
    results.labelLines = periodLabelLines(fit, half);
    results.residualTitle = QStringLiteral("残差 (秒)");
    // Each press used at its own swing: the one nearest its time, since a
    // press lies far closer to its swing than half an interval.
    const double interval = fit.period.value / (half ? 2.0 : 1.0);
    for (const analysis::Press& p : presses) {
        if (p.rejected || p.excluded || !std::isfinite(p.elapsed) ||
            std::binary_search(fit.doubled.begin(), fit.doubled.end(), p.reading))
            continue;
        const double swing = std::round((p.elapsed - fit.start.value) / interval);
        results.residualT.push_back(p.elapsed);
        results.residual.push_back(p.elapsed - (fit.start.value + interval * swing));
    }
}

} // namespace

Results computeResults(const MeasurementModel& model, const FitRequest& request)
{
    Results results;
    results.request = request;
    switch (request.choice) {
    case FitChoice::None:
        break;
    case FitChoice::Linear:
        fitCurve(model, analysis::Model::Linear, results);
        break;
    case FitChoice::Cooling:
        fitCurve(model, analysis::Model::Cooling, results);
        break;
    case FitChoice::Period:
        fitPeriod(model, results);
        break;
    }
    results.laps = analysis::lapStatistics(model.laps());
    results.lapText = lapStatisticsText(results.laps);
    return results;
}

analysis::FitResult fitModel(analysis::Model model, const std::vector<double>& t,
                             const std::vector<double>& y)
{
    return model == analysis::Model::Linear ? analysis::fitLinear(t, y)
                                            : analysis::fitCooling(t, y);
}

QString fitFailureText(const analysis::FitResult& fit)
{
    switch (fit.failure) {
    case analysis::FitFailure::None:
        return {};
    case analysis::FitFailure::TooFewPoints:
        return QStringLiteral("当てはめできません: 有効な点が少なすぎます（%1 点）")
            .arg(fit.points);
    case analysis::FitFailure::Degenerate:
        return QStringLiteral("当てはめできません: この点からは曲線が決まりません");
    case analysis::FitFailure::NoConvergence:
        return QStringLiteral("当てはめできません: 計算が収束しませんでした");
    }
    return {};
}
