// quellmark-graph: the window that follows a data file, or, with --export or
// --report, the same figure and results for scripts, without a window.

#include "app/StartFolder.h"
#include "datafile/DataFileReader.h"
#include "datafile/NativePath.h"
#include "graph/FigureExport.h"
#include "graph/GraphPlot.h"
#include "graph/GraphReport.h"
#include "graph/GraphWindow.h"
#include "graph/HeadlessPlatform.h"
#include "graph/HtmlExport.h"
#include "graph/ParentConsole.h"
#include "graph/ReadingsCsvExport.h"
#include "graph/ResultFormatting.h"
#include "graph/ResultText.h"
#include "graph/XlsxExport.h"
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>
#include <optional>
#include <utility>

namespace
{

enum class Mode { Window, Export, Report };

struct Options {
    Mode mode = Mode::Window;
    QString file; // or folder, for the window
    QString out;
    std::optional<analysis::Model> model;
    std::optional<PeriodChoice> period;
    QSet<int> excluded; // reading numbers
    bool fitLabel = true;
};

// "4,7" → {4, 7}; nothing for a list that is not reading numbers and commas.
std::optional<QSet<int>> readingNumbers(const QString& list)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[0-9]{1,9}\s*$)"));
    QSet<int> numbers;
    for (const QString& part : list.split(u',')) {
        if (!number.match(part).hasMatch())
            return std::nullopt;
        numbers.insert(part.trimmed().toInt());
    }
    return numbers;
}

// The command line is read before any application object exists: --help,
// --version and a wrong option need no display, and the kind of application
// (none, offscreen or a window) depends on what was asked.
class CommandLine
{
public:
    CommandLine()
        : m_export(QStringLiteral("export"),
                   QStringLiteral("図を OUT (.png, .svg, .pdf)、ページを OUT.html、ブックを "
                                  "OUT.xlsx、測定値を OUT.csv に書いて終わる"),
                   QStringLiteral("OUT")),
          m_report(QStringLiteral("report"),
                   QStringLiteral("結果を JSON で標準出力に書いて終わる")),
          m_fit(QStringLiteral("fit"),
                QStringLiteral("--export と --report の当てはめ: linear、cooling、period（周期）"),
                QStringLiteral("MODEL")),
          m_halfSwing(QStringLiteral("half-swing"),
                      QStringLiteral("--fit period: 半周期ごとに押した（周期はラップの 2 倍）")),
          m_exclude(QStringLiteral("exclude"),
                    QStringLiteral("--export と --report で、この番号の読みを当てはめと統計から"
                                   "除く（例: 4,7）。データファイルは変えない"),
                    QStringLiteral("LIST")),
          m_noFitLabel(QStringLiteral("no-fit-label"),
                       QStringLiteral("--export の図に当てはめの式と値を入れない"))
    {
        m_parser.setApplicationDescription(
            QStringLiteral("Quellmark のデータファイルのグラフ。終了状態: 0 すべての行を"
                           "読めた、1 読めない行を除いて作った、2 読めない・当てはめ"
                           "できない・コマンドラインの誤り"));
        m_parser.addHelpOption();
        m_parser.addVersionOption();
        m_parser.addOptions({m_export, m_report, m_fit, m_halfSwing, m_exclude, m_noFitLabel});
        m_parser.addPositionalArgument(
            QStringLiteral("FILE|FOLDER"),
            QStringLiteral("データファイル。窓では、その最新のものを追うフォルダでもよい"));
    }

    bool parse(const QStringList& arguments) { return m_parser.parse(arguments); }
    QString errorText() const { return m_parser.errorText(); }
    bool withoutWindow() const { return m_parser.isSet(m_report) || m_parser.isSet(m_export); }
    bool helpOrVersion() const { return isHelp() || m_parser.isSet(QStringLiteral("version")); }
    QString helpOrVersionText() const
    {
        if (isHelp())
            return m_parser.helpText();
        return QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion() +
               u'\n';
    }

    // The options, or why they do not go together.
    std::optional<Options> options(QString* error) const
    {
        Options o;
        const bool report = m_parser.isSet(m_report);
        const bool exporting = m_parser.isSet(m_export);
        if (report && exporting) {
            *error = QStringLiteral("--report と --export は別々に使ってください");
            return std::nullopt;
        }
        o.mode = report ? Mode::Report : exporting ? Mode::Export : Mode::Window;
        o.out = m_parser.value(m_export);
        o.fitLabel = !m_parser.isSet(m_noFitLabel);
        if (m_parser.isSet(m_fit)) {
            const QString name = m_parser.value(m_fit);
            if (name == QStringLiteral("linear")) {
                o.model = analysis::Model::Linear;
            } else if (name == QStringLiteral("cooling")) {
                o.model = analysis::Model::Cooling;
            } else if (name == QStringLiteral("period")) {
                o.period = PeriodChoice{m_parser.isSet(m_halfSwing)};
            } else {
                *error =
                    QStringLiteral("--fit は linear、cooling、period のどれかです: %1").arg(name);
                return std::nullopt;
            }
        }
        if (m_parser.isSet(m_exclude)) {
            const QString list = m_parser.value(m_exclude);
            const std::optional<QSet<int>> numbers = readingNumbers(list);
            if (!numbers) {
                *error = QStringLiteral("--exclude には読みの番号をコンマで区切って書いてください"
                                        "（例: 4,7）: %1")
                             .arg(list);
                return std::nullopt;
            }
            if (o.mode == Mode::Window) {
                *error = QStringLiteral("--exclude は --report か --export と使ってください");
                return std::nullopt;
            }
            o.excluded = *numbers;
        }
        const QStringList files = m_parser.positionalArguments();
        if (o.mode == Mode::Window ? files.size() > 1 : files.size() != 1) {
            *error = QStringLiteral("データファイルを一つ指定してください");
            return std::nullopt;
        }
        o.file = files.value(0);
        return o;
    }

private:
    bool isHelp() const
    {
        return m_parser.isSet(QStringLiteral("help")) || m_parser.isSet(QStringLiteral("help-all"));
    }

    QCommandLineParser m_parser;
    QCommandLineOption m_export;
    QCommandLineOption m_report;
    QCommandLineOption m_fit;
    QCommandLineOption m_halfSwing;
    QCommandLineOption m_exclude;
    QCommandLineOption m_noFitLabel;
};

void printError(const QString& message)
{
    std::fprintf(stderr, "quellmark-graph: %s\n", message.toLocal8Bit().constData());
}

int fail(const QString& message)
{
    printError(message);
    return ExitStatus::Failed;
}

int runReport(const Options& o)
{
    Report report = buildReport(o.file, readDataFile(o.file, RowsKept::Readings), o.model, o.period,
                                o.excluded);
    if (!report.ok)
        return fail(report.error);
    std::fwrite(report.json.constData(), 1, std::size_t(report.json.size()), stdout);
    if (std::fflush(stdout) != 0)
        return fail(QStringLiteral("標準出力に書けません"));
    for (const QString& warning : std::as_const(report.warnings))
        printError(warning);
    return report.status;
}

QStringList resultLines(const QString& fitText, const analysis::LapStatistics& laps)
{
    QStringList lines;
    if (!fitText.isEmpty())
        lines = fitText.split(u'\n');
    return lines + lapStatisticsText(laps).split(u'\n');
}

int runExport(const Options& o)
{
    const QString& path = o.file;
    const QString suffix = QFileInfo(o.out).suffix().toLower();
    if (suffix == QStringLiteral("xlsx") && !xlsxExportAvailable())
        return fail(
            QStringLiteral("この版は XLSX で保存できません。CSV か HTML で保存してください: %1")
                .arg(o.out));
    // At a million readings the rows, the plot and the fit's workspace are
    // each about as large as the others. The fit comes first, on the readings
    // alone, and the file is read again for the figure, so that only two of
    // the three are ever held at once.
    std::optional<analysis::FitResult> fit;
    std::optional<analysis::PeriodFit> period;
    std::vector<analysis::Press> presses;
    if (o.model || o.period) {
        DataFileContents readings = readDataFile(path, RowsKept::Readings);
        if (const QString reason = unreadableReason(readings); !reason.isEmpty())
            return fail(path + QStringLiteral(": ") + reason);
        if (o.period) {
            presses = pressesOf(readings.rows, o.excluded);
            readings = {};
            period = analysis::fitPeriod(presses, o.period->pressPerHalfSwing);
            if (!period->ok())
                return fail(path + QStringLiteral(": ") +
                            periodResultText(*period, o.period->pressPerHalfSwing));
        } else {
            MeasuredPoints points = measuredPoints(readings.rows, o.excluded);
            readings = {};
            points.laps = {};
            fit = fitModel(*o.model, points.t, points.y);
            if (!fit->ok())
                return fail(path + QStringLiteral(": ") + fitFailureText(*fit));
        }
    }
    DataFileContents contents = readDataFile(path);
    if (const QString reason = unreadableReason(contents); !reason.isEmpty())
        return fail(path + QStringLiteral(": ") + reason);
    const QString unread = unreadLinesText(contents);
    const AppliedExclusions exclusions = applyExclusions(contents.rows, o.excluded);
    const analysis::FitResult* shownFit = fit ? &*fit : nullptr;
    const bool halfSwing = o.period && o.period->pressPerHalfSwing;
    const auto fitText = [&](const QString& unit) {
        return period ? periodResultText(*period, halfSwing)
               : fit  ? fitResultText(*fit, unit)
                      : QString();
    };
    QString error;
    if (suffix == QStringLiteral("csv")) {
        if (!writeReadingsCsv(o.out, exportedReadings(contents.rows, o.excluded),
                              contents.valueTitle, &error))
            return fail(error);
    } else if (suffix == QStringLiteral("xlsx")) {
        XlsxBook book;
        book.subjectLines = contents.subjectLines;
        book.valueTitle = contents.valueTitle;
        book.readings = exportedReadings(contents.rows, o.excluded);
        book.laps = analysis::lapStatistics(measuredPoints(contents.rows, o.excluded).laps);
        contents = {};
        book.results = resultLines(fitText(unitOfValueTitle(book.valueTitle)), book.laps);
        book.fit = shownFit;
        book.period = period ? &*period : nullptr;
        if (!writeXlsxBook(o.out, book, &error))
            return fail(error);
    } else {
        const bool html = suffix == QStringLiteral("html") || suffix == QStringLiteral("htm");
        HtmlPage page;
        if (html) {
            page.subjectLines = contents.subjectLines;
            page.valueTitle = contents.valueTitle;
            page.readings = exportedReadings(contents.rows, o.excluded);
        }
        // Drawn as the window draws them: the readings left out apart, and
        // in none of the plot's fits and laps.
        GraphPlot plot;
        plot.setExcluded(o.excluded);
        plot.appendRows(contents.rows, contents.valueTitle, contents.subjectLines);
        contents = {};
        if (period)
            plot.showPeriodFit(*period, presses, halfSwing);
        else if (fit)
            plot.showFit(shownFit);
        plot.refresh();
        const bool fitted = fit || period;
        if (html) {
            page.results =
                resultLines(fitText(plot.valueUnit()), analysis::lapStatistics(plot.laps()));
            putFigureOnPage(plot, o.fitLabel && fitted, page);
            if (!writeHtmlPage(o.out, page, &error))
                return fail(error);
        } else if (!exportFigure(plot, o.out, {.fitLabel = o.fitLabel}, &error)) {
            return fail(error);
        }
    }
    if (const QString missing = missingReadingsText(exclusions.missing); !missing.isEmpty())
        printError(path + QStringLiteral(": ") + missing);
    if (unread.isEmpty())
        return ExitStatus::AllRead;
    printError(path + QStringLiteral(": ") + unread);
    return ExitStatus::SomeUnread;
}

int runWindow(int argc, char** argv, CommandLine& line, const QStringList& arguments, bool parsed)
{
    QApplication app(argc, argv);
    // Docks and task bars find the menu entry, and with it name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quellmark-graph"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quellmark")));
    installQtJapanese(app);
    if (!parsed) {
        // Qt's own options (-platform, -style …) have been taken out now.
        QStringList rest = QCoreApplication::arguments();
        for (qsizetype i = 0; i < rest.size() && i < arguments.size(); ++i) {
            // Names as given, bytes that are no UTF-8 and all.
            if (QFile::encodeName(rest[i]) == NativePath::encode(arguments[i]))
                rest[i] = arguments[i];
        }
        if (!line.parse(rest))
            return fail(line.errorText());
    }
    QString error;
    const std::optional<Options> o = line.options(&error);
    if (!o)
        return fail(error);
    GraphWindow window(o->file);
    window.chooseFit(o->model, o->period);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    StartFolder::enterIfAsked(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quellmark-graph"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUELLMARK_VERSION));
    const QStringList arguments = NativePath::arguments(argc, argv);
    CommandLine line;
    const bool parsed = line.parse(arguments);
    // A window program on Windows: what the command line prints goes to the
    // console it was started from.
    if (!parsed || line.helpOrVersion() || line.withoutWindow())
        ParentConsole::attachForOutput();
    if (parsed && line.helpOrVersion()) {
        const QCoreApplication app(argc, argv); // for the program's name in the help
        const QByteArray text = line.helpOrVersionText().toLocal8Bit();
        std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout);
        return std::fflush(stdout) == 0 ? ExitStatus::AllRead : ExitStatus::Failed;
    }

    QString error;
    const std::optional<Options> o = parsed ? line.options(&error) : std::nullopt;
    if (parsed && !o)
        return fail(error);
    if (o && o->mode == Mode::Report) {
        const QCoreApplication app(argc, argv);
        return runReport(*o);
    }
    if (o && o->mode == Mode::Export) {
        qputenv("QT_QPA_PLATFORM", HeadlessPlatform::name());
        const QApplication app(argc, argv);
        return runExport(*o);
    }
    // A window, or options that only the window's Qt knows: without a
    // display, an option that is wrong for every mode fails here already.
    if (!parsed && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return fail(line.errorText());
    return runWindow(argc, argv, line, arguments, parsed);
}
