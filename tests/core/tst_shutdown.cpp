#include "support/DataFileReading.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;

// The program ended from outside while measuring: by the system's request
// (the measurement is ended and written) or killed outright (every row
// written so far is intact).
class ShutdownTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void terminateEndsMeasurement_data();
    void terminateEndsMeasurement();
    void killLeavesCompleteRows();

private:
    static QString onlyDataFile(const QString& dir);
    // Waits until the driver has printed `readings` completed readings;
    // returns the last count seen.
    static int waitForReadings(QProcess& driver, int readings);
};

void ShutdownTest::initTestCase()
{
#ifndef Q_OS_UNIX
    QSKIP("signals are a Unix matter");
#endif
}

QString ShutdownTest::onlyDataFile(const QString& dir)
{
    const QStringList files = QDir(dir + u"/DATA"_s).entryList({u"*.csv"_s}, QDir::Files);
    return files.size() == 1 ? dir + u"/DATA/"_s + files.first() : QString();
}

int ShutdownTest::waitForReadings(QProcess& driver, int readings)
{
    int last = 0;
    QByteArray pending;
    while (last < readings && driver.state() == QProcess::Running) {
        driver.waitForReadyRead(1000);
        pending += driver.readAllStandardOutput();
        while (pending.contains('\n')) {
            const qsizetype end = pending.indexOf('\n');
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            if (line.startsWith("reading "))
                last = line.mid(8).toInt();
        }
    }
    return last;
}

void ShutdownTest::terminateEndsMeasurement_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGINT") << int(SIGINT);
}

void ShutdownTest::terminateEndsMeasurement()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    QProcess driver;
    driver.start(QStringLiteral(RECORDER_DRIVER), {dir.path(), u"0"_s});
    QVERIFY(driver.waitForStarted());
    QVERIFY(waitForReadings(driver, 20) >= 20);
    ::kill(static_cast<pid_t>(driver.processId()), signalNumber);
    QVERIFY(driver.waitForFinished(10'000));
    QCOMPARE(driver.exitStatus(), QProcess::NormalExit);
    const QByteArray output = driver.readAllStandardOutput();
    const qsizetype endedAt = output.lastIndexOf("ended ");
    QVERIFY(endedAt >= 0);
    const qsizetype lineEnd = output.indexOf('\n', endedAt);
    const int readings = output.mid(endedAt + 6, lineEnd - endedAt - 6).toInt();

    const QStringList rows = readRows(onlyDataFile(dir.path()));
    // Heading rows, every reading including the pending one, end subject row.
    QCOMPARE(rows.size(), 3 + readings + 1);
    QVERIFY(rows[rows.size() - 2].startsWith(QString::number(readings - 1) + u','));
    QCOMPARE(rows.last(), uR"("driver","","","","","←対象等")"_s);
}

void ShutdownTest::killLeavesCompleteRows()
{
    constexpr int Runs = 6;
    constexpr int Readings = 1000;
    for (int run = 0; run < Runs; ++run) {
        QTemporaryDir dir;
        QProcess driver;
        driver.start(QStringLiteral(RECORDER_DRIVER), {dir.path(), QString::number(Readings)});
        QVERIFY(driver.waitForStarted());
        const int killAfter = 1 + int(QRandomGenerator::global()->bounded(Readings - 1));
        const int seen = waitForReadings(driver, killAfter);
        driver.kill();
        QVERIFY(driver.waitForFinished(10'000));
        // Readings completed after the last line we read may be in the file too.
        const QString file = onlyDataFile(dir.path());
        const QByteArray bytes = readBytes(file);
        QVERIFY2(bytes.endsWith("\r\n"), qPrintable(file));
        const QStringList rows = readRows(file);
        QVERIFY(rows.size() >= 3);
        int dataRows = 0;
        for (qsizetype i = 0; i < rows.size(); ++i) {
            const std::optional<QStringList> fields = splitFields(rows[i]);
            QVERIFY2(fields && fields->size() == 6, qPrintable(rows[i]));
            if (i >= 3 && rows[i].front().isDigit()) {
                QCOMPARE(fields->first().toInt(), dataRows);
                ++dataRows;
            }
        }
        // At most the pending reading, which waits for the next event, is missing.
        QVERIFY2(dataRows >= seen - 1,
                 qPrintable(u"run %1: %2 rows for %3 readings"_s.arg(run).arg(dataRows).arg(seen)));
    }
}

QTEST_GUILESS_MAIN(ShutdownTest)
#include "tst_shutdown.moc"
