#include "datafile/PendingSidecar.h"
#include "support/FormHarness.h"

#include <QDirIterator>
#include <QFile>
#include <QLockFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The pending reading's sidecar while measuring, and what the next start
// makes of the sidecars a crash left behind.
class PendingRowTest final : public QObject
{
    Q_OBJECT
private slots:
    void sidecarHoldsTheRowAsItWillBeWritten_data();
    void sidecarHoldsTheRowAsItWillBeWritten();
    void startGivesBackWhatACrashLeft_data();
    void startGivesBackWhatACrashLeft();
    void oneMessageForSeveralFiles();
    void newNameAvoidsNamesStillHeld_data();
    void newNameAvoidsNamesStillHeld();
    void hostileSidecarTouchesNothing_data();
    void hostileSidecarTouchesNothing();
    void identicalChangesSurviveACrash_data();
    void identicalChangesSurviveACrash();
};

namespace
{

enum Step { Enter, BackSpace, Change, End, Clear };

void run(FormHarness& h, const QList<int>& steps)
{
    for (int step : steps) {
        h.clock.advanceMs(1250);
        switch (step) {
        case Enter:
            h.enter();
            break;
        case BackSpace:
            h.backSpace();
            break;
        case Change:
            h.logic->ComSave_Click();
            break;
        case End:
        case Clear:
            h.logic->ComClear_Click();
            break;
        }
    }
}

QString sidecarOf(const FormHarness& h)
{
    return pendingSidecarPath(h.dataFilePath());
}

// A lock as this process's Qt writes it: number, name, host (not DNS's on Windows).
QByteArray ownLock()
{
    const QTemporaryDir dir;
    QLockFile lock(dir.filePath(u"probe.lock"_s));
    QFile file(dir.filePath(u"probe.lock"_s));
    return lock.tryLock(0) && file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file of the folder but the data files: what a measurement leaves.
QStringList leftovers(const FormHarness& h)
{
    const QDir data(h.dir.filePath(u"DATA"_s));
    QStringList names = data.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    names.removeIf([](const QString& n) { return n.endsWith(u".csv"_s); });
    return names;
}

QList<int> readingNumbers(const QStringList& rows)
{
    QList<int> numbers;
    for (const QString& row : rows) {
        if (!row.isEmpty() && row.front().isDigit())
            numbers.append(row.section(u',', 0, 0).toInt());
    }
    return numbers;
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The last line of a file as the file holds it, CR LF included.
QByteArray lastRowBytes(const QString& path)
{
    const QByteArray bytes = readBytes(path);
    const qsizetype start = bytes.lastIndexOf("\r\n", bytes.size() - 3);
    return bytes.mid(start < 0 ? 0 : start + 2);
}

} // namespace

void PendingRowTest::sidecarHoldsTheRowAsItWillBeWritten_data()
{
    QTest::addColumn<QList<int>>("steps");
    QTest::addColumn<QString>("sidecar"); // empty: no sidecar

    QTest::newRow("first press") << QList<int>{Enter} << uR"(0,"15:27:37",0,0,0,"")"_s;
    QTest::newRow("third press") << QList<int>{Enter, Enter, Enter}
                                 << uR"(2,"15:27:39",2.5,1.25,0,"")"_s;
    QTest::newRow("BackSpace marks it")
        << QList<int>{Enter, Enter, BackSpace} << uR"(1,"15:27:38",1.25,1.25,0," --NG")"_s;
    QTest::newRow("the next press starts unmarked")
        << QList<int>{Enter, BackSpace, Enter} << uR"(1,"15:27:39",2.5,2.5,0,"")"_s;
    QTest::newRow("Change makes the subject pending")
        << QList<int>{Enter, Change} << uR"("A","","","","","←対象等")"_s;
    QTest::newRow("BackSpace after Change marks the subject")
        << QList<int>{Enter, Change, BackSpace} << uR"("A","","","","","←対象等 --NG")"_s;
    QTest::newRow("the end removes it") << QList<int>{Enter, Enter, BackSpace, End} << QString();
    QTest::newRow("end after Change") << QList<int>{Enter, Change, End} << QString();
    QTest::newRow("end, clear") << QList<int>{Enter, End, Clear} << QString();
    QTest::newRow("BackSpace before the first press") << QList<int>{BackSpace} << QString();
}

void PendingRowTest::sidecarHoldsTheRowAsItWillBeWritten()
{
    QFETCH(QList<int>, steps);
    QFETCH(QString, sidecar);
    FormHarness h;
    h.setSubject({u"A"_s});
    run(h, steps);
    if (sidecar.isEmpty()) {
        QCOMPARE(leftovers(h), QStringList());
        return;
    }
    QCOMPARE(readRows(sidecarOf(h)), QStringList{sidecar});
    // Exactly the row the next writing event gives the data file.
    const QByteArray stored = readBytes(sidecarOf(h));
    h.logic->ComClear_Click();
    const QStringList rows = h.rows();
    QCOMPARE(rows[rows.size() - 2], sidecar);
    QVERIFY(readBytes(h.dataFilePath()).contains(stored));
    QCOMPARE(leftovers(h), QStringList());
}

namespace
{
enum Crash {
    AfterPresses,
    BeforeSidecarReplaced, // the data file got the row, the sidecar still holds it
    BeforeSidecarRemoved,  // the end was written, the sidecar not yet removed
    BeforeLockReleased,    // the end was written, the sidecar removed, its lock not
    DataFileGone,
    DataFileUnwritable, // the row waits in memory: its sidecar must stay
    UnreadableSidecar,
    InMiddleOfReplacement,
    OwnerStillRunning,
    OwnNumberReused,
};
} // namespace

void PendingRowTest::startGivesBackWhatACrashLeft_data()
{
    QTest::addColumn<int>("crash");
    QTest::addColumn<QList<int>>("readings"); // in the data file after the start
    QTest::addColumn<bool>("dataFileNamed");
    QTest::addColumn<bool>("sidecarNamed");
    QTest::addColumn<QStringList>("left"); // files beside the data file afterwards

    const QString sidecar = u"QMK05_7_20_152737.csv.pending"_s;
    QTest::newRow("after three presses")
        << int(AfterPresses) << QList<int>{0, 1, 2} << true << false << QStringList();
    QTest::newRow("last row already in the file")
        << int(BeforeSidecarReplaced) << QList<int>{0, 1} << false << false << QStringList();
    QTest::newRow("end written, sidecar not yet removed")
        << int(BeforeSidecarRemoved) << QList<int>{0, 1, 2} << false << false << QStringList();
    QTest::newRow("end written, lock of the removed sidecar left")
        << int(BeforeLockReleased) << QList<int>{0, 1, 2} << false << false << QStringList();
    QTest::newRow("data file gone")
        << int(DataFileGone) << QList<int>{2} << true << false << QStringList();
    QTest::newRow("data file cannot be written")
        << int(DataFileUnwritable) << QList<int>{} << true << false << QStringList{sidecar};
    QTest::newRow("unreadable sidecar")
        << int(UnreadableSidecar) << QList<int>{0, 1} << false << true << QStringList{sidecar};
    QTest::newRow("in the middle of a replacement")
        << int(InMiddleOfReplacement) << QList<int>{0, 1, 2} << true << false << QStringList();
    QTest::newRow("lock naming this process")
        << int(OwnNumberReused) << QList<int>{0, 1, 2} << true << false << QStringList();
    QTest::newRow("a second instance while the first measures")
        << int(OwnerStillRunning) << QList<int>{0, 1} << false << false
        << QStringList{sidecar, sidecar + u".lock"_s};
}

void PendingRowTest::startGivesBackWhatACrashLeft()
{
    QFETCH(int, crash);
    QFETCH(QList<int>, readings);
    QFETCH(bool, dataFileNamed);
    QFETCH(bool, sidecarNamed);
    QFETCH(QStringList, left);

    FormHarness h;
    run(h, {Enter, Enter, Enter});
    const QString dataFile = h.dataFilePath();
    const QString sidecar = sidecarOf(h);
    const QByteArray pending = readBytes(sidecar);
    switch (crash) {
    case BeforeSidecarReplaced:
        writeBytes(sidecar, lastRowBytes(dataFile));
        break;
    case BeforeSidecarRemoved:
        h.logic->ComClear_Click();
        writeBytes(sidecar, pending);
        break;
    case BeforeLockReleased:
        h.logic->ComClear_Click();
        writeBytes(sidecar + u".lock"_s, // of a process that is gone
                   "2147483646\nquellmark\n" + ownLock().split('\n').value(2) + '\n');
        break;
    case DataFileGone:
        QVERIFY(QFile::remove(dataFile));
        break;
    case DataFileUnwritable:
        QVERIFY(QFile::remove(dataFile));
        QVERIFY(QDir().mkdir(dataFile));
        break;
    case UnreadableSidecar:
        writeBytes(sidecar, pending + pending);
        break;
    case InMiddleOfReplacement:
        writeBytes(sidecar + u".tmp"_s, pending.left(5));
        break;
    }
    std::unique_ptr<RecorderForm> crashed = std::move(h.logic);
    if (crash != OwnerStillRunning)
        crashed.reset(); // as a crash would: the sidecar stays, the lock dies with the process
    if (crash == OwnNumberReused) // the crashed program had the number this one has now
        writeBytes(sidecar + u".lock"_s, ownLock());

    FakeForm form;
    RecorderForm next(form, h.clock, QDir(h.dir.path()));
    next.Form_Load();

    QCOMPARE(readingNumbers(readRows(dataFile)), readings);
    if (!dataFileNamed && !sidecarNamed) {
        QCOMPARE(form.messages.size(), 0);
    } else {
        QCOMPARE(form.messages.size(), 1);
        const QStringList lines = form.messages.first().text.split(u"\r\n"_s);
        QCOMPARE(lines.contains(QDir::toNativeSeparators(dataFile)), dataFileNamed);
        QCOMPARE(lines.contains(QDir::toNativeSeparators(sidecar)), sidecarNamed);
    }
    QCOMPARE(leftovers(h), left);
}

void PendingRowTest::oneMessageForSeveralFiles()
{
    FormHarness h;
    run(h, {Enter, Enter});
    const QString first = h.dataFilePath();
    // A second instance in the same folder, a second later.
    FakeForm otherForm;
    auto other = std::make_unique<RecorderForm>(otherForm, h.clock, QDir(h.dir.path()));
    other->Form_Load();
    h.clock.advanceMs(1000);
    other->Form_KeyDown({KeyCode::Enter, 0, false, std::nullopt});
    const QString second = localPath(other->data.dataFileName, QDir(h.dir.path()));
    QVERIFY(first != second);
    h.logic.reset();
    other.reset();

    FakeForm form;
    RecorderForm next(form, h.clock, QDir(h.dir.path()));
    next.Form_Load();
    QCOMPARE(form.messages.size(), 1);
    QVERIFY(form.messages.first().text.contains(QDir::toNativeSeparators(first)));
    QVERIFY(form.messages.first().text.contains(QDir::toNativeSeparators(second)));
    QCOMPARE(readingNumbers(readRows(first)), (QList<int>{0, 1}));
    QCOMPARE(readingNumbers(readRows(second)), QList<int>{0});
}

void PendingRowTest::newNameAvoidsNamesStillHeld_data()
{
    QTest::addColumn<bool>("folderMissing"); // else: only a sidecar is left of the first
    QTest::newRow("rows of the first still queued") << true;
    QTest::newRow("data file gone, its sidecar left") << false;
}

void PendingRowTest::newNameAvoidsNamesStillHeld()
{
    QFETCH(bool, folderMissing);
    FormHarness h;
    QDir dir(h.dir.path());
    if (folderMissing)
        QVERIFY(dir.rename(u"DATA"_s, u"DATA.away"_s));
    // Two measurements within one second of wall time.
    h.enter();
    h.clock.advanceMs(100);
    h.enter();
    const QString first = h.logic->data.dataFileName;
    if (!folderMissing) {
        QVERIFY(QFile::remove(h.dataFilePath()));
        h.logic.reset(); // keeps the sidecar, frees the writer
        h.logic = std::make_unique<RecorderForm>(h.form, h.clock, dir);
    } else {
        h.logic->ComClear_Click();
        h.logic->ComClear_Click();
    }
    h.clock.advanceMs(100);
    h.enter();
    const QString second = h.logic->data.dataFileName;
    QCOMPARE(first, u"DATA\\QMK05_7_20_152736.csv"_s);
    QCOMPARE(second, u"DATA\\QMK05_7_20_152736_2.csv"_s);
    if (folderMissing) {
        QVERIFY(dir.mkdir(u"DATA"_s));
        h.enter();
        h.logic->ComClear_Click();
        // Each measurement's rows in its own file, its own heading first.
        const QStringList firstRows = readRows(localPath(first, dir));
        const QStringList secondRows = h.rows();
        QVERIFY(firstRows.first().startsWith(u'"' + first + u'"'));
        QVERIFY(secondRows.first().startsWith(u'"' + second + u'"'));
        QCOMPARE(readingNumbers(firstRows), (QList<int>{0, 1}));
        QCOMPARE(readingNumbers(secondRows), (QList<int>{0, 1}));
    }
}

namespace
{
// Every file below `root` with its bytes.
QMap<QString, QByteArray> snapshot(const QString& root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(path, readBytes(path));
    }
    return files;
}
} // namespace

void PendingRowTest::hostileSidecarTouchesNothing_data()
{
    // Beside data file QMK05_7_20_152737.csv, which holds readings 0 and 1.
    // "@END" stands for its size, "@LAST" for where its last row begins,
    // "@MID" for a place inside that row.
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");

    const QString own = u"QMK05_7_20_152737.csv.pending"_s;
    const QByteArray next = R"(2,"15:27:39",2.5,1.25,0,"")"
                            "\r\n";
    QTest::newRow("bytes FF FE") << own << QByteArray("\xFF\xFE");
    QTest::newRow("FF FE, text, commas and a NUL, CR LF")
        << own << QByteArray("\xFF\xFEtext,,,\0\r\n", 12);
    QTest::newRow("text") << own << QByteArray("not a row at all\r\n");
    QTest::newRow("NUL in a row") << own
                                  << QByteArray(R"(2,"15:27:39",2.5,1.25,0,")"
                                                "\0"
                                                "\"\r\n",
                                                29);
    QTest::newRow("a reading number out of turn") << own
                                                  << QByteArray(R"(5,"15:27:39",2.5,1.25,0,"")"
                                                                "\r\n");
    QTest::newRow("the last reading's number again") << own
                                                     << QByteArray(R"(1,"15:27:39",2.5,1.25,0,"")"
                                                                   "\r\n");
    QTest::newRow("a number not as written") << own
                                             << QByteArray(R"(2,"15:27:39",2.50,1.25,0,"")"
                                                           "\r\n");
    QTest::newRow("a remark not as written") << own
                                             << QByteArray(R"(2,"15:27:39",2.5,1.25,0,"NG")"
                                                           "\r\n");
    QTest::newRow("another file's header")
        << own
        << QByteArray(R"("DATA\QMK99_1_1_000000.csv","99/1/1","","","","")"
                      "\r\n");
    QTest::newRow("its own header again")
        << own
        << QByteArray("#after @END\r\n"
                      R"("DATA\QMK05_7_20_152737.csv","05/7/20","","","","")"
                      "\r\n");
    QTest::newRow("two rows and no position") << own << next + next;
    QTest::newRow("a position past the end") << own << "#after 99999\r\n" + next;
    QTest::newRow("a position inside a row") << own << "#after @MID\r\n" + next;
    QTest::newRow("a row unlike the one at its position")
        << own
        << QByteArray("#after @LAST\r\n"
                      R"(1,"15:27:38",1.25,1.25,5,"")"
                      "\r\n");
    QTest::newRow("another program's file") << u"notes.txt.pending"_s << next;
    QTest::newRow("no such month") << u"QMK05_13_20_152737.csv.pending"_s << next;
    QTest::newRow("a number no second file gets") << u"QMK05_7_20_152737_1.csv.pending"_s << next;
    QTest::newRow("a name that goes on") << u"QMK05_7_20_152737.csv.bak.pending"_s << next;
    if (QDir::separator() == u'/') {
        QTest::newRow("a path up and out") << uR"(x\..\..\..\evil.csv.pending)"_s << next;
        QTest::newRow("a path to its own file")
            << uR"(x\..\QMK05_7_20_152737.csv.pending)"_s << next;
    }
}

void PendingRowTest::hostileSidecarTouchesNothing()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    // The working folder two levels down, so that a path out of it stays in
    // what the test looks at.
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(u"a/work/DATA"_s));
    const QDir work(root.filePath(u"a/work"_s));
    FakeClock clock;
    FakeForm form;
    auto crashed = std::make_unique<RecorderForm>(form, clock, work);
    crashed->Form_Load();
    for (int i = 0; i < 3; ++i) {
        clock.advanceMs(1250);
        crashed->Form_KeyDown({KeyCode::Enter, 0, false, std::nullopt});
    }
    const QString dataFile = localPath(crashed->data.dataFileName, work);
    crashed.reset();
    QCOMPARE(QFileInfo(dataFile).fileName(), u"QMK05_7_20_152737.csv"_s);
    QVERIFY(QFile::remove(pendingSidecarPath(dataFile)));

    const QByteArray data = readBytes(dataFile);
    content.replace("@END", QByteArray::number(data.size()));
    const qsizetype last = data.lastIndexOf("\r\n", data.size() - 3) + 2;
    content.replace("@LAST", QByteArray::number(last));
    content.replace("@MID", QByteArray::number(last + 3));
    const QString sidecar = work.filePath(u"DATA/"_s + name);
    writeBytes(sidecar, content);
    writeBytes(work.filePath(u"DATA/notes.txt"_s), "notes\r\n");
    const QMap<QString, QByteArray> before = snapshot(root.path());

    FakeForm nextForm;
    RecorderForm next(nextForm, clock, work);
    next.Form_Load();
    QCOMPARE(snapshot(root.path()), before);
    QCOMPARE(nextForm.messages.size(), 1);
    QVERIFY2(
        nextForm.messages.first().text.split(u"\r\n"_s).contains(QDir::toNativeSeparators(sidecar)),
        qPrintable(nextForm.messages.first().text));
}

void PendingRowTest::identicalChangesSurviveACrash_data()
{
    QTest::addColumn<QList<int>>("steps");
    // The sidecar as it was after this many steps is what the crash leaves
    // (a crash inside the next step); -1: as the last step left it.
    QTest::addColumn<int>("sidecarAfter");
    QTest::addColumn<QStringList>("changeRows");

    const QString plain = uR"("A","","","","","←対象等")"_s;
    const QString marked = uR"("A","","","","","←対象等 --NG")"_s;
    QTest::newRow("two Change clicks")
        << QList<int>{Enter, Change, Change} << -1 << QStringList{plain, plain};
    QTest::newRow("three Change clicks")
        << QList<int>{Enter, Change, Change, Change} << -1 << QStringList{plain, plain, plain};
    QTest::newRow("made equal by BackSpace")
        << QList<int>{Enter, Change, BackSpace, Change, BackSpace} << -1
        << QStringList{marked, marked};
    QTest::newRow("the second written by the next press")
        << QList<int>{Enter, Change, Change, Enter} << 3 << QStringList{plain, plain};
}

void PendingRowTest::identicalChangesSurviveACrash()
{
    QFETCH(QList<int>, steps);
    QFETCH(int, sidecarAfter);
    QFETCH(QStringList, changeRows);
    FormHarness h;
    h.setSubject({u"A"_s});
    QByteArray kept;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        run(h, {steps[i]});
        if (i + 1 == sidecarAfter)
            kept = readBytes(sidecarOf(h));
    }
    if (sidecarAfter >= 0)
        writeBytes(sidecarOf(h), kept);
    const QString dataFile = h.dataFilePath();
    h.logic.reset();

    FakeForm form;
    RecorderForm next(form, h.clock, QDir(h.dir.path()));
    next.Form_Load();
    const QStringList rows = readRows(dataFile);
    QCOMPARE(readingNumbers(rows), QList<int>{0});
    QCOMPARE(rows.mid(4), changeRows);
    QCOMPARE(leftovers(h), QStringList());
}

QTEST_APPLESS_MAIN(PendingRowTest)
#include "tst_pendingrow.moc"
