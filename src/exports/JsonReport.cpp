#include "exports/JsonReport.h"

#include "readings/FileReadings.h"
#include "readings/MeasurementModel.h"
#include "readings/ResultText.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstdio>

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
        // With their standard errors, as the parameters they come from.
        const CoolingTime tau = timeConstantOf(fit);
        const CoolingTime half = halfTimeOf(fit);
        json += ", \"time_constant\": {\"value\": " + jsonNumber(tau.value) +
                ", \"se\": " + jsonNumber(tau.se) +
                "}, \"half_time\": {\"value\": " + jsonNumber(half.value) +
                ", \"se\": " + jsonNumber(half.se) + "}";
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

Report buildReport(const QString& path, DataFileContents contents, const FitRequest& request,
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
    MeasurementModel model;
    model.setExcluded(excluded);
    model.append(contents.rows, contents.valueTitle, contents.subjectLines);
    contents = {};
    const Results results = computeResults(model, request);
    QByteArray fit = "null";
    if (results.period) {
        if (!results.period->ok()) {
            analysis::FitResult failed;
            failed.failure = results.period->failure;
            failed.points = results.period->points;
            report.error = path + QStringLiteral(": ") + fitFailureText(failed);
            return report;
        }
        fit = periodJson(*results.period, request.pressPerHalfSwing);
    } else if (results.fit) {
        if (!results.fit->ok()) {
            report.error = path + QStringLiteral(": ") + fitFailureText(*results.fit);
            return report;
        }
        fit = fitJson(*results.fit);
    }
    // The subject as the file began, and each change with the reading it came after.
    QByteArray changes = "[";
    for (const MeasurementModel::SubjectChange& change : model.subjectChanges()) {
        if (changes.size() > 1)
            changes += ", ";
        changes += "{\"after_reading\": " +
                   (change.afterReading < 0 ? QByteArray("null")
                                            : QByteArray::number(change.afterReading)) +
                   ", \"subject\": " + jsonString(subjectText(change.lines)) + "}";
    }
    changes += "]";
    report.json = "{\"file\": " + jsonString(path) +
                  ", \"subject\": " + jsonString(subjectText(model.initialSubjectLines())) +
                  ", \"subject_changes\": " + changes +
                  ", \"readings\": " + QByteArray::number(model.readingCount()) +
                  ", \"rejected\": " + QByteArray::number(model.rejectedCount()) +
                  ", \"excluded\": " + numbersJson(exclusions.applied) +
                  ", \"laps\": " + lapsJson(results.laps) + ", \"fit\": " + fit +
                  ", \"unread\": " + unreadJson + "}\n";
    report.ok = true;
    report.status = unread.isEmpty() ? ExitStatus::AllRead : ExitStatus::SomeUnread;
    if (!unread.isEmpty())
        report.warnings << path + QStringLiteral(": ") + unread;
    if (const QString text = missingReadingsText(exclusions.missing); !text.isEmpty())
        report.warnings << path + QStringLiteral(": ") + text;
    return report;
}
