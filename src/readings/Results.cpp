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
    double from = 0.0;
    double to = 0.0;
    {
        // Gone before anything else is made: the points are the largest
        // thing the fit needs.
        const MeasurementModel::Points points = model.validPoints(results.request.range);
        results.fit = fitModel(kind, points.t, points.y);
        if (!points.t.empty()) {
            from = points.t.front();
            to = points.t.back();
        }
    }
    const analysis::FitResult& fit = *results.fit;
    results.fitText = fitResultText(fit, model.valueUnit());
    if (!fit.ok() || fit.points == 0)
        return;
    results.labelLines = fitLabelLines(fit, model.valueUnit());
    results.residualTitle = QStringLiteral("残差");
    results.curveT.resize(FitCurveSamples + 1);
    results.curveY.resize(FitCurveSamples + 1);
    for (int i = 0; i <= FitCurveSamples; ++i) {
        const double t = from + (to - from) * i / FitCurveSamples;
        results.curveT[std::size_t(i)] = t;
        results.curveY[std::size_t(i)] = fit.valueAt(t);
    }
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
    results.laps = lapStatisticsOf(model);
    results.lapText = lapStatisticsText(results.laps);
    return results;
}

analysis::LapStatistics lapStatisticsOf(const MeasurementModel& model)
{
    return analysis::lapStatisticsOf([&model](auto f) { model.forEachLap(f); });
}

void forEachResidual(const MeasurementModel& model, const Results& results,
                     const std::function<void(double t, double residual)>& f)
{
    if (!results.fitShown())
        return;
    if (const analysis::FitResult* fit = results.goodFit()) {
        model.forEachValidPoint(results.request.range,
                                [&](double t, double y) { f(t, y - fit->valueAt(t)); });
        return;
    }
    for (std::size_t i = 0; i < results.residualT.size(); ++i)
        f(results.residualT[i], results.residual[i]);
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
