#include "readings/MeasurementModel.h"
#include "readings/Results.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace
{

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

ReadRow reading(int number, double elapsed, double value, bool rejected = false)
{
    ReadRow row;
    row.number = number;
    row.elapsed = elapsed;
    row.lap = 1.0 + number / 10.0;
    row.target = value;
    row.rejected = rejected;
    return row;
}

ReadRow subjectRow(RowKind kind, const QString& first)
{
    ReadRow row;
    row.kind = kind;
    row.texts = {first, QString(), QString(), QString(), QString(), u"←"_s};
    return row;
}

} // namespace

class MeasurementModelTest : public QObject
{
    Q_OBJECT

private slots:
    void appendsInBatches_data();
    void appendsInBatches();
    void clearStartsAnotherGeneration();
    void residualsAndLapsReadTheModel_data();
    void residualsAndLapsReadTheModel();
};

// Rows arrive a few at a time, as a followed file grows; the model must hold
// the same whatever the batches, with readings left out before and after
// their rows came.
void MeasurementModelTest::appendsInBatches_data()
{
    QTest::addColumn<int>("batchSize");
    QTest::addColumn<bool>("excludeFirst");
    for (const int size : {1, 2, 5, 100})
        for (const bool first : {false, true})
            QTest::addRow("batches of %d, left out %s", size, first ? "before" : "after")
                << size << first;
}

void MeasurementModelTest::appendsInBatches()
{
    QFETCH(int, batchSize);
    QFETCH(bool, excludeFirst);
    // Out of time order at 3 and 7 (a file edited by hand), NG at 4, no
    // value at 6, a changed subject after reading 2.
    const QList<ReadRow> rows{subjectRow(RowKind::Subject, u"冷却"_s),
                              reading(0, 0, 80),
                              reading(1, 10, 70),
                              reading(2, 20, 62),
                              subjectRow(RowKind::ChangedSubject, u"ふたを閉めた"_s),
                              reading(3, 5, 75),
                              reading(4, 30, 55, true),
                              reading(5, 40, 50),
                              reading(6, 50, NaN),
                              reading(7, 15, 66)};
    MeasurementModel model;
    if (excludeFirst)
        model.setExcluded({5, 9});
    for (qsizetype i = 0; i < rows.size(); i += batchSize)
        model.append(rows.mid(i, batchSize), u"温度 ℃"_s, {u"冷却"_s});
    if (!excludeFirst)
        model.setExcluded({5, 9});

    QCOMPARE(model.readingCount(), 8);
    QCOMPARE(model.rejectedCount(), 1);
    QCOMPARE(model.highestReading(), 7);
    QCOMPARE(model.valueUnit(), u"℃"_s);
    QCOMPARE(model.initialSubjectLines().value(0), u"冷却"_s);
    QCOMPARE(model.subjectChanges().size(), 1u);
    QCOMPARE(model.subjectChanges()[0].afterReading, 2);
    QCOMPARE(model.subjectChanges()[0].elapsed, 20.0);
    for (int i = 0; i < 8; ++i)
        QCOMPARE(model.readings()[i].number, i); // file order kept

    const MeasurementModel::Points points = model.validPoints();
    QCOMPARE(points.t, (std::vector<double>{0, 5, 10, 15, 20}));
    QCOMPARE(points.y, (std::vector<double>{80, 75, 70, 66, 62}));
    QCOMPARE(model.validPoints({{6.0, 16.0}}).t, (std::vector<double>{10, 15}));
    // Laps by reading number, without 000, NG and the one left out; a lap
    // counts even when its reading has no value to draw.
    QCOMPARE(model.laps(), (std::vector<double>{1.1, 1.2, 1.3, 1.6, 1.7}));
    QCOMPARE(model.excludedReadings(), (std::vector<int>{5}));
    QCOMPARE(model.rejectedReadings(), (std::vector<int>{4}));
    using State = MeasurementModel::ReadingState;
    QCOMPARE(model.readingState(3), State::Used);
    QCOMPARE(model.readingState(4), State::Rejected);
    QCOMPARE(model.readingState(5), State::Excluded);
    QCOMPARE(model.readingState(6), State::Missing);
    QCOMPARE(model.readingState(9), State::Missing);
    const std::vector<analysis::Press> presses = model.presses();
    QCOMPARE(presses.size(), 8u);
    QVERIFY(presses[4].rejected && !presses[4].excluded);
    QVERIFY(presses[5].excluded);
}

void MeasurementModelTest::clearStartsAnotherGeneration()
{
    MeasurementModel model;
    model.setExcluded({1});
    model.append({reading(0, 0, 1), reading(1, 1, 2)}, u"値"_s, {});
    model.setPending(reading(2, 2, 3));
    const int generation = model.generation();
    model.clear();
    QCOMPARE(model.generation(), generation + 1);
    QCOMPARE(model.readingCount(), 0);
    QVERIFY(!model.pending());
    // The next file's reading 1 is not the last one's choice.
    model.append({reading(1, 1, 2)}, u"値"_s, {});
    QCOMPARE(model.readingState(1), MeasurementModel::ReadingState::Used);
}

// Residuals and lap statistics are no longer kept but read off the model when
// drawn: they must be those of the readings the fit and the laps took.
void MeasurementModelTest::residualsAndLapsReadTheModel_data()
{
    QTest::addColumn<bool>("inOrder");
    QTest::addColumn<bool>("withRange");
    for (const bool inOrder : {true, false}) {
        const char* order = inOrder ? "in order" : "edited out of order";
        QTest::addRow("%s, every reading", order) << inOrder << false;
        QTest::addRow("%s, a range", order) << inOrder << true;
    }
}

void MeasurementModelTest::residualsAndLapsReadTheModel()
{
    QFETCH(bool, inOrder);
    QFETCH(bool, withRange);
    const MeasurementModel::Range range =
        withRange ? MeasurementModel::Range({12.0, 61.0}) : std::nullopt;
    QList<ReadRow> rows;
    for (int i = 0; i < 12; ++i)
        rows.append(reading(i, 6.0 * i, 80.0 - 0.4 * i + (i % 3 - 1) * 0.2, i == 4));
    if (!inOrder)
        std::swap(rows[3], rows[8]);
    MeasurementModel model;
    model.append(rows, u"温度 ℃"_s, {});
    model.setExcluded({6});

    const Results results = computeResults(model, {FitChoice::Linear, false, range});
    QVERIFY(results.goodFit());
    const MeasurementModel::Points fitted = model.validPoints(range);
    std::vector<double> t;
    std::vector<double> residual;
    forEachResidual(model, results, [&](double at, double r) {
        t.push_back(at);
        residual.push_back(r);
    });
    QCOMPARE(t, fitted.t);
    QCOMPARE(qsizetype(t.size()), results.residualCount());
    for (std::size_t i = 0; i < t.size(); ++i)
        QCOMPARE(residual[i], fitted.y[i] - results.fit->valueAt(t[i]));

    const analysis::LapStatistics copied = analysis::lapStatistics(model.laps());
    QCOMPARE(results.laps.count, copied.count);
    QCOMPARE(results.laps.mean, copied.mean);
    QCOMPARE(results.laps.sd, copied.sd);
    QCOMPARE(results.laps.min, copied.min);
    QCOMPARE(results.laps.max, copied.max);
}

QTEST_APPLESS_MAIN(MeasurementModelTest)
#include "tst_measurementmodel.moc"
