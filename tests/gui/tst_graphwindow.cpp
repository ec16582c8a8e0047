#include "GraphFiles.h"

#include "analysis/PeriodFit.h"
#include "datafile/PendingRowFile.h"
#include "datafile/PendingSidecar.h"
#include "readings/ExclusionStore.h"
#include "exports/FigureExport.h"
#include "graph/GraphPlot.h"
#include "exports/JsonReport.h"
#include "support/RowsByHand.h"
#include "graph/GraphWindow.h"
#include "readings/ResultText.h"
#include "graph/SubjectMarkers.h"
#include "exports/XlsxExport.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

// The window follows real files written by the program's writer; each step
// polls once, as the window's timer does.
class GraphWindowTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void followsAGrowingFile();
    void waitsForAFolderAndMovesToNewerFiles();
    void panelsFollowTheFileAndTheFit();
    void markersCostTheSameAtAnyCount();
    void svgHoldsWholeStringsInARealFont();
    void copiesSelectedTextOrTheFigure();
    void rowAndSidecarInOneRepaint();
    void namesWhyAFileCannotBeOpened();
    void leavesReadingsOut_data();
    void pointsKeepTheirReadingsInAnyOrder();
    void leavesReadingsOut();

private:
    static QString status(const GraphWindow& w)
    {
        return w.findChild<QLabel*>(u"followStatus"_s)->text();
    }
    static QString fitText(const GraphWindow& w)
    {
        return w.findChild<QLabel*>(u"fitResult"_s)->text();
    }
    static QString lapText(const GraphWindow& w)
    {
        return w.findChild<QLabel*>(u"lapResult"_s)->text();
    }
};

void GraphWindowTest::followsAGrowingFile()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString path = GraphFiles::writeMeasurement(dir, {{0, 80}, {30, 77}, {60, 74}});
    GraphWindow window(path);
    window.show();
    QCOMPARE(window.plot()->readingCount(), 3);
    QVERIFY2(status(window).contains(QFileInfo(path).fileName()), qPrintable(status(window)));

    // Two more rows, the first an NG outlier far off the line.
    DataFileWriter writer(dir);
    writer.write(GraphFiles::Name, {GraphFiles::dataRow(3, {90, 500, true}, 60),
                                    GraphFiles::dataRow(4, {120, 68}, 90)});
    window.pollNow();
    QCOMPARE(window.plot()->readingCount(), 5);
    QCOMPARE(window.plot()->rejectedCount(), 1);
    // The lap statistics change with the lap plot, not a results round later.
    QVERIFY2(lapText(window).contains(u"個数 = 3"_s), qPrintable(lapText(window)));

    auto* chooser = window.findChild<QComboBox*>(u"fitChooser"_s);
    chooser->setCurrentIndex(1);
    QVERIFY2(fitText(window).contains(u"（4 点）"_s), qPrintable(fitText(window)));
    QVERIFY2(fitText(window).contains(u"傾き b = -0.1 ±"_s), qPrintable(fitText(window)));
    QCOMPARE(window.model().validPoints().t.size(), 4u);

    // A dragged range with two readings in it is too little for the cooling law.
    chooser->setCurrentIndex(2);
    emit window.plot()->rangeDragged(-1.0, 31.0);
    QVERIFY2(fitText(window).contains(u"当てはめできません"_s), qPrintable(fitText(window)));
    QVERIFY(!fitText(window).contains(u"R²"_s));

    // The reading the main program holds back shows as provisional.
    QFile pending(pendingSidecarPath(path));
    QVERIFY(pending.open(QIODevice::WriteOnly));
    pending.write(encodeRow(GraphFiles::dataRow(5, {150, 65}, 120)));
    pending.close();
    window.pollNow();
    QVERIFY2(status(window).contains(u"測定回 005"_s), qPrintable(status(window)));
    QCOMPARE(window.plot()->readingCount(), 5);

    // A line that is no row: the rows around it stay, the line is named.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("1,2\r\n3\r\n");
    file.close();
    writer.write(GraphFiles::Name, {GraphFiles::dataRow(5, {150, 65}, 120)});
    QFile::remove(pendingSidecarPath(path));
    window.pollNow();
    QCOMPARE(window.plot()->readingCount(), 6);
    QVERIFY2(status(window).contains(u"9 行目"_s), qPrintable(status(window)));
    QVERIFY2(status(window).contains(u"全部で 2 行"_s), qPrintable(status(window)));
    QVERIFY(!status(window).contains(u"仮の点"_s));
}

void GraphWindowTest::waitsForAFolderAndMovesToNewerFiles()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    dir.mkpath(u"DATA"_s);
    GraphWindow window(dir.filePath(u"DATA"_s));
    QVERIFY2(status(window).contains(u"まだありません"_s), qPrintable(status(window)));

    const QString first = GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(4));
    window.pollNow();
    QCOMPARE(window.plot()->readingCount(), 4);
    QVERIFY(status(window).contains(QFileInfo(first).fileName()));

    const QString second = GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(7),
                                                        uR"(DATA\QMK26_12_7_111500.csv)"_s);
    window.pollNow();
    QCOMPARE(window.plot()->readingCount(), 7);
    QVERIFY(status(window).contains(QFileInfo(second).fileName()));
}

// A new file starts from its own ranges; the residual panel is there only
// with a fit; the controls stay put when the first results arrive.
void GraphWindowTest::panelsFollowTheFileAndTheFit()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    dir.mkpath(u"DATA"_s);
    GraphWindow window(dir.filePath(u"DATA"_s));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* chooser = window.findChild<QComboBox*>(u"fitChooser"_s);
    const QPoint chooserAt = chooser->mapTo(&window, QPoint(0, 0));
    QCOMPARE(window.plot()->axisRectCount(), 2);

    GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(10));
    window.pollNow();
    chooser->setCurrentIndex(1);
    QCoreApplication::processEvents();
    QVERIFY2(lapText(window).contains(u"個数 = 9"_s), qPrintable(lapText(window)));
    QCOMPARE(chooser->mapTo(&window, QPoint(0, 0)), chooserAt);
    QVERIFY(window.plot()->residualsShown());
    QCOMPARE(window.plot()->axisRectCount(), 3);

    // A new measurement with no reading yet: nothing of the last file's axes.
    GraphFiles::writeMeasurement(dir, {}, uR"(DATA\QMK26_12_7_111500.csv)"_s);
    window.pollNow();
    QCOMPARE(window.plot()->readingCount(), 0);
    QVERIFY2(fitText(window).contains(u"当てはめできません"_s), qPrintable(fitText(window)));
    QVERIFY(!window.plot()->residualsShown());
    QCOMPARE(window.plot()->axisRectCount(), 2);
    for (QCPAxisRect* rect : window.plot()->axisRects()) {
        for (QCPAxis* axis : {rect->axis(QCPAxis::atBottom), rect->axis(QCPAxis::atLeft)}) {
            const QCPRange r = axis->range();
            QVERIFY2(r.lower > -1 && r.upper < 2,
                     qPrintable(u"%1: %2 to %3"_s.arg(axis->label()).arg(r.lower).arg(r.upper)));
        }
    }
}

void GraphWindowTest::markersCostTheSameAtAnyCount()
{
    constexpr int Changes = 140'000;
    MeasurementModel model;
    GraphPlot plot(model);
    const int items = plot.itemCount();
    const int graphs = plot.graphCount();
    QList<ReadRow> rows;
    rows.reserve(2 * Changes);
    for (int i = 0; i < Changes; ++i) {
        ReadRow reading;
        reading.number = i;
        reading.elapsed = i;
        reading.target = 20.0 + 60.0 * std::exp(-i / 40'000.0);
        rows.append(reading);
        ReadRow change;
        change.kind = RowKind::ChangedSubject;
        change.texts = {u"手順 %1"_s.arg(i), QString(), QString(), QString(), QString(), u"←"_s};
        rows.append(change);
    }
    model.append(rows, u"温度 ℃"_s, {});
    plot.showReadings();
    rows = {};
    plot.refresh();
    plot.toPixmap(FigureWidth, FigureHeight);
    QCOMPARE(plot.subjectMarkers().count(), Changes);
    QCOMPARE(plot.itemCount(), items);
    QCOMPARE(plot.graphCount(), graphs);
    // Labels side by side, each at least a few characters wide.
    QVERIFY2(plot.subjectMarkers().labelsDrawn() > 1,
             qPrintable(QString::number(plot.subjectMarkers().labelsDrawn())));
    QVERIFY2(plot.subjectMarkers().labelsDrawn() < FigureWidth / 30,
             qPrintable(QString::number(plot.subjectMarkers().labelsDrawn())));
}

void GraphWindowTest::svgHoldsWholeStringsInARealFont()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString path = GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(10));
    GraphWindow window(path);
    window.findChild<QComboBox*>(u"fitChooser"_s)->setCurrentIndex(2);
    const QString svgPath = dir.filePath(u"figure.svg"_s);
    QString error;
    QVERIFY2(exportFigure(*window.plot(), svgPath, {}, &error), qPrintable(error));
    QFile file(svgPath);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString svg = QString::fromUtf8(file.readAll());

    const QRegularExpression label(
        uR"re(<text [^>]*font-family="([^"]*)"[^>]*font-size="([0-9.]+)"[^>]*>経過時間 \(秒\)</text>)re"_s);
    const QRegularExpressionMatch m = label.match(svg);
    QVERIFY2(m.hasMatch(), qPrintable(svg.left(4000)));
    const QString family = m.captured(1).section(u',', 0, 0).trimmed().remove(u'\'');
    QVERIFY2(QFontDatabase::families().contains(family), qPrintable(family));
    // As large as in the PNG, which draws points at the screen's resolution.
    const QFont axisFont = window.plot()->axisRects().first()->axis(QCPAxis::atBottom)->labelFont();
    const double pngPixels = axisFont.pointSizeF() * QPixmap(1, 1).logicalDpiY() / 72.0;
    QVERIFY2(std::abs(m.captured(2).toDouble() - pngPixels) < 0.5, qPrintable(m.captured(2)));
    // The fit's equation is on the figure.
    QVERIFY2(svg.contains(u"e^(−k·t)"_s), "no fit label");
}

void GraphWindowTest::copiesSelectedTextOrTheFigure()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    GraphWindow window(GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(10)));
    QAction* copy = nullptr;
    for (QAction* action : window.findChildren<QAction*>()) {
        if (action->shortcut() == QKeySequence::Copy)
            copy = action;
    }
    QVERIFY(copy);
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    copy->trigger();
    QVERIFY(!clipboard->image().isNull());

    auto* laps = window.findChild<QLabel*>(u"lapResult"_s);
    laps->setSelection(0, 3);
    copy->trigger();
    QCOMPARE(clipboard->text(), laps->text().left(3));
}

// At each press the main program appends the pending row to the data file,
// then replaces the sidecar with the next one. The window shows both at once,
// and a BackSpace on the provisional point at once too.
void GraphWindowTest::rowAndSidecarInOneRepaint()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString path = GraphFiles::writeMeasurement(dir, {{0, 80}, {30, 77}});
    PendingRowFile sidecar;
    QVERIFY(sidecar.keep(path, encodeRow(GraphFiles::dataRow(2, {60, 74}, 30))).ok);
    GraphWindow window(path);
    window.show();
    QVERIFY2(status(window).contains(u"測定回 002"_s), qPrintable(status(window)));
    QList<std::pair<int, bool>> repaints; // readings, and the next one provisional
    connect(&window, &GraphWindow::readingsShown, this, [&] {
        repaints.append({window.plot()->readingCount(), status(window).contains(u"測定回 003"_s)});
    });
    QCoreApplication::processEvents();
    repaints.clear();

    DataFileWriter(dir).write(GraphFiles::Name, {GraphFiles::dataRow(2, {60, 74}, 30)});
    window.pollNow(); // between the two writes
    QCoreApplication::processEvents();
    QVERIFY(repaints.isEmpty());
    QVERIFY(sidecar.keep(path, encodeRow(GraphFiles::dataRow(3, {90, 71}, 60))).ok);
    QTRY_VERIFY(!repaints.isEmpty());
    QCOMPARE(repaints.first(), std::make_pair(3, true));

    QVERIFY(sidecar.keep(path, encodeRow(GraphFiles::dataRow(3, {90, 71, true}, 60))).ok);
    QTRY_VERIFY2(status(window).contains(u"（NG 1）"_s), qPrintable(status(window)));
    QVERIFY2(status(window).contains(u"測定回 003（NG）"_s), qPrintable(status(window)));
    QVERIFY(window.plot()->pendingShownRejected());
}

void GraphWindowTest::namesWhyAFileCannotBeOpened()
{
    QTemporaryDir tmp;
    const QString path = QDir(tmp.path()).filePath(u"QMK26_12_7_101500.csv"_s);
    QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
    GraphWindow window(path);
    window.pollNow();
    QVERIFY2(status(window).contains(u"ファイルを開けません（通常のファイルではありません）"_s),
             qPrintable(status(window)));
    QVERIFY(!status(window).contains(u"ファイルがありません"_s));
    QVERIFY2(window.windowTitle().contains(u"QMK26_12_7_101500.csv"_s),
             qPrintable(window.windowTitle()));
}

void GraphWindowTest::leavesReadingsOut_data()
{
    QTest::addColumn<int>("fit"); // the chooser's entry
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("reading");
    QTest::newRow("line, click on the curve") << 1 << u"curve"_s << 7;
    QTest::newRow("period, click on a lap") << 3 << u"lap"_s << 4;
    QTest::newRow("period, keyboard") << 3 << u"keys"_s << 9;
}

// A reading left out by a click or by keyboard takes part in no fit and no
// statistic, exactly as if its row were not there; the choice outlives the
// window, すべて戻す ends it, and the data file is never written.
void GraphWindowTest::leavesReadingsOut()
{
    QFETCH(int, fit);
    QFETCH(QString, how);
    QFETCH(int, reading);
    // Presses about 1.5 s apart by hand, the values drifting up; reading 5 NG.
    QList<GraphFiles::Reading> readings;
    for (int i = 0; i < 14; ++i) {
        const double jitter = 0.04 * std::sin(7.3 * i);
        readings.append({std::round((1.5 * i + jitter) * 100) / 100,
                         std::round((20 + 0.4 * i + 2 * jitter) * 10) / 10, i == 5});
    }
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QString path = GraphFiles::writeMeasurement(dir, readings);
    QFile data(path);
    QVERIFY(data.open(QIODevice::ReadOnly));
    const QByteArray bytes = data.readAll();
    data.close();
    const QString storePath = dir.filePath(u"exclusions.ini"_s);
    const QList<ReadRow> rows = readDataFile(path).rows;

    // What the window must show: the fit made here on the rows without the
    // reading (for the period, the presses with it marked left out, so that
    // its swing still counts).
    const auto expected = [&](std::optional<int> leftOut) {
        QList<ReadRow> kept;
        for (const ReadRow& row : rows) {
            if (row.kind != RowKind::Data || !leftOut || row.number != *leftOut)
                kept.append(row);
        }
        const MeasuredPoints points = measuredPoints(kept);
        std::vector<analysis::Press> presses = pressesOf(rows);
        for (analysis::Press& p : presses)
            p.excluded = leftOut && p.reading == *leftOut;
        const QString fitted = fit == 1
                                   ? fitResultText(analysis::fitLinear(points.t, points.y), u"℃"_s)
                                   : periodResultText(analysis::fitPeriod(presses, false), false);
        return std::make_pair(fitted, lapStatisticsText(analysis::lapStatistics(points.laps)));
    };

    auto window = std::make_unique<GraphWindow>(path, ExclusionStore(storePath));
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->findChild<QComboBox*>(u"fitChooser"_s)->setCurrentIndex(fit);
    const auto whole = expected(std::nullopt);
    QVERIFY2(fitText(*window).startsWith(whole.first), qPrintable(fitText(*window)));

    GraphPlot* plot = window->plot();
    plot->replot(QCustomPlot::rpImmediateRefresh);
    if (how == u"keys"_s) {
        auto* chooser = window->findChild<QSpinBox*>(u"readingChooser"_s);
        chooser->setFocus();
        for (int i = 0; i < reading; ++i)
            QTest::keyClick(chooser, Qt::Key_Up);
        QTest::keyClick(chooser, Qt::Key_E, Qt::AltModifier);
    } else {
        // Where the reading's point is drawn, on the curve or among the laps.
        QCPAxisRect* rect = plot->axisRects().at(how == u"curve"_s ? 0 : 1);
        const GraphFiles::Reading& r = readings[reading];
        const double x = how == u"curve"_s ? r.elapsed : reading;
        const double y = how == u"curve"_s ? r.target : r.elapsed - readings[reading - 1].elapsed;
        const QPoint at(int(std::lround(rect->axis(QCPAxis::atBottom)->coordToPixel(x))),
                        int(std::lround(rect->axis(QCPAxis::atLeft)->coordToPixel(y))));
        QTest::mouseClick(plot, Qt::LeftButton, {}, at);
    }
    const auto without = expected(reading);
    QVERIFY(without.first != whole.first);
    // A button's mnemonic clicks it as the eye can follow, a moment later.
    QTRY_VERIFY2(fitText(*window).startsWith(without.first), qPrintable(fitText(*window)));
    QCOMPARE(lapText(*window), without.second);
    QVERIFY2(fitText(*window).contains(
                 u"除外（ここで外した）: 測定回 %1"_s.arg(reading, 3, 10, QChar(u'0'))),
             qPrintable(fitText(*window)));
    QVERIFY2(fitText(*window).contains(u"NG（測定中に付けた）: 測定回 005"_s),
             qPrintable(fitText(*window)));

    // The readings' export marks it; the data file itself is refused.
    QString error;
    const QString csvPath = dir.filePath(u"readings.csv"_s);
    QVERIFY2(window->exportTo(csvPath, &error), qPrintable(error));
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u"\r\n"_s);
    QVERIFY2(lines.value(reading + 1).startsWith(u"%1,"_s.arg(reading)) &&
                 lines.value(reading + 1).endsWith(u",除外"_s),
             qPrintable(lines.value(reading + 1)));
    const QString pagePath = dir.filePath(u"results.html"_s);
    QVERIFY2(window->exportTo(pagePath, &error), qPrintable(error));
    QFile page(pagePath);
    QVERIFY(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    QVERIFY(html.contains(without.first.section(u'\n', 0, 0)));
    QCOMPARE(html.count(u"<td class=\"remark\">除外</td>"_s), 1);
    if (xlsxExportAvailable()) {
        const QString bookPath = dir.filePath(u"results.xlsx"_s);
        QVERIFY2(window->exportTo(bookPath, &error), qPrintable(error));
        QFile book(bookPath);
        QVERIFY(book.open(QIODevice::ReadOnly));
        QCOMPARE(book.read(4), "PK\x03\x04"_ba);
    }
    QVERIFY(!window->exportTo(path, &error));

    // Opened again: still left out, until すべて戻す.
    window = std::make_unique<GraphWindow>(path, ExclusionStore(storePath));
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    window->findChild<QComboBox*>(u"fitChooser"_s)->setCurrentIndex(fit);
    QVERIFY2(fitText(*window).startsWith(without.first), qPrintable(fitText(*window)));
    QTest::keyClick(window.get(), Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY2(fitText(*window).startsWith(whole.first), qPrintable(fitText(*window)));
    QCOMPARE(lapText(*window), whole.second);
    QVERIFY(ExclusionStore(storePath).load(path, measurementIdentity(rows)).isEmpty());

    window.reset();
    QVERIFY(data.open(QIODevice::ReadOnly));
    QCOMPARE(data.readAll(), bytes);
}

// A file edited by hand or holding two measurements comes out of time
// order, in batches that land before, between and after the points shown:
// every point must stay its own reading, or a click leaves out another one.
void GraphWindowTest::pointsKeepTheirReadingsInAnyOrder()
{
    const QList<QList<std::pair<int, double>>> batches{
        {{0, 50.0}, {1, 60.0}, {2, 70.0}},
        {{3, 10.0}, {4, 65.0}, {5, 60.0}}, // before, between, and on a time already there
        {{6, 90.0}, {7, 5.0}}};
    MeasurementModel model;
    QMap<int, double> elapsed;
    for (const auto& batch : batches) {
        QList<ReadRow> rows;
        for (const auto& [number, t] : batch) {
            ReadRow row;
            row.number = number;
            row.elapsed = t;
            row.target = 100 + number;
            row.lap = 1.0;
            rows.append(row);
            elapsed[number] = t;
        }
        model.append(rows, u"値"_s, {});
        if (elapsed.size() == 6)
            model.setExcluded({1, 4}); // the later rows come in under the same choice
    }
    model.setExcluded({4, 7});
    for (auto it = elapsed.cbegin(); it != elapsed.cend(); ++it) {
        const auto point = model.readingPoint(it.key());
        QVERIFY(point);
        QCOMPARE(*point, std::make_pair(it.value(), 100.0 + it.key()));
    }
    QCOMPARE(model.excludedReadings(), (std::vector<int>{7, 4}));
    const MeasurementModel::Points points = model.validPoints();
    // In time order; two at one time in either order.
    std::vector<std::pair<double, double>> used;
    for (std::size_t i = 0; i < points.t.size(); ++i)
        used.emplace_back(points.t[i], points.y[i]);
    QVERIFY(std::is_sorted(points.t.begin(), points.t.end()));
    std::sort(used.begin(), used.end());
    QCOMPARE(used, (std::vector<std::pair<double, double>>{
                       {10, 103}, {50, 100}, {60, 101}, {60, 105}, {70, 102}, {90, 106}}));
    for (const analysis::Press& p : model.presses())
        QCOMPARE(p.excluded, p.reading == 4 || p.reading == 7);
}

QTEST_MAIN(GraphWindowTest)
#include "tst_graphwindow.moc"
