#include "datafile/DataFileReader.h"
#include "datafile/DataFileWriter.h"
#include "datafile/PendingSidecar.h"
#include "support/DataFileBytes.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

// Reading a data file as it grows: only what was appended, a file replaced
// or cut, a last line left open, the main program's sidecar, and the newest
// file of a folder.
class DataFileFollowerTest final : public QObject
{
    Q_OBJECT

private slots:
    void followerReadsOnlyWhatWasAppended();
    void followerStartsOver_data();
    void followerStartsOver();
    void followerTakesAnOpenLastLineOnceTheFileIsQuiet();
    void pendingReading_data();
    void pendingReading();
    void newestDataFile_data();
    void newestDataFile();
};

void DataFileFollowerTest::followerReadsOnlyWhatWasAppended()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"QMK05_7_20_152736.csv"_s);
    DataFileFollower follower(path);
    QVERIFY(follower.poll().missing);

    QList<CsvRow> first;
    for (int n = 0; n < 200; ++n)
        first.append(reading(n));
    QVERIFY(writeFile(path, headingRows() + rows(first)));
    DataFileFollower::Update update = follower.poll();
    QVERIFY(!update.missing && !update.restarted);
    QCOMPARE(update.rows.size(), 203);

    // Bytes already read are not read again (only the first and the last few
    // before the read offset are compared): spoiling the middle changes nothing.
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.seek(1000));
        QVERIFY(file.write("#########") == 9);
    }
    const QByteArray next = encodeRow(reading(200, u" --NG"_s));
    QVERIFY(writeFile(path, next.first(9), QIODevice::Append));
    QVERIFY(follower.poll().rows.isEmpty());
    QVERIFY(writeFile(path, next.sliced(9, next.size() - 10), QIODevice::Append));
    QVERIFY(follower.poll().rows.isEmpty()); // CR without LF: not yet a row
    QVERIFY(writeFile(path, "\n", QIODevice::Append));
    update = follower.poll();
    QCOMPARE(describe(update.rows), QStringList{u"204:D 200 -1 300 1.5 -150 NG"_s});
    QVERIFY(!follower.parser().firstProblem());
    QVERIFY(follower.poll().rows.isEmpty());
}

void DataFileFollowerTest::followerStartsOver_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("cut shorter") << u"cut"_s;
    QTest::newRow("another file put in its place") << u"replace"_s;
    QTest::newRow("written anew in place, longer") << u"rewrite"_s;
    QTest::newRow("deleted, then made again") << u"delete"_s;
    QTest::newRow("cut and grown again between two polls, far from its start") << u"regrow"_s;
}

void DataFileFollowerTest::followerStartsOver()
{
    QFETCH(QString, change);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"QMK05_7_20_152736.csv"_s);
    QList<CsvRow> many;
    for (int n = 0; n < 100; ++n)
        many.append(reading(n));
    const QList<CsvRow> readings =
        change == u"regrow" ? many : QList<CsvRow>{reading(0), reading(1)};
    const QByteArray before = headingRows() + rows(readings);
    QVERIFY(writeFile(path, before));
    DataFileFollower follower(path);
    QCOMPARE(follower.poll().rows.size(), 3 + readings.size());

    QByteArray anew = headingRows() + encodeRow(reading(7));
    if (change == u"cut") {
        anew = before.first(headingRows().size() + 5);
        QVERIFY(QFile::resize(path, anew.size()));
    } else if (change == u"replace") {
        QVERIFY(writeFile(path + u".new"_s, anew));
        // Replaces the file in one step on Windows too, where std::rename
        // does not take an existing target.
        std::error_code error;
        std::filesystem::rename(QFile::encodeName(path + u".new"_s).toStdString(),
                                QFile::encodeName(path).toStdString(), error);
        QVERIFY2(!error, error.message().c_str());
    } else if (change == u"regrow") {
        // 100 rows cut to 90 and 20 others appended at once: longer than
        // before, the same first bytes, the same file.
        anew = headingRows() + rows(many.first(90));
        for (int n = 90; n < 110; ++n)
            anew += encodeRow(reading(n, u"再"_s));
        QVERIFY(QFile::resize(path, headingRows().size() + rows(many.first(90)).size()));
        QVERIFY(writeFile(path, anew.sliced(QFile(path).size()), QIODevice::Append));
    } else if (change == u"rewrite") {
        anew = encodeRow(RowKinds::headerRow(uR"(DATA\QMK05_7_20_152737.csv)"_s, {}));
        for (int n = 0; n < 10; ++n)
            anew += encodeRow(reading(n));
        QVERIFY(writeFile(path, anew, QIODevice::Truncate));
    } else {
        QVERIFY(QFile::remove(path));
        const DataFileFollower::Update gone = follower.poll();
        QVERIFY(gone.missing && gone.rows.isEmpty() && !follower.pendingReading());
        // Longer than before and with the same first bytes: only the
        // deletion itself tells.
        anew = headingRows() + rows({reading(5), reading(6), reading(7)});
        QVERIFY(writeFile(path, anew));
    }
    const DataFileFollower::Update update = follower.poll();
    QVERIFY(update.restarted && !update.missing);
    DataFileParser fresh;
    QCOMPARE(describe(update.rows), describe(fresh.feed(anew)));
    QCOMPARE(follower.parser().linesRead(), fresh.linesRead());
}

void DataFileFollowerTest::followerTakesAnOpenLastLineOnceTheFileIsQuiet()
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"QMK05_7_20_152736.csv"_s);
    qint64 now = 5000;
    DataFileFollower follower(path, [&now] { return now; });
    const QByteArray last = encodeRow(reading(1)).chopped(2);
    QVERIFY(writeFile(path, headingRows() + encodeRow(reading(0)) + last.first(10)));
    DataFileFollower::Update update = follower.poll();
    QCOMPARE(update.rows.size(), 4);
    QVERIFY(update.lineWaiting);

    // Each byte appended starts the quiet second again.
    now += DataFileFollower::QuietMs - 1;
    QVERIFY(writeFile(path, last.sliced(10), QIODevice::Append));
    QVERIFY(follower.poll().rows.isEmpty());
    now += DataFileFollower::QuietMs - 1;
    update = follower.poll();
    QVERIFY(update.rows.isEmpty() && update.lineWaiting);
    now += 1;
    update = follower.poll();
    QCOMPARE(describe(update.rows), QStringList{u"5:D 1 55657 1.5 1.5 49"_s});
    QVERIFY(!update.lineWaiting && !follower.parser().firstProblem());
    QVERIFY(follower.poll().rows.isEmpty());

    // The line goes on after all: read again, nothing twice.
    const QByteArray whole = headingRows() + rows({reading(0), reading(1), reading(2)});
    QVERIFY(writeFile(path, "\r\n" + encodeRow(reading(2)), QIODevice::Append));
    update = follower.poll();
    QVERIFY(update.restarted);
    DataFileParser fresh;
    QCOMPARE(describe(update.rows), describe(fresh.feed(whole)));
}

void DataFileFollowerTest::pendingReading_data()
{
    QTest::addColumn<QList<CsvRow>>("tail");
    QTest::addColumn<QByteArray>("sidecar"); // empty: no sidecar
    QTest::addColumn<QString>("pending");    // the last row, empty: none
    QTest::addColumn<int>("count");          // rows not yet in the data file
    const QByteArray next = encodeRow(reading(2));
    const CsvRow change = RowKinds::changedSubjectRow({u"c"_s}, {});
    const CsvRow end = RowKinds::subjectRow({u"e"_s});
    QTest::newRow("absent") << QList<CsvRow>{reading(0), reading(1)} << QByteArray() << QString()
                            << 0;
    QTest::newRow("the next reading")
        << QList<CsvRow>{reading(0), reading(1)} << next << u"6:D 2 55658 3 1.5 48"_s << 1;
    QTest::newRow("marked NG") << QList<CsvRow>{reading(0), reading(1)}
                               << encodeRow(reading(2, u" --NG"_s)) << u"6:D 2 55658 3 1.5 48 NG"_s
                               << 1;
    QTest::newRow("a change waiting") << QList<CsvRow>{reading(0), reading(1)} << encodeRow(change)
                                      << u"6:C|c|||||←対象等"_s << 1;
    QTest::newRow("torn: no line end")
        << QList<CsvRow>{reading(0), reading(1)} << next.chopped(2) << QString() << 0;
    QTest::newRow("torn: half a row")
        << QList<CsvRow>{reading(0), reading(1)} << next.first(8) + "\r\n"
        << QString() << 0;
    QTest::newRow("two rows") << QList<CsvRow>{reading(0)} << next + next
                              << u"6:D 2 55658 3 1.5 48"_s << 2;
    QTest::newRow("not a row") << QList<CsvRow>{reading(0)} << "\x81\x81\r\n"_ba << QString() << 0;
    QTest::newRow("already the last row")
        << QList<CsvRow>{reading(0), reading(1)} << encodeRow(reading(1)) << QString() << 0;
    QTest::newRow("last row written by the end, sidecar not yet removed")
        << QList<CsvRow>{reading(0), reading(1), end} << encodeRow(reading(1)) << QString() << 0;
    QTest::newRow("queued rows, then the pending one")
        << QList<CsvRow>{reading(0), reading(1)} << next + encodeRow(reading(3))
        << u"7:D 3 55659 4.5 1.5 47"_s << 2;
    QTest::newRow("queued rows, the first of them written meanwhile")
        << QList<CsvRow>{reading(0), reading(1), reading(2)} << next + encodeRow(reading(3))
        << u"7:D 3 55659 4.5 1.5 47"_s << 1;
}

void DataFileFollowerTest::pendingReading()
{
    QFETCH(QList<CsvRow>, tail);
    QFETCH(QByteArray, sidecar);
    QFETCH(QString, pending);
    QFETCH(int, count);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"QMK05_7_20_152736.csv"_s);
    QVERIFY(writeFile(path, headingRows() + rows(tail)));
    if (!sidecar.isEmpty())
        QVERIFY(writeFile(pendingSidecarPath(path), sidecar));
    const QByteArray before = headingRows() + rows(tail);

    DataFileFollower follower(path);
    follower.poll();
    const std::optional<ReadRow> read = follower.pendingReading();
    QCOMPARE(read ? describe(*read) : QString(), pending);
    QCOMPARE(follower.pendingRows().size(), count);
    // Reading never changes a byte of either file.
    QCOMPARE(QFile(path).size(), before.size());
    if (!sidecar.isEmpty())
        QCOMPARE(QFile(pendingSidecarPath(path)).size(), sidecar.size());
}

void DataFileFollowerTest::newestDataFile_data()
{
    QTest::addColumn<QStringList>("names"); // oldest modification time first
    QTest::addColumn<QString>("newest");
    QTest::newRow("empty folder") << QStringList() << QString();
    QTest::newRow("day 20 after day 9, whatever the modification time")
        << QStringList{u"QMK05_7_20_152736.csv"_s, u"QMK05_7_9_152736.csv"_s}
        << u"QMK05_7_20_152736.csv"_s;
    QTest::newRow("December after July, 1998 before 2005")
        << QStringList{u"QMK05_12_1_000000.csv"_s, u"QMK98_7_1_000000.csv"_s,
                       u"QMK05_7_1_000000.csv"_s}
        << u"QMK05_12_1_000000.csv"_s;
    QTest::newRow("suffix _10 after _9 after none")
        << QStringList{u"QMK05_7_20_152736_10.csv"_s, u"QMK05_7_20_152736_9.csv"_s,
                       u"QMK05_7_20_152736.csv"_s}
        << u"QMK05_7_20_152736_10.csv"_s;
    QTest::newRow("recovery files and sidecars left out")
        << QStringList{u"QMK05_7_20_152736.csv"_s, u"QMK05_7_20_152737.recovered.csv"_s,
                       u"QMK05_7_20_152738.csv.pending"_s, u"other.csv"_s}
        << u"QMK05_7_20_152736.csv"_s;
    QTest::newRow("names that do not read: by modification time")
        << QStringList{u"QMKb.csv"_s, u"QMKa.csv"_s} << u"QMKa.csv"_s;
    QTest::newRow("a link to a device and a pipe with newer names left out")
        << QStringList{u"QMK05_7_20_152736.csv"_s, u"link:QMK05_7_21_000000.csv"_s,
                       u"fifo:QMK05_7_22_000000.csv"_s}
        << u"QMK05_7_20_152736.csv"_s;
}

void DataFileFollowerTest::newestDataFile()
{
    QFETCH(QStringList, names);
    QFETCH(QString, newest);
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    const QDateTime base = QDateTime::currentDateTime().addDays(-1);
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].startsWith(u"link:"_s)) {
            QVERIFY(QFile::link(u"/dev/zero"_s, dir.filePath(names[i].mid(5))));
            continue;
        }
        if (names[i].startsWith(u"fifo:"_s)) {
#if defined(Q_OS_WIN) || defined(Q_OS_WASM)
            QSKIP("no named pipes among the files here");
#else
            QVERIFY(::mkfifo(QFile::encodeName(dir.filePath(names[i].mid(5))).constData(), 0644) ==
                    0);
            continue;
#endif
        }
        QFile file(dir.filePath(names[i]));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.setFileTime(base.addSecs(60 * i), QFileDevice::FileModificationTime));
    }
    QCOMPARE(::newestDataFile(dir), newest.isEmpty() ? QString() : dir.absoluteFilePath(newest));
}

QTEST_GUILESS_MAIN(DataFileFollowerTest)
#include "tst_datafilefollower.moc"
