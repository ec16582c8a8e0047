#include "graph/GraphReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstdio>

MeasuredPoints measuredPoints(const QList<ReadRow>& rows, const QSet<int>& excluded)
{
    MeasuredPoints points;
    for (const ReadRow& row : rows) {
        if (row.kind != RowKind::Data)
            continue;
        ++points.readings;
        if (row.rejected) {
            ++points.rejected;
            continue;
        }
        if (excluded.contains(row.number)) {
            ++points.excluded;
            continue;
        }
        // The fits take no NaN; a reader that let one through must not stop them.
        if (std::isfinite(row.elapsed) && std::isfinite(row.target)) {
            points.t.push_back(row.elapsed);
            points.y.push_back(row.target);
        }
        if (row.number > 0 && std::isfinite(row.lap))
            points.laps.push_back(row.lap);
    }
    return points;
}

QString unreadableReason(const DataFileContents& contents)
{
    if (!contents.opened)
        return contents.openError;
    bool dataFile = contents.looksLikeDataFile;
    bool readings = false;
    for (const ReadRow& row : contents.rows) {
        dataFile = dataFile || row.kind == RowKind::Header || row.kind == RowKind::ColumnTitle;
        readings = readings || row.kind == RowKind::Data;
        if (dataFile && readings)
            break;
    }
    const std::optional<ReadProblem>& problem = contents.firstProblem;
    if (!dataFile) {
        if (contents.lines == 0 && !problem)
            return QStringLiteral("空のファイルです");
        if (!problem)
            return QStringLiteral("データファイルではありません");
        return QStringLiteral("データファイルではありません（%1 行目: %2）")
            .arg(problem->line)
            .arg(problem->reason);
    }
    // Heading rows alone are a measurement not begun; heading rows and lines
    // that cannot be read are nothing to go on.
    if (!readings && problem)
        return QStringLiteral("読める測定がありません。") +
               unreadLinesText(*problem, contents.unreadLines);
    return {};
}

QString unreadLinesText(const ReadProblem& first, int count)
{
    QString text = QStringLiteral("%1 行目を読めません: %2").arg(first.line).arg(first.reason);
    if (count > 1)
        text += QStringLiteral("（読めない行は全部で %1 行）").arg(count);
    return text;
}

QString unreadLinesText(const DataFileContents& contents)
{
    if (!contents.firstProblem)
        return {};
    return unreadLinesText(*contents.firstProblem, contents.unreadLines);
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

QByteArray jsonNumber(double value)
{
    if (!std::isfinite(value))
        return QByteArrayLiteral("null");
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return QByteArray(text);
}

namespace
{

QByteArray jsonString(const QString& text)
{
    // QJsonDocument escapes what JSON needs; the array around it is cut off.
    const QByteArray array =
        QJsonDocument(QJsonArray{QJsonValue(text)}).toJson(QJsonDocument::Compact);
    return array.mid(1, array.size() - 2);
}

QByteArray lapsJson(const analysis::LapStatistics& s)
{
    return "{\"count\": " + QByteArray::number(s.count) + ", \"mean\": " + jsonNumber(s.mean) +
           ", \"sd\": " + jsonNumber(s.sd) + ", \"sem\": " + jsonNumber(s.sem) +
           ", \"min\": " + jsonNumber(s.min) + ", \"max\": " + jsonNumber(s.max) + "}";
}

QByteArray fitJson(const analysis::FitResult& fit)
{
    QByteArray json = "{\"model\": ";
    json += fit.model == analysis::Model::Linear ? "\"linear\"" : "\"cooling\"";
    json += ", \"points\": " + QByteArray::number(fit.points) + ", \"parameters\": {";
    for (std::size_t i = 0; i < fit.parameters.size(); ++i) {
        const analysis::FitParameter& p = fit.parameters[i];
        if (i > 0)
            json += ", ";
        json += jsonString(QString::fromStdString(p.name)) +
                ": {\"value\": " + jsonNumber(p.value) + ", \"se\": " + jsonNumber(p.se) + "}";
    }
    json += "}, \"r2\": " + jsonNumber(fit.r2) + ", \"residual_sd\": " + jsonNumber(fit.residualSd);
    if (fit.model == analysis::Model::Cooling) {
        json += ", \"time_constant\": " + jsonNumber(fit.timeConstant) +
                ", \"half_time\": " + jsonNumber(fit.halfTime);
        // No value at t = 0 to give (it is null): the curve where the readings are.
        if (!std::isfinite(fit.parameters[1].value)) {
            const analysis::CurveValue& v = fit.atFirstTime;
            json += ", \"value_at_first_time\": {\"t\": " + jsonNumber(v.t) +
                    ", \"value\": " + jsonNumber(v.value) + ", \"se\": " + jsonNumber(v.se) + "}";
        }
    }
    return json + "}";
}

} // namespace

std::vector<analysis::Press> pressesOf(const QList<ReadRow>& rows, const QSet<int>& excluded)
{
    std::vector<analysis::Press> presses;
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::Data)
            presses.push_back(
                {row.number, row.elapsed, row.rejected, excluded.contains(row.number)});
    }
    return presses;
}

namespace
{

QByteArray estimateJson(const analysis::Estimate& e)
{
    return "{\"value\": " + jsonNumber(e.value) + ", \"se\": " + jsonNumber(e.se) + "}";
}

QByteArray numbersJson(const std::vector<int>& numbers)
{
    QByteArray json = "[";
    for (std::size_t i = 0; i < numbers.size(); ++i)
        json += (i > 0 ? ", " : "") + QByteArray::number(numbers[i]);
    return json + "]";
}

QByteArray periodJson(const analysis::PeriodFit& fit, bool halfSwing)
{
    return "{\"model\": \"period\", \"points\": " + QByteArray::number(fit.points) +
           ", \"parameters\": {\"start\": " + estimateJson(fit.start) +
           ", \"period\": " + estimateJson(fit.period) + "}, \"r2\": " + jsonNumber(fit.r2) +
           ", \"residual_sd\": " + jsonNumber(fit.residualSd) +
           ", \"swings\": " + QByteArray::number(fit.swings) +
           ", \"missed\": " + numbersJson(fit.missed) +
           ", \"doubled\": " + numbersJson(fit.doubled) +
           ", \"first_last_period\": " + estimateJson(fit.firstLastPeriod) +
           ", \"half_swing\": " + (halfSwing ? "true" : "false") + "}";
}

} // namespace

AppliedExclusions applyExclusions(const QList<ReadRow>& rows, const QSet<int>& requested)
{
    QSet<int> present;
    QSet<int> applied;
    for (const ReadRow& row : rows) {
        if (row.kind != RowKind::Data || !requested.contains(row.number))
            continue;
        present.insert(row.number);
        if (!row.rejected)
            applied.insert(row.number);
    }
    AppliedExclusions result;
    result.applied.assign(applied.cbegin(), applied.cend());
    for (const int number : requested) {
        if (!present.contains(number))
            result.missing.push_back(number);
    }
    std::sort(result.applied.begin(), result.applied.end());
    std::sort(result.missing.begin(), result.missing.end());
    return result;
}

QString missingReadingsText(const std::vector<int>& missing)
{
    if (missing.empty())
        return {};
    QStringList numbers;
    for (const int number : missing)
        numbers << QString::number(number);
    return QStringLiteral("読み %1 はファイルにないので除外していません")
        .arg(numbers.join(QStringLiteral(", ")));
}

Report buildReport(const QString& path, DataFileContents contents,
                   std::optional<analysis::Model> model, std::optional<PeriodChoice> period,
                   const QSet<int>& excluded)
{
    Report report;
    if (const QString reason = unreadableReason(contents); !reason.isEmpty()) {
        report.error = path + QStringLiteral(": ") + reason;
        return report;
    }
    const QString unread = unreadLinesText(contents);
    QByteArray unreadJson = "null";
    if (const std::optional<ReadProblem>& problem = contents.firstProblem) {
        unreadJson = "{\"lines\": " + QByteArray::number(contents.unreadLines) +
                     ", \"first_line\": " + QByteArray::number(problem->line) +
                     ", \"reason\": " + jsonString(problem->reason) + "}";
    }
    const AppliedExclusions exclusions = applyExclusions(contents.rows, excluded);
    QByteArray fit = "null";
    if (period) {
        const analysis::PeriodFit result =
            analysis::fitPeriod(pressesOf(contents.rows, excluded), period->pressPerHalfSwing);
        if (!result.ok()) {
            analysis::FitResult failed;
            failed.failure = result.failure;
            failed.points = result.points;
            report.error = path + QStringLiteral(": ") + fitFailureText(failed);
            return report;
        }
        fit = periodJson(result, period->pressPerHalfSwing);
    }
    MeasuredPoints points = measuredPoints(contents.rows, excluded);
    contents.rows = {};
    const QByteArray laps = lapsJson(analysis::lapStatistics(points.laps));
    points.laps = {};
    if (model && !period) {
        const analysis::FitResult result = fitModel(*model, points.t, points.y);
        if (!result.ok()) {
            report.error = path + QStringLiteral(": ") + fitFailureText(result);
            return report;
        }
        fit = fitJson(result);
    }
    report.json = "{\"file\": " + jsonString(path) +
                  ", \"readings\": " + QByteArray::number(points.readings) +
                  ", \"rejected\": " + QByteArray::number(points.rejected) +
                  ", \"excluded\": " + numbersJson(exclusions.applied) + ", \"laps\": " + laps +
                  ", \"fit\": " + fit + ", \"unread\": " + unreadJson + "}\n";
    report.ok = true;
    report.status = unread.isEmpty() ? ExitStatus::AllRead : ExitStatus::SomeUnread;
    if (!unread.isEmpty())
        report.warnings << path + QStringLiteral(": ") + unread;
    if (const QString text = missingReadingsText(exclusions.missing); !text.isEmpty())
        report.warnings << path + QStringLiteral(": ") + text;
    return report;
}
