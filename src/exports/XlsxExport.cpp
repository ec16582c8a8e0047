#include "exports/XlsxExport.h"

#include "exports/ExportTarget.h"
#include "exports/SafeText.h"

#include "readings/MeasurementModel.h"
#include "readings/Reading.h"

#include <QFile>
#include <QHash>
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

// The first error of any libxlsxwriter call on a workbook: the export fails
// with it rather than leave a workbook with a hole.
class Errors
{
public:
    void check(lxw_error error)
    {
        if (m_first == LXW_NO_ERROR)
            m_first = error;
    }
    lxw_error first() const { return m_first; }

private:
    lxw_error m_first = LXW_NO_ERROR;
};

class Sheet
{
public:
    Sheet(lxw_workbook* book, const QString& name, Errors& errors)
        : m_sheet(workbook_add_worksheet(book, name.toUtf8().constData())), m_errors(errors)
    {
        if (!m_sheet)
            m_errors.check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    }
    bool ok() const { return m_sheet != nullptr; }
    lxw_worksheet* get() const { return m_sheet; }

    // Always a string, never a formula, whatever the text begins with.
    void text(int row, int column, const QString& text, lxw_format* format = nullptr)
    {
        if (!text.isEmpty())
            m_errors.check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column),
                                                  cellText(text).constData(), format));
    }
    // A value the file did not hold as a number stays an empty cell.
    void number(int row, int column, double value, lxw_format* format = nullptr)
    {
        if (std::isfinite(value))
            m_errors.check(
                worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, format));
    }
    void columns(int first, int last, double width)
    {
        m_errors.check(
            worksheet_set_column(m_sheet, lxw_col_t(first), lxw_col_t(last), width, nullptr));
    }

private:
    lxw_worksheet* m_sheet;
    Errors& m_errors;
};

QString valueColumnTitle(const QString& valueTitle)
{
    return valueTitle.trimmed().isEmpty() ? QStringLiteral("値") : valueTitle;
}

// A chart's or axis's title as text: libxlsxwriter takes one beginning with
// '=' for a reference to cells, which a space in front keeps it from.
QByteArray chartText(const QString& text)
{
    const QString shown = withoutXmlForbidden(text);
    return (shown.startsWith(u'=') ? u' ' + shown : shown).toUtf8();
}

void writeReadings(Sheet& sheet, const XlsxBook& book, lxw_format* bold, lxw_format* seconds)
{
    const QStringList titles{QStringLiteral("番号"), QStringLiteral("経過時間 (秒)"),
                             QStringLiteral("ラップ (秒)"), valueColumnTitle(book.valueTitle),
                             QStringLiteral("備考")};
    sheet.columns(0, 0, 8);
    sheet.columns(1, 3, 14);
    worksheet_freeze_panes(sheet.get(), 1, 0);
    for (int c = 0; c < titles.size(); ++c)
        sheet.text(0, c, titles[c], bold);
    int row = 1;
    for (const Reading& r : book.readings) {
        sheet.number(row, 0, r.number);
        sheet.number(row, 1, r.elapsed, seconds);
        sheet.number(row, 2, r.lap, seconds);
        sheet.number(row, 3, r.value);
        sheet.text(row, 4, tableRemark(r, book.marks));
        ++row;
    }
}

QString resultLabel(const QString& name)
{
    static const QHash<QString, QString> labels{
        {QStringLiteral("intercept"), QStringLiteral("切片 a")},
        {QStringLiteral("slope"), QStringLiteral("傾き b")},
        {QStringLiteral("ambient"), QStringLiteral("周囲の値 c")},
        {QStringLiteral("initial"), QStringLiteral("初期値 y0")},
        {QStringLiteral("rate"), QStringLiteral("速さ k")},
        {QStringLiteral("r2"), QStringLiteral("決定係数 R²")},
        {QStringLiteral("residual_sd"), QStringLiteral("残差の標準偏差")},
        {QStringLiteral("start"), QStringLiteral("最初の押し t₀")},
        {QStringLiteral("period"), QStringLiteral("周期 T（すべての押しの当てはめ）")},
        {QStringLiteral("first_last_period"), QStringLiteral("周期 T（最初と最後の押しだけ）")},
        {QStringLiteral("swings"), QStringLiteral("最初から最後の押しまでの周期の数")},
        {QStringLiteral("missed"), QStringLiteral("押し忘れのあとの測定回")},
        {QStringLiteral("doubled"), QStringLiteral("二度押しの測定回")},
        {QStringLiteral("laps.count"), QStringLiteral("ラップの個数")},
        {QStringLiteral("laps.mean"), QStringLiteral("ラップの平均")},
        {QStringLiteral("laps.sd"), QStringLiteral("ラップの標準偏差")},
        {QStringLiteral("laps.min"), QStringLiteral("ラップの最小")},
        {QStringLiteral("laps.max"), QStringLiteral("ラップの最大")}};
    return labels.value(name);
}

// The results as the page shows them, line by line, then the numbers
// unrounded under the names the report gives them.
void writeResults(Sheet& sheet, const XlsxBook& book, lxw_format* bold)
{
    sheet.columns(0, 0, 20);
    sheet.columns(1, 3, 20);
    int row = 0;
    for (const QString& line : book.subjectLines) {
        if (!line.trimmed().isEmpty()) {
            sheet.text(row, 0, line.trimmed(), row == 0 ? bold : nullptr);
            ++row;
        }
    }
    for (const QString& line : book.subjectChanges)
        sheet.text(row++, 0, line);
    ++row;
    sheet.text(row++, 0, QStringLiteral("結果"), bold);
    for (const QString& line : book.results) {
        if (!line.trimmed().isEmpty())
            sheet.text(row++, 0, line);
    }
    ++row;
    sheet.text(row, 0, QStringLiteral("丸める前の数値"), bold);
    sheet.text(row, 1, QStringLiteral("値"), bold);
    sheet.text(row, 2, QStringLiteral("標準誤差"), bold);
    sheet.text(row++, 3, QStringLiteral("意味"), bold);
    // Under the report's names, for scripts; beside them what they are.
    const auto value = [&](const QString& name, double v, double se = NAN) {
        sheet.text(row, 0, name);
        sheet.number(row, 1, v);
        sheet.number(row, 2, se);
        sheet.text(row++, 3, resultLabel(name));
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
            sheet.text(row, 1, list.join(QStringLiteral(", ")));
            sheet.text(row++, 3, resultLabel(name));
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
    int points = 0;  // readings used, from row 1
    int curve = 0;   // curve samples, from row 1
    int presses = 0; // the period fit's presses by swing, from row 1
};

// The period fit's presses against the swing each was pressed at, n counted
// from the first press used: the line t = t0 + T·n runs through them. The
// swing is the press's time in steps of the mean interval, as the fit counts.
std::vector<std::pair<double, double>> pressesBySwing(const XlsxBook& book)
{
    std::vector<std::pair<double, double>> presses;
    const analysis::PeriodFit* fit = book.period;
    if (!fit || fit->swings <= 0)
        return presses;
    std::vector<double> times;
    for (const Reading& r : book.readings) {
        if (!r.rejected && !r.excluded && !book.marks.doubled.contains(r.number) &&
            std::isfinite(r.elapsed))
            times.push_back(r.elapsed);
    }
    if (times.size() < 2)
        return presses;
    const auto [first, last] = std::minmax_element(times.begin(), times.end());
    const double step = (*last - *first) / fit->swings;
    for (const double t : times)
        presses.emplace_back(std::round((t - *first) / step), t);
    return presses;
}

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
    const std::vector<std::pair<double, double>> presses = pressesBySwing(book);
    ranges.presses = int(presses.size());
    if (!presses.empty()) {
        sheet.text(0, 4, QStringLiteral("周期の数 n"), bold);
        sheet.text(0, 5, QStringLiteral("押した時刻 (秒)"), bold);
        sheet.text(0, 6, QStringLiteral("当てはめの時刻 t₀ + T·n (秒)"), bold);
    }
    sheet.columns(0, 6, 16);
    // Row by row: the workbook is written in constant memory, each row once.
    const std::size_t rows = std::max({used.size(), curveT.size(), presses.size()});
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
        if (i < presses.size()) {
            const double swing = presses[i].first;
            sheet.number(row, 4, swing);
            sheet.number(row, 5, presses[i].second);
            const double perSwing = book.period->period.value / (book.pressPerHalfSwing ? 2 : 1);
            sheet.number(row, 6, book.period->start.value + perSwing * swing);
        }
    }
    return ranges;
}

// One series of a scatter chart, columns x and y of the chart's data from
// row 1 to `rows`: the readings as markers, a fitted curve as a red line.
bool addSeries(lxw_chart* chart, const QByteArray& sheet, int rows, int x, int y, const char* name,
               bool fitted, Errors& errors)
{
    lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
    if (!series) {
        errors.check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return false;
    }
    chart_series_set_categories(series, sheet.constData(), 1, lxw_col_t(x), lxw_row_t(rows),
                                lxw_col_t(x));
    chart_series_set_values(series, sheet.constData(), 1, lxw_col_t(y), lxw_row_t(rows),
                            lxw_col_t(y));
    chart_series_set_name(series, name);
    if (fitted) {
        chart_series_set_marker_type(series, LXW_CHART_MARKER_NONE);
        lxw_chart_line line{};
        line.color = 0xC00000;
        line.width = 2.0f;
        chart_series_set_line(series, &line);
    } else {
        chart_series_set_marker_type(series, LXW_CHART_MARKER_CIRCLE);
        chart_series_set_marker_size(series, 5);
    }
    return true;
}

// The chart beside the first rows of `sheet`, the sheet as wide as one
// printed page, so that the chart prints whole on the first.
void placeChart(lxw_chart* chart, Sheet& sheet, int column, double scale, Errors& errors)
{
    chart_legend_set_position(chart, LXW_CHART_LEGEND_BOTTOM);
    lxw_chart_options options{};
    options.x_scale = scale;
    options.y_scale = scale;
    errors.check(worksheet_insert_chart_opt(sheet.get(), 1, lxw_col_t(column), chart, &options));
    worksheet_set_landscape(sheet.get());
    worksheet_fit_to_pages(sheet.get(), 1, 0);
}

lxw_chart* newScatterChart(lxw_workbook* workbook, Errors& errors)
{
    lxw_chart* chart = workbook_add_chart(workbook, LXW_CHART_SCATTER);
    if (!chart)
        errors.check(LXW_ERROR_MEMORY_MALLOC_FAILED);
    return chart;
}

void addChart(lxw_workbook* workbook, Sheet& readings, const QString& dataSheet,
              const ChartRanges& ranges, const XlsxBook& book, Errors& errors)
{
    if (ranges.points == 0)
        return;
    lxw_chart* chart = newScatterChart(workbook, errors);
    const QByteArray sheet = dataSheet.toUtf8();
    if (!chart || !addSeries(chart, sheet, ranges.points, 0, 1, "測定値", false, errors))
        return;
    if (ranges.curve > 0 && !addSeries(chart, sheet, ranges.curve, 2, 3, "当てはめ", true, errors))
        return;
    const QString title = subjectText(book.subjectLines);
    if (!title.isEmpty())
        chart_title_set_name(chart, chartText(title).constData());
    chart_axis_set_name(chart->x_axis, "経過時間 (秒)");
    chart_axis_set_name(chart->y_axis, chartText(valueColumnTitle(book.valueTitle)).constData());
    placeChart(chart, readings, 6, 1.6, errors);
}

// The period fit's line through its presses, beside its numbers.
void addPeriodChart(lxw_workbook* workbook, Sheet& results, const QString& dataSheet,
                    const ChartRanges& ranges, Errors& errors)
{
    if (ranges.presses == 0)
        return;
    lxw_chart* chart = newScatterChart(workbook, errors);
    const QByteArray sheet = dataSheet.toUtf8();
    if (!chart || !addSeries(chart, sheet, ranges.presses, 4, 5, "押した時刻", false, errors) ||
        !addSeries(chart, sheet, ranges.presses, 4, 6, "当てはめ t = t₀ + T·n", true, errors))
        return;
    chart_title_set_name(chart, "周期の当てはめ");
    chart_axis_set_name(chart->x_axis, "周期の数 n");
    chart_axis_set_name(chart->y_axis, "時刻 t (秒)");
    placeChart(chart, results, 5, 1.4, errors);
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
        Errors errors;
        lxw_format* bold = workbook_add_format(workbook);
        lxw_format* seconds = workbook_add_format(workbook);
        if (bold && seconds) {
            format_set_bold(bold);
            format_set_num_format(seconds, "0.00");
        } else {
            errors.check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        }
        const QString dataSheet = QStringLiteral("グラフのデータ");
        Sheet readings(workbook, QStringLiteral("測定値"), errors);
        Sheet results(workbook, QStringLiteral("結果"), errors);
        Sheet chartData(workbook, dataSheet, errors);
        if (readings.ok() && results.ok() && chartData.ok() && bold && seconds) {
            writeReadings(readings, book, bold, seconds);
            writeResults(results, book, bold);
            const ChartRanges ranges = writeChartData(chartData, book, bold);
            addChart(workbook, readings, dataSheet, ranges, book, errors);
            addPeriodChart(workbook, results, dataSheet, ranges, errors);
        }
        // Closed in any case: it frees the workbook, and writes it whole or fails.
        const lxw_error closed = workbook_close(workbook);
        errors.check(closed);
        if (errors.first() != LXW_NO_ERROR)
            return QString::fromUtf8(lxw_strerror(errors.first()));
        return QString();
    });
    if (failed) {
        *error = failed->message;
        return false;
    }
    return true;
}
