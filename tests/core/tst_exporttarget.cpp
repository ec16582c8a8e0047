#include "datafile/CsvRow.h"
#include "datafile/PendingSidecar.h"
#include "datafile/RowKinds.h"
#include "exports/ExportTarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>
#include <system_error>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

using namespace Qt::StringLiterals;

class ExportTargetTest final : public QObject
{
    Q_OBJECT
private slots:
    void onlyOrdinaryFilesAreReplaced_data();
    void onlyOrdinaryFilesAreReplaced();
    void aWriteTheSystemRefusesIsTold();
};

namespace
{

const QString DataName = u"QMK26_12_8_101500.csv"_s;
const QString SidecarName = pendingSidecarPath(DataName);
const QString OtherSidecarName = u"QMK26_12_7_090000.csv.pending"_s;
const QByteArray Export = "<svg>the whole figure</svg>\n";
const QByteArray Previous = "what the file held before\n";

const QString Refused = u"データファイルには書きません。別の名前にしてください: %1"_s;

QByteArray dataFileBytes()
{
    QByteArray bytes;
    for (const CsvRow& row :
         {RowKinds::headerRow(uR"(DATA\QMK26_12_8_101500.csv)"_s, QDate(2026, 12, 8)),
          RowKinds::columnTitleRow(u"周期 s"_s), RowKinds::dataRow(0, u"10:15:00"_s, 0, 0, 0, {})})
        bytes += encodeRow(row);
    return bytes;
}

QByteArray sidecarBytes()
{
    return encodeRow(RowKinds::dataRow(1, u"10:15:02"_s, 2.0, 2.0, 0, {}));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Permissions no umask gives, so that keeping them shows.
bool writePrevious(const QString& path)
{
    return writeFile(path, Previous) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QDir& dir)
{
    return dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDir::Name);
}

// Links and pipes the way each system makes them; false where it has none.
bool makeSpecial([[maybe_unused]] const QString& kind, [[maybe_unused]] const QString& to,
                 [[maybe_unused]] const QString& path)
{
#ifdef Q_OS_WIN
    return false;
#else
    std::error_code error;
    if (kind == u"symlink")
        std::filesystem::create_symlink(to.toStdString(), path.toStdString(), error);
    else if (kind == u"hardlink")
        std::filesystem::create_hard_link(to.toStdString(), path.toStdString(), error);
    else
        return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    return !error;
#endif
}

} // namespace

void ExportTargetTest::onlyOrdinaryFilesAreReplaced_data()
{
    QTest::addColumn<QString>("target");
    // What lies at the target before: nothing, "file", "datafile", "folder",
    // "fifo", or "symlink:<name>" / "hardlink:<name>" to a file in the folder.
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("writerFails");
    QTest::addColumn<QString>("error"); // %1: the target; empty: saved

    QTest::newRow("symlink to the data file")
        << u"figure.png"_s << u"symlink:"_s + DataName << false << Refused;
    QTest::newRow("hard link to the data file")
        << u"copy.csv"_s << u"hardlink:"_s + DataName << false << Refused;
    QTest::newRow("hard link to the sidecar")
        << u"rows.txt"_s << u"hardlink:"_s + SidecarName << false << Refused;
    QTest::newRow("another data file under an ordinary name")
        << u"old measurement.csv"_s << u"datafile"_s << false << Refused;
    QTest::newRow("recovery file name")
        << u"QMK26_12_8_101500.recovered.csv"_s << QString() << false << Refused;
    QTest::newRow("sidecar name") << SidecarName << QString() << false << Refused;
    // Only its name tells: that measurement is not shown, and a sidecar's
    // rows do not read as a data file.
    QTest::newRow("symlink to the sidecar of a measurement not shown")
        << u"latest.txt"_s << u"symlink:"_s + OtherSidecarName << false << Refused;
    QTest::newRow("fifo") << u"pipe.csv"_s << u"fifo"_s << false
                          << u"ふつうのファイルではないので保存できません: %1"_s;
    QTest::newRow("folder") << u"figures"_s << u"folder"_s << false
                            << u"フォルダーには保存できません: %1"_s;
    QTest::newRow("dangling link") << u"gone.png"_s << u"symlink:missing.png"_s << false
                                   << u"保存できません: %1（リンク先のファイルがありません）"_s;
    QTest::newRow("new file") << u"figure.svg"_s << QString() << false << QString();
    QTest::newRow("existing file") << u"table.csv"_s << u"file"_s << false << QString();
    QTest::newRow("symlink to an existing file: the file replaced, the link kept")
        << u"current.svg"_s << u"symlink:table.csv"_s << false << QString();
    QTest::newRow("writer fails halfway") << u"table.csv"_s << u"file"_s << true
                                          << u"保存できません: %1（No space left on device）"_s;
}

void ExportTargetTest::onlyOrdinaryFilesAreReplaced()
{
    QFETCH(QString, target);
    QFETCH(QString, before);
    QFETCH(bool, writerFails);
    QFETCH(QString, error);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir dir(tmp.path());
    const QString dataFile = dir.filePath(DataName);
    QVERIFY(writeFile(dataFile, dataFileBytes()));
    QVERIFY(writeFile(pendingSidecarPath(dataFile), sidecarBytes()));
    QVERIFY(writeFile(dir.filePath(OtherSidecarName), sidecarBytes()));
    // A new file gets what any file created here gets, not a private 0600.
    QFile reference(dir.filePath(u"reference"_s));
    QVERIFY(reference.open(QIODevice::WriteOnly));
    const QFile::Permissions newFilePermissions = reference.permissions();
    QVERIFY(reference.remove());

    const QString path = dir.filePath(target);
    const QString kind = before.section(u':', 0, 0);
    const QString linkedName = before.section(u':', 1);
    if (kind == u"symlink" || kind == u"hardlink" || kind == u"fifo") {
        if (linkedName == u"table.csv")
            QVERIFY(writePrevious(dir.filePath(linkedName)));
        if (!makeSpecial(kind, dir.filePath(linkedName), path))
            QSKIP("links and pipes are made here on POSIX systems only");
    } else if (kind == u"folder") {
        QVERIFY(dir.mkdir(target));
    } else if (kind == u"datafile") {
        QVERIFY(writeFile(path, dataFileBytes()));
    } else if (kind == u"file") {
        QVERIFY(writePrevious(path));
    }
    const QFileInfo replaced(QFileInfo(path).canonicalFilePath());
    const bool existed = replaced.exists();
    const QFile::Permissions permissionsBefore = replaced.permissions();
    const bool wasLink = QFileInfo(path).isSymLink();
    const QStringList entriesBefore = entries(dir);

    std::optional<ExportError> result;
    if (writerFails) {
        result = writeExport(path, {dataFile}, [&](const QString& temporaryPath) {
            const QFileInfo temporary(temporaryPath);
            if (!temporary.isFile() || temporary.size() != 0 ||
                temporary.absolutePath() != replaced.absolutePath())
                return u"not an empty file beside the target"_s;
            writeFile(temporaryPath, Export.first(Export.size() / 2));
            return u"No space left on device"_s;
        });
    } else {
        result = writeExportBytes(path, {dataFile}, Export);
    }

    QCOMPARE(result ? result->message : QString(), error.isEmpty() ? error : error.arg(path));
    QCOMPARE(readFile(dataFile), dataFileBytes());
    QCOMPARE(readFile(pendingSidecarPath(dataFile)), sidecarBytes());
    QStringList expectedEntries = entriesBefore;
    if (!result && !existed) {
        expectedEntries.append(target);
        expectedEntries.sort();
    }
    QCOMPARE(entries(dir), expectedEntries);
    QCOMPARE(QFileInfo(path).isSymLink(), wasLink);
    if (result && kind == u"file")
        QCOMPARE(readFile(path), Previous);
    if (!result) {
        QCOMPARE(readFile(path), Export);
        QCOMPARE(QFileInfo(path).permissions(), existed ? permissionsBefore : newFilePermissions);
    }
}

// A full disk as the system reports it midway through a write: here a file
// size limit, which fails the write the same way without filling a disk.
void ExportTargetTest::aWriteTheSystemRefusesIsTold()
{
#ifdef Q_OS_WIN
    QSKIP("file size limits are set here on POSIX systems only");
#elif defined(Q_OS_WASM)
    QSKIP("a browser's files in memory have no size limit to set");
#else
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QDir dir(tmp.path());
    const QString path = dir.filePath(u"page.html"_s);
    QVERIFY(writePrevious(path));
    const QStringList entriesBefore = entries(dir);

    rlimit saved{};
    QVERIFY(getrlimit(RLIMIT_FSIZE, &saved) == 0);
    const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limited) == 0);
    const std::optional<ExportError> result =
        writeExportBytes(path, {}, QByteArray(64 * 1024, 'x'));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousSignal);

    QVERIFY(result);
    QCOMPARE(result->message, u"保存できません: %1（%2）"_s.arg(path, qt_error_string(EFBIG)));
    QCOMPARE(readFile(path), Previous);
    QCOMPARE(entries(dir), entriesBefore);
#endif
}

QTEST_GUILESS_MAIN(ExportTargetTest)
#include "tst_exporttarget.moc"
