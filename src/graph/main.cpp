// quellmark-graph: the window that follows a data file, or, with --export or
// --report, the same figure and results for scripts, without a window.

#include "app/StartFolder.h"
#include "datafile/DataFileReader.h"
#include "graph/GraphPlot.h"
#include "graph/GraphReport.h"
#include "graph/GraphWindow.h"
#include "graph/ParentConsole.h"
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QIcon>

#include <cstdio>
#include <cstring>
#include <utility>

namespace
{

enum class Mode { Window, Export, Report };

// The kind of application has to be chosen before Qt parses anything: a
// report needs no display at all, an export only an offscreen one.
Mode modeOf(int argc, char** argv)
{
    Mode mode = Mode::Window;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0)
            return Mode::Report;
        if (std::strcmp(argv[i], "--export") == 0 || std::strncmp(argv[i], "--export=", 9) == 0)
            mode = Mode::Export;
    }
    return mode;
}

int fail(const QString& message)
{
    std::fprintf(stderr, "quellmark-graph: %s\n", message.toLocal8Bit().constData());
    return 2;
}

int runCommandLine(const QCoreApplication& app, Mode mode)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Quellmark のデータファイルのグラフ"));
    parser.addHelpOption();
    const QCommandLineOption exportOption(QStringLiteral("export"),
                                          QStringLiteral("図を OUT (.png, .svg, .pdf) に書く"),
                                          QStringLiteral("OUT"));
    const QCommandLineOption reportOption(QStringLiteral("report"),
                                          QStringLiteral("結果を JSON で標準出力に書く"));
    const QCommandLineOption fitOption(QStringLiteral("fit"),
                                       QStringLiteral("当てはめ: linear または cooling"),
                                       QStringLiteral("MODEL"));
    parser.addOptions({exportOption, reportOption, fitOption});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("データファイル"));
    parser.process(app);

    if (parser.isSet(reportOption) && parser.isSet(exportOption))
        return fail(QStringLiteral("--report と --export は別々に使ってください"));
    std::optional<analysis::Model> model;
    if (parser.isSet(fitOption)) {
        const QString name = parser.value(fitOption);
        if (name == QStringLiteral("linear"))
            model = analysis::Model::Linear;
        else if (name == QStringLiteral("cooling"))
            model = analysis::Model::Cooling;
        else
            return fail(QStringLiteral("--fit は linear か cooling です: %1").arg(name));
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() != 1)
        return fail(QStringLiteral("データファイルを一つ指定してください"));
    const QString path = files.first();
    DataFileContents contents = readDataFile(path);

    if (mode == Mode::Report) {
        const Report report = buildReport(path, std::move(contents), model);
        if (!report.ok)
            return fail(report.error);
        std::fwrite(report.json.constData(), 1, std::size_t(report.json.size()), stdout);
        return std::fflush(stdout) == 0 ? 0 : fail(QStringLiteral("標準出力に書けません"));
    }

    if (const QString reason = unreadableReason(contents); !reason.isEmpty())
        return fail(path + QStringLiteral(": ") + reason);
    // At a million readings the rows, the plot and the fit's workspace are
    // each about as large as the others. The fit comes first, on the readings
    // alone, and the file is read again for the figure, so that only two of
    // the three are ever held at once.
    std::optional<analysis::FitResult> fit;
    if (model) {
        MeasuredPoints points = measuredPoints(contents.rows);
        contents = {};
        points.laps = {};
        fit = fitModel(*model, points.t, points.y);
        if (!fit->ok())
            return fail(path + QStringLiteral(": ") + fitFailureText(*fit));
        points = {};
        contents = readDataFile(path);
        if (const QString reason = unreadableReason(contents); !reason.isEmpty())
            return fail(path + QStringLiteral(": ") + reason);
    }
    GraphPlot plot;
    plot.appendRows(contents.rows, contents.valueTitle, contents.subjectLines);
    contents = {};
    if (fit)
        plot.showFit(&*fit);
    plot.refresh();
    QString error;
    if (!plot.exportTo(parser.value(exportOption), &error))
        return fail(error);
    return 0;
}

bool asksForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        for (const char* option : {"--help", "-h", "-?", "--help-all", "--version", "-v"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    StartFolder::enterIfAsked(argc, argv);
    const Mode mode = modeOf(argc, argv);
    if (mode != Mode::Window || asksForHelp(argc, argv))
        ParentConsole::attachForOutput();
    if (mode == Mode::Report) {
        QCoreApplication app(argc, argv);
        return runCommandLine(app, mode);
    }
    if (mode == Mode::Export) {
        // No window is shown, so no display is needed, whatever the session has.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return runCommandLine(app, mode);
    }
    QApplication app(argc, argv);
    installQtJapanese(app);
    QCoreApplication::setApplicationName(QStringLiteral("quellmark-graph"));
    // Docks and task bars find the menu entry, and with it name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("quellmark-graph"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quellmark")));
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE|FOLDER"),
        QStringLiteral("データファイル、またはその最新のものを追うフォルダ"));
    parser.process(app);
    GraphWindow window(parser.positionalArguments().value(0));
    window.show();
    return QApplication::exec();
}
