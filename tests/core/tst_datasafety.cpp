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

QTEST_APPLESS_MAIN(DataSafetyTest)
#include "tst_datasafety.moc"
