#include "datafile/DataFileName.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class DataFileNameTest final : public QObject
{
    Q_OBJECT
private slots:
    void nameOfFirstReading_data();
    void nameOfFirstReading();
    void collisionsGetASuffix();
    void localPathIsAbsoluteAndNative();
};

void DataFileNameTest::nameOfFirstReading_data()
{
    QTest::addColumn<QDateTime>("firstReading");
    QTest::addColumn<QString>("name");
    QTest::newRow("example") << QDateTime(QDate(2005, 7, 20), QTime(15, 27, 36))
                             << uR"(DATA\QMK05_7_20_152736.csv)"_s;
    QTest::newRow("two-digit month, one-digit day, small hour")
        << QDateTime(QDate(2010, 12, 1), QTime(9, 5, 3)) << uR"(DATA\QMK10_12_1_090503.csv)"_s;
    QTest::newRow("midnight, year 2000")
        << QDateTime(QDate(2000, 1, 9), QTime(0, 0, 0)) << uR"(DATA\QMK00_1_9_000000.csv)"_s;
    QTest::newRow("last second of a century")
        << QDateTime(QDate(2099, 12, 31), QTime(23, 59, 59)) << uR"(DATA\QMK99_12_31_235959.csv)"_s;
}

void DataFileNameTest::nameOfFirstReading()
{
    QFETCH(QDateTime, firstReading);
    QFETCH(QString, name);
    QCOMPARE(dataFileNameFor(firstReading), name);
}

void DataFileNameTest::collisionsGetASuffix()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir dir(tmp.path());
    QVERIFY(dir.mkdir(u"DATA"_s));
    const QDateTime t(QDate(2005, 7, 20), QTime(15, 27, 36));
    const auto create = [&](const QString& fileName) {
        QFile f(dir.filePath(u"DATA/"_s + fileName));
        return f.open(QIODevice::WriteOnly) && f.write("kept") == 4;
    };

    QCOMPARE(freeDataFileName(t, dir), uR"(DATA\QMK05_7_20_152736.csv)"_s);
    QVERIFY(create(u"QMK05_7_20_152736.csv"_s));
    QCOMPARE(freeDataFileName(t, dir), uR"(DATA\QMK05_7_20_152736_2.csv)"_s);
    QVERIFY(create(u"QMK05_7_20_152736_2.csv"_s));
    QCOMPARE(freeDataFileName(t, dir), uR"(DATA\QMK05_7_20_152736_3.csv)"_s);
    // Another second is another name, whatever the earlier one left behind.
    QCOMPARE(freeDataFileName(t.addSecs(1), dir), uR"(DATA\QMK05_7_20_152737.csv)"_s);

    QFile existing(dir.filePath(u"DATA/QMK05_7_20_152736.csv"_s));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), "kept");
}

void DataFileNameTest::localPathIsAbsoluteAndNative()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString name = uR"(DATA\QMK05_7_20_152736.csv)"_s;
    QCOMPARE(localPath(name, QDir(tmp.path())),
             QDir::toNativeSeparators(tmp.path() + u"/DATA/QMK05_7_20_152736.csv"_s));

    const QString fromRelative = localPath(name, QDir(u"work"_s));
    QVERIFY(QDir::isAbsolutePath(fromRelative));
    QCOMPARE(fromRelative, QDir::toNativeSeparators(
                               QDir::current().filePath(u"work/DATA/QMK05_7_20_152736.csv"_s)));
}

QTEST_APPLESS_MAIN(DataFileNameTest)
#include "tst_datafilename.moc"
