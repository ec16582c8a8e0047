#include "datafile/PendingSidecar.h"
#include "support/FormHarness.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

// Faults of the disk and the folder in the middle of a measurement. Each test
// reads the files back and checks that every reading reached one, in order.
class DataSafetyTest final : public QObject
{
    Q_OBJECT
private slots:
    void diskFullThenFreed();
    void folderReplacedByFileThenRestored();
    void folderRemovedThenCreatedAgain();
    void endWithRowsUnwrittenSaysSoAndRecovers();
    void queuedRowsSurviveAKill_data();
    void queuedRowsSurviveAKill();

private:
    static void readings(FormHarness& h, int count);
    // The reading numbers of the data rows, in file order.
    static QList<int> readingNumbers(const QStringList& rows);
};

void DataSafetyTest::readings(FormHarness& h, int count)
{
    for (int i = 0; i < count; ++i) {
        h.clock.advanceMs(250);
        h.enter();
    }
}

QList<int> DataSafetyTest::readingNumbers(const QStringList& rows)
{
    QList<int> numbers;
    for (const QString& row : rows) {
        if (!row.isEmpty() && row.front().isDigit())
            numbers.append(row.section(u',', 0, 0).toInt());
    }
    return numbers;
}

namespace
{
QList<int> upTo(int count)
{
    QList<int> numbers;
    for (int i = 0; i < count; ++i)
        numbers.append(i);
    return numbers;
}
} // namespace

void DataSafetyTest::diskFullThenFreed()
{
#ifndef Q_OS_LINUX
    QSKIP("needs /dev/full");
#endif
    FormHarness h;
    readings(h, 4);
    const QString path = h.dataFilePath();
    QVERIFY(QFile::rename(path, path + u".aside"_s));
    QVERIFY(QFile::link(u"/dev/full"_s, path));
    readings(h, 5);
    QVERIFY(!h.form.fileStatuses.last().ok);
    QCOMPARE(h.form.fileStatuses.last().unwrittenRows, 5);
    QCOMPARE(h.form.fileStatuses.last().path, path);

    QVERIFY(QFile::remove(path));
    QVERIFY(QFile::rename(path + u".aside"_s, path));
    readings(h, 2);
    QVERIFY(h.form.fileStatuses.last().ok);
    h.logic->ComClear_Click();
    const QStringList rows = h.rows();
    QCOMPARE(readingNumbers(rows), upTo(11));
    QCOMPARE(rows.last(), uR"("","","","","","←対象等")"_s);
}

void DataSafetyTest::folderReplacedByFileThenRestored()
{
    FormHarness h;
    QDir dir(h.dir.path());
    readings(h, 3);
    QVERIFY(dir.rename(u"DATA"_s, u"DATA.moved"_s));
    QFile plain(dir.filePath(u"DATA"_s));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    readings(h, 4);
    h.logic->ComSave_Click();
    QVERIFY(!h.form.fileStatuses.last().ok);
    QVERIFY(!h.form.fileStatuses.last().reason.isEmpty());

    QVERIFY(QFile::remove(dir.filePath(u"DATA"_s)));
    QVERIFY(dir.rename(u"DATA.moved"_s, u"DATA"_s));
    readings(h, 2);
    h.logic->ComClear_Click();
    QVERIFY(h.form.fileStatuses.last().ok);
    const QStringList rows = h.rows();
    QCOMPARE(readingNumbers(rows), upTo(9));
    QCOMPARE(rows.size(), 3 + 9 + 1 + 1); // one changed-subject row, one end row
}

void DataSafetyTest::folderRemovedThenCreatedAgain()
{
    FormHarness h;
    QDir dir(h.dir.path());
    readings(h, 3); // rows 0 and 1 are in the file
    QVERIFY(dir.rename(u"DATA"_s, u"DATA.removed"_s));
    readings(h, 4);
    QCOMPARE(h.form.fileStatuses.last().unwrittenRows, 4);
    QVERIFY(dir.mkdir(u"DATA"_s));
    readings(h, 1);
    h.logic->ComClear_Click();
    // What was written before the folder went is in the removed folder; every
    // row since is in the new one, in order.
    const QString name = h.logic->data.dataFileName.mid(5);
    QCOMPARE(readingNumbers(readRows(dir.filePath(u"DATA.removed/"_s + name))), upTo(2));
    QCOMPARE(readingNumbers(h.rows()), (QList<int>{2, 3, 4, 5, 6, 7}));
}

void DataSafetyTest::endWithRowsUnwrittenSaysSoAndRecovers()
{
    FormHarness h;
    QDir dir(h.dir.path());
    readings(h, 3);
    QVERIFY(dir.rename(u"DATA"_s, u"DATA.gone"_s));
    readings(h, 2);
    h.logic->ComClear_Click();
    QVERIFY(!h.form.fileStatuses.last().ok);
    QCOMPARE(h.form.fileStatuses.last().unwrittenRows, 4); // rows 2, 3, 4 and the end row
    QCOMPARE(h.form.caption(Label4), u"保存完了"_s);

    // Nowhere to put even a recovery file: the program must say where.
    QCOMPARE(h.logic->saveUnwrittenRows(), QStringList{h.dataFilePath()});
    QVERIFY(dir.mkdir(u"DATA"_s));
    QVERIFY(h.logic->saveUnwrittenRows().isEmpty());
    // The queued rows went to the data file itself once its folder was back.
    const QStringList rows = h.rows();
    QCOMPARE(readingNumbers(rows), (QList<int>{2, 3, 4}));
    QCOMPARE(rows.last(), uR"("","","","","","←対象等")"_s);
}

void DataSafetyTest::queuedRowsSurviveAKill_data()
{
    QTest::addColumn<bool>("endClicked");
    // How many of the sidecar's rows reached the data file before the kill
    // (a write that went through just before it).
    QTest::addColumn<int>("rowsInFile");
    QTest::newRow("while measuring") << false << 0;
    QTest::newRow("while measuring, the queue written") << false << 2;
    QTest::newRow("after the end click") << true << 0;
    QTest::newRow("after the end click, everything written") << true << 4;
}

void DataSafetyTest::queuedRowsSurviveAKill()
{
    QFETCH(bool, endClicked);
    QFETCH(int, rowsInFile);
    FormHarness h;
    readings(h, 3); // rows 0 and 1 are in the file, 2 is pending
    const QString path = h.dataFilePath();
    const QString sidecar = pendingSidecarPath(path);
    // A folder in the data file's place: every write fails, the sidecar's
    // folder is still there.
    QVERIFY(QFile::rename(path, path + u".aside"_s));
    QVERIFY(QDir().mkpath(path));
    readings(h, 2);
    if (endClicked)
        h.logic->ComClear_Click();
    QCOMPARE(h.logic->writer().unwrittenRowCount(), endClicked ? 4 : 2);

    // Every row the file has not got, in order; the first line says where
    // in the file they go.
    const QByteArray kept = readBytes(sidecar);
    const qsizetype rowsStart = kept.indexOf("\r\n") + 2;
    QVERIFY(kept.startsWith("#after "));
    const QStringList keptRows = readRows(sidecar).mid(1);
    QCOMPARE(readingNumbers(keptRows), (QList<int>{2, 3, 4}));
    QCOMPARE(keptRows.size(), endClicked ? 4 : 3);

    h.logic.reset(); // killed: what was queued in memory is gone
    QVERIFY(QDir().rmdir(path));
    QVERIFY(QFile::rename(path + u".aside"_s, path));
    if (rowsInFile > 0) {
        qsizetype end = rowsStart;
        for (int i = 0; i < rowsInFile; ++i)
            end = kept.indexOf("\r\n", end) + 2;
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(kept.sliced(rowsStart, end - rowsStart));
    }

    FakeForm form;
    RecorderForm next(form, h.clock, QDir(h.dir.path()));
    next.Form_Load();
    const QStringList rows = readRows(path);
    QCOMPARE(readingNumbers(rows), upTo(5));
    QCOMPARE(rows.size(), 3 + 5 + (endClicked ? 1 : 0));
    if (endClicked)
        QCOMPARE(rows.last(), uR"("","","","","","←対象等")"_s);
    QVERIFY(!QFile::exists(sidecar));
}

QTEST_APPLESS_MAIN(DataSafetyTest)
#include "tst_datasafety.moc"
