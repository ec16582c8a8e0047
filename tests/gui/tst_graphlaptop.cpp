#include "GraphFiles.h"

#include "exports/FigureExport.h"
#include "graph/GraphPlot.h"
#include "graph/GraphSettings.h"
#include "graph/GraphWindow.h"
#include "graph/SubjectMarkers.h"
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHelpEvent>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <functional>

using namespace Qt::StringLiterals;

// The companion as a teacher meets it on a classroom laptop: a 1366 × 768
// screen, the window beside the main one.
class GraphLaptopTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init() { graphSettings().clear(); }
    void cleanupTestCase() { graphSettings().clear(); }
    void fitsBesideTheMainWindow_data();
    void fitsBesideTheMainWindow();
    void remembersItsPlaceAndFit();
    void saveDialogRemembersFolderAndFormat();
    void lapNumbersNeverRunTogether_data();
    void lapNumbersNeverRunTogether();
    void legendCoversNoPoint_data();
    void legendCoversNoPoint();
    void subjectLabelsShortenedInTheMiddle();
    void exportsCarryNoWindowState();

private:
    // Readings (number = elapsed = i) of values `value(i)`, with a subject change after `changeAt`.
    static void fill(MeasurementModel& model, int count, const std::function<double(int)>& value,
                     const QString& subject = {}, int changeAt = -1);
};

void GraphLaptopTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    installQtJapanese(*qApp);
    QCOMPARE(QGuiApplication::primaryScreen()->size(), QSize(1366, 768));
}

void GraphLaptopTest::fill(MeasurementModel& model, int count,
                           const std::function<double(int)>& value, const QString& subject,
                           int changeAt)
{
    QList<ReadRow> rows;
    for (int i = 0; i < count; ++i) {
        ReadRow reading;
        reading.number = i;
        reading.elapsed = i;
        reading.target = value(i);
        rows.append(reading);
        if (i == changeAt) {
            ReadRow change;
            change.kind = RowKind::ChangedSubject;
            change.texts = {subject, QString(), QString(), QString(), QString(), u"←"_s};
            rows.append(change);
        }
    }
    model.append(rows, u"温度 ℃"_s, {});
}

void GraphLaptopTest::fitsBesideTheMainWindow_data()
{
    QTest::addColumn<int>("fit");
    for (const auto& [name, fit] :
         {std::pair{"none", 0}, {"line", 1}, {"cooling", 2}, {"period", 3}})
        QTest::newRow(name) << fit;
}

void GraphLaptopTest::fitsBesideTheMainWindow()
{
    QFETCH(int, fit);
    const QTemporaryDir tmp;
    // A pendulum's presses for the period, a cooling cup for the others.
    QList<GraphFiles::Reading> readings = GraphFiles::coolingReadings(40);
    if (fit == 3) {
        for (int i = 0; i < readings.size(); ++i)
            readings[i] = {2.01 * i + 0.03 * (i % 3), 0.0};
    }
    const QString path = GraphFiles::writeMeasurement(QDir(tmp.path()), readings);
    GraphWindow window(path);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.findChild<QComboBox*>(u"fitChooser"_s)->setCurrentIndex(fit);
    QVERIFY(!window.findChild<QLabel*>(u"fitResult"_s)->text().isEmpty());
    QCoreApplication::processEvents();
    QVERIFY2(window.width() <= 920, qPrintable(QString::number(window.width())));
    QVERIFY2(window.minimumSizeHint().width() <= 920,
             qPrintable(QString::number(window.minimumSizeHint().width())));
    QVERIFY2(window.minimumSizeHint().height() <= 700,
             qPrintable(QString::number(window.minimumSizeHint().height())));
}

void GraphLaptopTest::remembersItsPlaceAndFit()
{
    const QTemporaryDir tmp;
    const QRect placed(440, 30, 880, 640);
    {
        GraphWindow window(tmp.path());
        window.show();
        window.setGeometry(placed);
        // As the user chooses it; the command line's choice is not kept.
        emit window.findChild<QComboBox*>(u"fitChooser"_s)->activated(3);
        window.close();
    }
    GraphWindow window(tmp.path());
    QCOMPARE(window.geometry(), placed);
    QCOMPARE(window.findChild<QComboBox*>(u"fitChooser"_s)->currentIndex(), 3);
}

void GraphLaptopTest::saveDialogRemembersFolderAndFormat()
{
    const QTemporaryDir tmp;
    const QString path =
        GraphFiles::writeMeasurement(QDir(tmp.path()), GraphFiles::coolingReadings(10));
    const QString folder = tmp.filePath(u"figures"_s);
    QVERIFY(QDir().mkpath(folder));
    GraphWindow window(path);
    window.show();
    QString saveText;
    QString shownFolder;
    QString shownFilter;
    bool opened = false;
    const auto saveThrough = [&](const QString& file) {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        opened = false;
        QTimer::singleShot(0, &window, [&] {
            opened = true;
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
            saveText = dialog->findChild<QDialogButtonBox*>()->buttons().first()->text();
            shownFolder = dialog->directory().absolutePath();
            shownFilter = dialog->selectedNameFilter();
            dialog->selectNameFilter(u"PDF (*.pdf)"_s);
            dialog->selectFile(file);
            QMetaObject::invokeMethod(dialog, &QDialog::accept);
        });
        QTest::keyClick(&window, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(opened);
    };
    saveThrough(folder + u"/figure"_s);
    QVERIFY(QFileInfo::exists(folder + u"/figure.pdf"_s));
    QVERIFY2(saveText.contains(u"保存"_s), qPrintable(saveText));
    saveThrough(folder + u"/again.pdf"_s);
    QCOMPARE(shownFolder, QFileInfo(folder).absoluteFilePath());
    QCOMPARE(shownFilter, u"PDF (*.pdf)"_s);
}

void GraphLaptopTest::lapNumbersNeverRunTogether_data()
{
    QTest::addColumn<int>("readings");
    for (const int n : {12, 150, 2000, 120'000})
        QTest::addRow("%d readings", n) << n;
}

void GraphLaptopTest::lapNumbersNeverRunTogether()
{
    QFETCH(int, readings);
    MeasurementModel model;
    GraphPlot plot(model);
    plot.resize(880, 420); // the window's plot at its default size
    fill(model, readings, [](int i) { return 20.0 + 60.0 * std::exp(-i / 50.0); });
    plot.showReadings();
    plot.refresh();
    for (int pass = 0; pass < 2; ++pass)
        plot.replot(QCustomPlot::rpImmediateRefresh);
    const QCPAxis* axis = plot.axisRects().at(1)->axis(QCPAxis::atBottom);
    const QVector<double> ticks = axis->tickVector();
    const QVector<QString> labels = axis->tickVectorLabels();
    QVERIFY(ticks.size() >= 2);
    const QFontMetrics metrics(axis->tickLabelFont());
    for (qsizetype i = 1; i < ticks.size(); ++i) {
        QCOMPARE(ticks[i], std::round(ticks[i]));
        const double apart = axis->coordToPixel(ticks[i]) - axis->coordToPixel(ticks[i - 1]);
        const double halves =
            (metrics.horizontalAdvance(labels[i]) + metrics.horizontalAdvance(labels[i - 1])) / 2.0;
        QVERIFY2(apart > halves,
                 qPrintable(u"%1 and %2: %3 px apart"_s.arg(labels[i - 1], labels[i]).arg(apart)));
    }
}

void GraphLaptopTest::legendCoversNoPoint_data()
{
    QTest::addColumn<int>("shape");
    QTest::newRow("falling") << 0;
    QTest::newRow("rising") << 1;
    QTest::newRow("a hill") << 2;
}

void GraphLaptopTest::legendCoversNoPoint()
{
    QFETCH(int, shape);
    MeasurementModel model;
    GraphPlot plot(model);
    plot.resize(880, 420);
    fill(model, 200, [shape](int i) {
        const double x = i / 199.0;
        return shape == 0 ? 1.0 - x : shape == 1 ? x : 1.0 - 4.0 * (x - 0.5) * (x - 0.5);
    });
    plot.showReadings();
    for (int pass = 0; pass < 2; ++pass) {
        plot.refresh();
        plot.replot(QCustomPlot::rpImmediateRefresh);
    }
    const auto* legend = qobject_cast<QCPLegend*>(plot.axisRect(0)->insetLayout()->elementAt(0));
    QVERIFY(legend && legend->visible());
    const QRect box = legend->outerRect();
    const QCPGraph* points = plot.graph(0);
    for (auto it = points->data()->constBegin(); it != points->data()->constEnd(); ++it)
        QVERIFY2(!box.contains(points->coordsToPixels(it->key, it->value).toPoint()),
                 qPrintable(u"reading %1 under the legend"_s.arg(it->key)));
}

void GraphLaptopTest::subjectLabelsShortenedInTheMiddle()
{
    MeasurementModel model;
    GraphPlot plot(model);
    plot.resize(880, 420);
    const QString subject = u"<b>始め</b>"_s + QString(200, u'中') + u"終わり"_s;
    fill(
        model, 20, [](int i) { return double(i); }, subject, 15);
    plot.showReadings();
    plot.refresh();
    plot.replot(QCustomPlot::rpImmediateRefresh);
    QCOMPARE(plot.subjectMarkers().drawnLabels().size(), std::size_t(1));
    const SubjectMarkers::Label& label = plot.subjectMarkers().drawnLabels().front();
    QVERIFY2(label.shown.startsWith(u"<b>始"_s) && label.shown.endsWith(u"終わり"_s) &&
                 label.shown.contains(u'…'),
             qPrintable(label.shown));

    const QPoint at = label.box.center().toPoint();
    QHelpEvent help(QEvent::ToolTip, at, plot.mapToGlobal(at));
    QApplication::sendEvent(&plot, &help);
    QVERIFY2(QToolTip::text().contains(subject.toHtmlEscaped()), qPrintable(QToolTip::text()));
}

void GraphLaptopTest::exportsCarryNoWindowState()
{
    MeasurementModel model;
    GraphPlot plot(model);
    fill(model, 30, [](int i) { return 80.0 - i; });
    plot.showReadings();
    plot.refresh();
    const auto figure = [&plot] { return figurePixmap(plot, {.fitLabel = false}).toImage(); };
    const QImage plain = figure();
    plot.setHighlightedReading(12);
    plot.showFitRange(std::make_pair(5.0, 15.0));
    QCOMPARE(figure(), plain);
    // The window keeps showing them.
    QVERIFY(plot.toPixmap(FigureWidth, FigureHeight).toImage() != plain);
}

QTEST_MAIN(GraphLaptopTest)
#include "tst_graphlaptop.moc"
