#include "exports/XlsxExport.h"

#include "exports/ExportTarget.h"

#include "readings/Reading.h"

#include <QFile>
#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace
{

// Points of the fitted curve in the chart: enough for a cooling curve to
// look smooth at any size the chart is drawn.
constexpr int CurveSamples = 200;

// Sheets hold at most this many rows, the column titles' one included.
constexpr qsizetype MaxRows = 1048576;

class Sheet
{
public:
    Sheet(lxw_workbook* book, const QString& name)
        : m_sheet(workbook_add_worksheet(book, name.toUtf8().constData()))
    {
    }
    lxw_worksheet* get() const { return m_sheet; }

    void text(int row, int column, const QString& text, lxw_format* format = nullptr)
    {
        if (!text.isEmpty())
            worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column),
                                   text.toUtf8().constData(), format);
    }
    // A value the file did not hold as a number stays an empty cell.
    void number(int row, int column, double value)
    {
        if (std::isfinite(value))
            worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, nullptr);
    }

private:
    lxw_worksheet* m_sheet;
};

QString valueColumnTitle(const QString& valueTitle)
{
    return valueTitle.trimmed().isEmpty() ? QStringLiteral("値") : valueTitle;
}

void writeReadings(Sheet& sheet, const XlsxBook& book, lxw_format* bold)
{
    const QStringList titles{QStringLiteral("番号"), QStringLiteral("経過時間 (秒)"),
                             QStringLiteral("ラップ (秒)"), valueColumnTitle(book.valueTitle),
                             QStringLiteral("備考")};
    worksheet_set_column(sheet.get(), 0, 0, 8, nullptr);
    worksheet_set_column(sheet.get(), 1, 3, 14, nullptr);
    worksheet_freeze_panes(sheet.get(), 1, 0);
    for (int c = 0; c < titles.size(); ++c)
        sheet.text(0, c, titles[c], bold);
    int row = 1;
    for (const Reading& r : book.readings) {
        sheet.number(row, 0, r.number);
        sheet.number(row, 1, r.elapsed);
        sheet.number(row, 2, r.lap);
        sheet.number(row, 3, r.value);
        sheet.text(row, 4, readingRemark(r));
        ++row;
    }
}

// The results as the page shows them, line by line, then the numbers
// unrounded under the names the report gives them.
void writeResults(Sheet& sheet, const XlsxBook& book, lxw_format* bold)
{
    worksheet_set_column(sheet.get(), 0, 0, 20, nullptr);
    worksheet_set_column(sheet.get(), 1, 2, 20, nullptr);
    int row = 0;
    for (const QString& line : book.subjectLines) {
        if (!line.trimmed().isEmpty()) {
            sheet.text(row, 0, line.trimmed(), row == 0 ? bold : nullptr);
            ++row;
        }
    }
    ++row;
    sheet.text(row++, 0, QStringLiteral("結果"), bold);
    for (const QString& line : book.results) {
        if (!line.trimmed().isEmpty())
            sheet.text(row++, 0, line);
    }
    ++row;
    sheet.text(row, 0, QStringLiteral("丸める前の数値"), bold);
    sheet.text(row, 1, QStringLiteral("値"), bold);
    sheet.text(row++, 2, QStringLiteral("標準誤差"), bold);
    const auto value = [&](const QString& name, double v, double se = NAN) {
        sheet.text(row, 0, name);
        sheet.number(row, 1, v);
        sheet.number(row++, 2, se);
    };
    if (book.fit) {
        for (const analysis::FitParameter& p : book.fit->parameters)
            value(QString::fromStdString(p.name), p.value, p.se);
        value(QStringLiteral("r2"), book.fit->r2);
        value(QStringLiteral("residual_sd"), book.fit->residualSd);
    }
    if (const analysis::PeriodFit* p = book.period) {
        value(QStringLiteral("start"), p->start.value, p->start.se);
        value(QStringLiteral("period"), p->period.value, p->period.se);
        value(QStringLiteral("first_last_period"), p->firstLastPeriod.value, p->firstLastPeriod.se);
        value(QStringLiteral("swings"), p->swings);
        for (const auto& [name, numbers] : {std::pair{QStringLiteral("missed"), &p->missed},
                                            std::pair{QStringLiteral("doubled"), &p->doubled}}) {
            // Reading numbers, as the report lists them.
            QStringList list;
            for (const int number : *numbers)
                list << QString::number(number);
            sheet.text(row, 0, name);
            sheet.text(row++, 1, list.join(QStringLiteral(", ")));
        }
        value(QStringLiteral("r2"), p->r2);
        value(QStringLiteral("residual_sd"), p->residualSd);
    }
    const analysis::LapStatistics& laps = book.laps;
    value(QStringLiteral("laps.count"), laps.count);
    value(QStringLiteral("laps.mean"), laps.mean, laps.sem);
    value(QStringLiteral("laps.sd"), laps.sd);
    value(QStringLiteral("laps.min"), laps.min);
    value(QStringLiteral("laps.max"), laps.max);
}

struct ChartRanges {
    int points = 0; // readings used, from row 1
    int curve = 0;  // curve samples, from row 1
};

// What the chart draws, on a sheet of its own: the readings the fit used and
// the fitted curve sampled across them.
ChartRanges writeChartData(Sheet& sheet, const XlsxBook& book, lxw_format* bold)
{
    std::vector<std::pair<double, double>> used;
    for (const Reading& r : book.readings) {
        if (!r.rejected && !r.excluded && std::isfinite(r.elapsed) && std::isfinite(r.value))
            used.emplace_back(r.elapsed, r.value);
    }
    ChartRanges ranges{int(used.size()), 0};
    const QString value = valueColumnTitle(book.valueTitle);
    sheet.text(0, 0, QStringLiteral("経過時間 (秒)"), bold);
    sheet.text(0, 1, value, bold);
    std::vector<double> curveT;
    if (book.fit && !used.empty()) {
        const auto [lo, hi] =
            std::minmax_element(used.begin(), used.end(),
                                [](const auto& a, const auto& b) { return a.first < b.first; });
        const double from = lo->first;
        const double to = hi->first;
        for (int i = 0; i <= CurveSamples; ++i)
            curveT.push_back(from + (to - from) * i / CurveSamples);
        ranges.curve = int(curveT.size());
        sheet.text(0, 2, QStringLiteral("当てはめの時刻 (秒)"), bold);
        sheet.text(0, 3, QStringLiteral("当てはめの") + value, bold);
    }
    worksheet_set_column(sheet.get(), 0, 3, 16, nullptr);
    const std::size_t rows = std::max(used.size(), curveT.size());
    for (std::size_t i = 0; i < rows; ++i) {
        const int row = int(i) + 1;
        if (i < used.size()) {
            sheet.number(row, 0, used[i].first);
            sheet.number(row, 1, used[i].second);
        }
        if (i < curveT.size()) {
            sheet.number(row, 2, curveT[i]);
            sheet.number(row, 3, book.fit->valueAt(curveT[i]));
        }
    }
    return ranges;
}

void addChart(lxw_workbook* workbook, Sheet& readings, const QString& dataSheet,
              const ChartRanges& ranges, const XlsxBook& book)
{
    if (ranges.points == 0)
        return;
    lxw_chart* chart = workbook_add_chart(workbook, LXW_CHART_SCATTER);
    const QByteArray sheet = dataSheet.toUtf8();
    lxw_chart_series* measured = chart_add_series(chart, nullptr, nullptr);
    chart_series_set_categories(measured, sheet.constData(), 1, 0, lxw_row_t(ranges.points), 0);
    chart_series_set_values(measured, sheet.constData(), 1, 1, lxw_row_t(ranges.points), 1);
    chart_series_set_name(measured, "測定値");
    chart_series_set_marker_type(measured, LXW_CHART_MARKER_CIRCLE);
    chart_series_set_marker_size(measured, 5);
    if (ranges.curve > 0) {
        lxw_chart_series* curve = chart_add_series(chart, nullptr, nullptr);
        chart_series_set_categories(curve, sheet.constData(), 1, 2, lxw_row_t(ranges.curve), 2);
        chart_series_set_values(curve, sheet.constData(), 1, 3, lxw_row_t(ranges.curve), 3);
        chart_series_set_name(curve, "当てはめ");
        chart_series_set_marker_type(curve, LXW_CHART_MARKER_NONE);
        lxw_chart_line line{};
        line.color = 0xC00000;
        line.width = 2.0f;
        chart_series_set_line(curve, &line);
    }
    QString title;
    for (const QString& line : book.subjectLines) {
        if (title.isEmpty())
            title = line.trimmed();
    }
    if (!title.isEmpty())
        chart_title_set_name(chart, title.toUtf8().constData());
    chart_axis_set_name(chart->x_axis, "経過時間 (秒)");
    chart_axis_set_name(chart->y_axis, valueColumnTitle(book.valueTitle).toUtf8().constData());
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    lxw_chart_options options{};
    options.x_scale = 1.6;
    options.y_scale = 1.6;
    worksheet_insert_chart_opt(readings.get(), 1, 6, chart, &options);
}

} // namespace

bool xlsxExportAvailable()
{
    return true;
}

bool writeXlsxBook(const QString& path, const XlsxBook& book, QString* error,
                   const QStringList& protectedFiles)
{
    if (book.readings.size() >= MaxRows) {
        *error = QStringLiteral("XLSX の表に入るのは %1 個の読みまでです（%2 個あります）: %3")
                     .arg(MaxRows - 1)
                     .arg(book.readings.size())
                     .arg(path);
        return false;
    }
    // The library writes only to a file it names itself: the guard's
    // temporary file, which replaces `path` once the workbook is whole.
    const auto failed = writeExport(path, protectedFiles, [&book](const QString& temporary) {
        const QByteArray temporaryName = QFile::encodeName(temporary);
        lxw_workbook_options options{};
        // Rows go to disk as they are written: a million readings stay small in memory.
        options.constant_memory = LXW_TRUE;
        lxw_workbook* workbook = workbook_new_opt(temporaryName.constData(), &options);
        if (!workbook)
            return QStringLiteral("ブックを作れません");
        lxw_format* bold = workbook_add_format(workbook);
        format_set_bold(bold);
        const QString dataSheet = QStringLiteral("グラフのデータ");
        Sheet readings(workbook, QStringLiteral("測定値"));
        Sheet results(workbook, QStringLiteral("結果"));
        Sheet chartData(workbook, dataSheet);
        writeReadings(readings, book, bold);
        writeResults(results, book, bold);
        addChart(workbook, readings, dataSheet, writeChartData(chartData, book, bold), book);
        if (const lxw_error closed = workbook_close(workbook); closed != LXW_NO_ERROR)
            return QString::fromUtf8(lxw_strerror(closed));
        return QString();
    });
    if (failed) {
        *error = failed->message;
        return false;
    }
    return true;
}
