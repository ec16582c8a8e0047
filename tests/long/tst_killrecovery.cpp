#include "app/RecorderForm.h"
#include "datafile/PendingSidecar.h"
#include "support/DataFileReading.h"
#include "support/FakeClock.h"
#include "support/FakeForm.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The program killed outright (SIGKILL) at random moments of a measurement,
// each time followed by a fresh start: after the start's recovery every
// press the driver had finished is in the data file exactly once, in order,
// with its NG mark; the press in flight may be there too. Long: runs with
// `ctest -C Long -L long`, not in every test run. QUELLMARK_KILL_RUNS sets
// the number of runs (100).
class KillRecoveryTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyFinishedPressSurvives_data();
    void everyFinishedPressSurvives();
    void cleanupTestCase();

private:
    int m_recoveredRows = 0;
    int m_inFlightKept = 0;
};

namespace
{

struct Reported {
    int readings = 0;
    QSet<int> marked; // reading numbers marked NG
};

void take(const QByteArray& line, Reported& reported)
{
    if (line.startsWith("reading "))
        reported.readings = line.mid(8).toInt();
    else if (line.startsWith("marked "))
        reported.marked.insert(line.mid(7).toInt());
}

// Reads the driver's reports until `readings` presses are done.
void readUntil(QProcess& driver, int readings, Reported& reported, QByteArray& pending)
{
    while (reported.readings < readings && driver.state() == QProcess::Running) {
        driver.waitForReadyRead(1000);
        pending += driver.readAllStandardOutput();
        for (qsizetype end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            take(pending.left(end), reported);
    }
}

} // namespace

void KillRecoveryTest::initTestCase()
{
#ifndef Q_OS_UNIX
    QSKIP("SIGKILL is a Unix matter");
#endif
}

// One row per run keeps each run within the test function's time limit.
void KillRecoveryTest::everyFinishedPressSurvives_data()
{
    QTest::addColumn<int>("killAfter"); // reported presses before the kill
    const int runs = qEnvironmentVariableIntValue("QUELLMARK_KILL_RUNS") > 0
                         ? qEnvironmentVariableIntValue("QUELLMARK_KILL_RUNS")
                         : 100;
    for (int run = 0; run < runs; ++run) {
        const int killAfter = 1 + int(QRandomGenerator::global()->bounded(400));
        QTest::addRow("run %d, after %d presses", run, killAfter) << killAfter;
    }
}

void KillRecoveryTest::everyFinishedPressSurvives()
{
    QFETCH(int, killAfter);
    {
        QTemporaryDir dir;
        QProcess driver;
        driver.start(QStringLiteral(RECORDER_DRIVER), {dir.path(), u"0"_s, u"marks"_s});
        QVERIFY(driver.waitForStarted());
        Reported reported;
        QByteArray pending;
        readUntil(driver, killAfter, reported, pending);
        driver.kill();
        QVERIFY(driver.waitForFinished(10'000));
        // Whatever the driver reported before it died counts as done.
        pending += driver.readAllStandardOutput();
        for (const QByteArray& line : pending.split('\n'))
            take(line, reported);

        const QStringList files = QDir(dir.path() + u"/DATA"_s).entryList({u"*.csv"_s});
        QCOMPARE(files.size(), 1);
        const QString file = dir.path() + u"/DATA/"_s + files.first();
        const qsizetype rowsBefore = readRows(file).size();

        FakeForm form;
        FakeClock clock;
        RecorderForm start(form, clock, QDir(dir.path()));
        start.Form_Load();

        QVERIFY2(readBytes(file).endsWith("\r\n"), qPrintable(file));
        const QStringList rows = readRows(file);
        QList<int> numbers;
        for (qsizetype i = 3; i < rows.size(); ++i) {
            const std::optional<QStringList> fields = splitFields(rows[i]);
            QVERIFY2(fields && fields->size() == 6, qPrintable(rows[i]));
            const int number = fields->first().toInt();
            QCOMPARE(number, int(numbers.size())); // once each, in order
            if (reported.marked.contains(number))
                QCOMPARE(fields->last(), u" --NG"_s);
            numbers.append(number);
        }
        const int inFile = int(numbers.size());
        QVERIFY2(inFile == reported.readings || inFile == reported.readings + 1,
                 qPrintable(u"%1 readings in the file, %2 reported done"_s.arg(inFile).arg(
                     reported.readings)));
        QVERIFY(!QFile::exists(pendingSidecarPath(file)));
        m_recoveredRows += int(rows.size() - rowsBefore);
        m_inFlightKept += inFile - reported.readings;
    }
}

void KillRecoveryTest::cleanupTestCase()
{
    qInfo("%d rows given back at the start, %d presses in flight kept", m_recoveredRows,
          m_inFlightKept);
}

QTEST_GUILESS_MAIN(KillRecoveryTest)
#include "tst_killrecovery.moc"
