#include "readings/ExclusionStore.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The readings left out, as kept between starts: one small file per data
// file, found again through a link, forgotten a year after the data file went.
class ExclusionStoreTest final : public QObject
{
    Q_OBJECT
private slots:
    void keepsAndForgets_data();
    void keepsAndForgets();
    void namesTheFileItCannotWrite();
    void findsWhatEarlierVersionsKept();
};

void ExclusionStoreTest::keepsAndForgets_data()
{
    QTest::addColumn<bool>("viaLink");
    QTest::addColumn<bool>("dataGone");
    QTest::addColumn<int>("daysLater");
    QTest::addColumn<bool>("kept");
    QTest::newRow("the same file through a link") << true << false << 0 << true;
    QTest::newRow("data file there, two years on") << false << false << 730 << true;
    QTest::newRow("data file gone, within the year") << false << true << 364 << true;
    QTest::newRow("data file gone, over a year") << false << true << 366 << false;
}

void ExclusionStoreTest::keepsAndForgets()
{
    QFETCH(bool, viaLink);
    QFETCH(bool, dataGone);
    QFETCH(int, daysLater);
    QFETCH(bool, kept);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString data = dir.filePath(u"run.csv"_s);
    QFile(data).open(QIODevice::WriteOnly);
    const QString link = dir.filePath(u"link.csv"_s);
    QVERIFY(QFile::link(data, link));
    QDateTime now = QDateTime::currentDateTimeUtc();
    ExclusionStore store(dir.filePath(u"store"_s), [&now] { return now; });
    const QByteArray identity = "abc";
    const QSet<int> left{2, 7};
    QVERIFY(store.save(data, identity, left));

    if (dataGone)
        QVERIFY(QFile::remove(data));
    QCOMPARE(store.prune(), 0);
    now = now.addDays(daysLater);
    QCOMPARE(store.prune(), kept ? 0 : 1);
    if (dataGone)
        QFile(data).open(QIODevice::WriteOnly); // the same path once more, the same first rows
    QCOMPARE(store.load(viaLink ? link : data, identity), kept ? left : QSet<int>());
    QVERIFY(store.load(data, "another measurement").isEmpty());
}

void ExclusionStoreTest::namesTheFileItCannotWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A plain file where the store's folder should be.
    const QString folder = dir.filePath(u"store"_s);
    QFile(folder).open(QIODevice::WriteOnly);
    ExclusionStore store(folder);
    QString error;
    const QString data = dir.filePath(u"run.csv"_s);
    QVERIFY(!store.save(data, "abc", {1}, &error));
    QVERIFY2(error.contains(QDir::toNativeSeparators(store.entryPath(data))), qPrintable(error));
}

// What an earlier version kept in its one INI file is found until the user
// changes it, and "すべて戻す" clears it there too.
void ExclusionStoreTest::findsWhatEarlierVersionsKept()
{
    QTemporaryDir dir;
    const QString data = dir.filePath(u"QMK26_12_8_101500.csv"_s);
    QFile file(data);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString folder = dir.filePath(u"exclusions"_s);
    {
        const QByteArray path = QFileInfo(data).absoluteFilePath().toUtf8();
        QSettings earlier(folder + u".ini"_s, QSettings::IniFormat);
        const QString key =
            u"file_"_s +
            QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex());
        earlier.setValue(key + u"/identity"_s, QByteArray("abc"));
        earlier.setValue(key + u"/readings"_s, QStringList{u"4"_s, u"7"_s});
    }
    ExclusionStore store(folder);
    QCOMPARE(store.load(data, "abc"), (QSet<int>{4, 7}));
    QCOMPARE(store.load(data, "another measurement"), QSet<int>());
    QVERIFY(store.save(data, "abc", {4}));
    QCOMPARE(store.load(data, "abc"), (QSet<int>{4}));
    QVERIFY(store.clear(data));
    QCOMPARE(store.load(data, "abc"), QSet<int>());
}

QTEST_GUILESS_MAIN(ExclusionStoreTest)
#include "tst_exclusionstore.moc"
