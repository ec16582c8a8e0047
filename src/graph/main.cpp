// quellmark-graph: the window that follows a data file, or, with --export or
// --report, the same figure and results for scripts, without a window.

#include "app/StartFolder.h"
#include "datafile/DataFileReader.h"
#include "datafile/NativePath.h"
#include "exports/ExportFormats.h"
#include "exports/FigureExport.h"
#include "exports/JsonReport.h"
#include "exports/XlsxExport.h"
#include "graph/CommandLine.h"
#include "graph/GraphPlot.h"
#include "graph/GraphWindow.h"
#include "graph/HeadlessPlatform.h"
#include "graph/LargeArrays.h"
#include "graph/ParentConsole.h"
#include "readings/FileReadings.h"
#include "readings/ResultText.h"
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QIcon>

#include <cstdio>
#include <optional>
#include <utility>

namespace
{

void printError(const QString& message)
{
    std::fprintf(stderr, "quellmark-graph: %s\n", message.toLocal8Bit().constData());
}

// Without a window, standard error is the program's own: Qt's warnings
// (about paths, the headless platform's window sizes …) say nothing a user
// can act on.
void dropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtFatalMsg)
        printError(message);
}

int fail(const QString& message)
{
    printError(message);
    return ExitStatus::Failed;
}

int runReport(const Options& o)
{
    Report report =
        buildReport(o.file, readDataFile(o.file, RowsKept::Readings), o.fit, o.excluded);
    if (!report.ok)
        return fail(report.error);
    std::fwrite(report.json.constData(), 1, std::size_t(report.json.size()), stdout);
    if (std::fflush(stdout) != 0)
        return fail(QStringLiteral("標準出力に書けません"));
    for (const QString& warning : std::as_const(report.warnings))
        printError(warning);
    return report.status;
}

// As the window shows them: the fit, the readings left out, the laps.
QStringList resultLines(const Results& results, const MeasurementModel& model)
{
    QStringList lines;
    if (!results.fitText.isEmpty())
        lines = results.fitText.split(u'\n');
    if (const QString leftOut = leftOutText(model.rejectedReadings(), model.excludedReadings());
        !leftOut.isEmpty())
        lines += leftOut.split(u'\n');
    return lines + results.lapText.split(u'\n');
}

// Read into the model, compute the results, export.
int runExport(const Options& o)
{
    const QString& path = o.file;
    const std::optional<ExportFormat> format = exportFormatOf(o.out);
    if (format == ExportFormat::Xlsx && !xlsxExportAvailable())
        return fail(
            QStringLiteral("この版は XLSX で保存できません。CSV か HTML で保存してください: %1")
                .arg(o.out));
    DataFileContents contents = readDataFile(path);
    if (const QString reason = unreadableReason(contents); !reason.isEmpty())
        return fail(path + QStringLiteral(": ") + reason);
    const QString unread = unreadLinesText(contents);
    const AppliedExclusions exclusions = applyExclusions(contents.rows, o.excluded);
    MeasurementModel model;
    model.setExcluded(o.excluded);
    model.append(contents.rows, contents.valueTitle, contents.subjectLines);
    // At a million readings the rows are twice the model: gone before the
    // fit and the figure take their share.
    contents = {};
    Results results = computeResults(model, o.fit);
    if (results.period && !results.period->ok())
        return fail(path + QStringLiteral(": ") + results.fitText);
    if (results.fit && !results.fit->ok())
        return fail(path + QStringLiteral(": ") + fitFailureText(*results.fit));
    const ExportSource source{model, results, resultLines(results, model), {path}};
    QString error;
    bool written = false;
    if (format && !exportFormatDraws(*format)) {
        written = exportData(*format, o.out, source, &error);
    } else {
        // Drawn as the window draws them: the readings left out apart, and
        // in none of the plot's fits and laps.
        GraphPlot plot(model);
        plot.showReadings();
        plot.showResults(results);
        plot.showLapMean(results.laps.count > 0 ? std::optional(results.laps.mean) : std::nullopt);
        results.residualT = {};
        results.residual = {};
        plot.refresh();
        written = exportResults(o.out, source, plot, {.fitLabel = o.fitLabel}, &error);
    }
    if (!written)
        return fail(error);
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
    window.chooseFit(o->fit.choice, o->fit.pressPerHalfSwing);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char** argv)
{
    LargeArrays::returnToTheSystemWhenFreed();
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
    if (o && o->mode != Mode::Window)
        qInstallMessageHandler(dropQtMessages);
    if (o && o->mode == Mode::Report) {
        const QCoreApplication app(argc, argv);
        return runReport(*o);
    }
    if (o && o->mode == Mode::Export) {
        // Only what draws needs a (headless) GUI application.
        if (const auto format = exportFormatOf(o->out); format && !exportFormatDraws(*format)) {
            const QCoreApplication app(argc, argv);
            return runExport(*o);
        }
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
