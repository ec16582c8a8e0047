#include "datafile/DataFileName.h"
#include "datafile/DataFileWriter.h"
#include "datafile/RowKinds.h"
#include "support/DataFileReading.h"

#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace
{

const QString Name = uR"(DATA\QMK05_7_20_152736.csv)"_s;

CsvRow row(int n)
{
    return RowKinds::dataRow(n, u"15:27:%1"_s.arg(n, 2, 10, QChar(u'0')), n * 1.5, 1.5, 50 + n, {});
}

QByteArray bytesOf(std::initializer_list<int> numbers)
{
    QByteArray bytes;
    for (int n : numbers)
        bytes += encodeRow(row(n));
    return bytes;
}

} // namespace

class DataFileWriterTest final : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void appendsEachEvent();
    void fullDeviceKeepsRows_data();
    void fullDeviceKeepsRows();
    void folderRemovedAndMadeAgain();
    void failingFileDoesNotHoldBackAnother();
    void sizeLimitMidRowLeavesWholeRows();
    void recoveryFileTakesWhatIsLeft();

private:
    std::unique_ptr<QTemporaryDir> m_tmp;
    QDir m_dir;
    QString path(const QString& name = Name) const { return localPath(name, m_dir); }
    bool makeFullDevice(const QString& name = Name) const
    {
        return QFile::link(u"/dev/full"_s, path(name));
    }
};

void DataFileWriterTest::init()
{
    m_tmp = std::make_unique<QTemporaryDir>();
    QVERIFY(m_tmp->isValid());
    m_dir = QDir(m_tmp->path());
    QVERIFY(m_dir.mkdir(u"DATA"_s));
}

void DataFileWriterTest::appendsEachEvent()
{
    {
        QFile earlier(path());
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier\r\n");
    }
    DataFileWriter writer(m_dir);
    const DataFileWriter::Result first = writer.write(Name, {row(0), row(1)});
    QVERIFY(first.ok);
    QCOMPARE(first.unwrittenRows, 0);
    QCOMPARE(first.path, path());
    QVERIFY(writer.write(Name, {row(2)}).ok);
    QVERIFY(writer.write(Name, {}).ok);
    const QByteArray bytes = readBytes(path());
    QVERIFY(bytes.startsWith("earlier\r\n0,\"15:27:00\",0,1.5,50,\"\"\r\n1,\"15:27:01\",1.5,"));
    QCOMPARE(bytes, "earlier\r\n" + bytesOf({0, 1, 2}));

    // A missing file is created.
    const QString other = uR"(DATA\QMK05_7_20_152737.csv)"_s;
    QVERIFY(writer.write(other, {row(3)}).ok);
    QCOMPARE(readBytes(path(other)), bytesOf({3}));
}

void DataFileWriterTest::fullDeviceKeepsRows_data()
{
    QTest::addColumn<bool>("byRetry");
    QTest::newRow("next event") << false;
    QTest::newRow("retry") << true;
}

void DataFileWriterTest::fullDeviceKeepsRows()
{
#ifndef Q_OS_LINUX
    QSKIP("needs /dev/full");
#endif
    QFETCH(bool, byRetry);
    QVERIFY(makeFullDevice());
    DataFileWriter writer(m_dir);
    DataFileWriter::Result result = writer.write(Name, {row(0), row(1), row(2)});
    QVERIFY(!result.ok);
    QCOMPARE(result.path, path());
    QVERIFY(!result.reason.isEmpty());
    QCOMPARE(result.unwrittenRows, 3);
    result = writer.write(Name, {row(3)});
    QVERIFY(!result.ok);
    QCOMPARE(result.unwrittenRows, 4);
    QCOMPARE(writer.retry().unwrittenRows, 4);

    QVERIFY(QFile::remove(path()));
    result = byRetry ? writer.retry() : writer.write(Name, {row(4)});
    QVERIFY(result.ok);
    QCOMPARE(result.unwrittenRows, 0);
    QCOMPARE(writer.unwrittenRowCount(), 0);
    QCOMPARE(readBytes(path()), byRetry ? bytesOf({0, 1, 2, 3}) : bytesOf({0, 1, 2, 3, 4}));
}

void DataFileWriterTest::folderRemovedAndMadeAgain()
{
    DataFileWriter writer(m_dir);
    QVERIFY(writer.write(Name, {row(0)}).ok);
    QVERIFY(QDir(m_dir.filePath(u"DATA"_s)).removeRecursively());
    QCOMPARE(writer.write(Name, {row(1)}).unwrittenRows, 1);
    const DataFileWriter::Result result = writer.write(Name, {row(2), row(3)});
    QVERIFY(!result.ok);
    QCOMPARE(result.unwrittenRows, 3);
    QVERIFY(m_dir.mkdir(u"DATA"_s));
    QVERIFY(writer.write(Name, {row(4)}).ok);
    QVERIFY(writer.write(Name, {row(5)}).ok);
    QCOMPARE(readBytes(path()), bytesOf({1, 2, 3, 4, 5}));
}

void DataFileWriterTest::failingFileDoesNotHoldBackAnother()
{
#ifndef Q_OS_LINUX
    QSKIP("needs /dev/full");
#endif
    const QString next = uR"(DATA\QMK05_7_20_160000.csv)"_s;
    QVERIFY(makeFullDevice());
    DataFileWriter writer(m_dir);
    QVERIFY(!writer.write(Name, {row(0)}).ok);
    const DataFileWriter::Result result = writer.write(next, {row(1)});
    QVERIFY(!result.ok);
    QCOMPARE(result.path, path());
    QCOMPARE(result.unwrittenRows, 1);
    QCOMPARE(readBytes(path(next)), bytesOf({1}));

    QVERIFY(QFile::remove(path()));
    QVERIFY(writer.write(next, {row(2)}).ok);
    QCOMPARE(readBytes(path()), bytesOf({0}));
    QCOMPARE(readBytes(path(next)), bytesOf({1, 2}));
}

void DataFileWriterTest::sizeLimitMidRowLeavesWholeRows()
{
#ifndef Q_OS_LINUX
    QSKIP("needs setrlimit and fork");
#else
    // The limit is set in a child so that this process can go on writing.
    int fds[2];
    QCOMPARE(::pipe(fds), 0);
    const pid_t pid = ::fork();
    QVERIFY(pid >= 0);
    if (pid == 0) {
        ::close(fds[0]);
        std::signal(SIGXFSZ, SIG_IGN);
        DataFileWriter writer(m_dir);
        const DataFileWriter::Result first = writer.write(Name, {row(0), row(1)});
        rlimit old{};
        ::getrlimit(RLIMIT_FSIZE, &old);
        rlimit low = old;
        low.rlim_cur = static_cast<rlim_t>(bytesOf({0, 1, 2}).size() - 5);
        const bool limited = ::setrlimit(RLIMIT_FSIZE, &low) == 0;
        const DataFileWriter::Result failed = writer.write(Name, {row(2), row(3)});
        const QByteArray afterFailure = readBytes(path());
        ::setrlimit(RLIMIT_FSIZE, &old);
        const DataFileWriter::Result retried = writer.retry();

        QByteArray report;
        QDataStream out(&report, QIODevice::WriteOnly);
        out << first.ok << limited << failed.ok << failed.unwrittenRows << failed.reason
            << afterFailure << retried.ok << retried.unwrittenRows;
        const bool sent = ::write(fds[1], report.constData(), static_cast<size_t>(report.size())) ==
                          report.size();
        ::_exit(sent ? 0 : 1);
    }
    ::close(fds[1]);
    QByteArray report;
    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
        report.append(buf, n);
    ::close(fds[0]);
    int status = 0;
    QCOMPARE(::waitpid(pid, &status, 0), pid);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);

    bool firstOk = false, limited = false, failedOk = true, retriedOk = false;
    int failedUnwritten = 0, retriedUnwritten = -1;
    QString reason;
    QByteArray afterFailure;
    QDataStream in(report);
    in >> firstOk >> limited >> failedOk >> failedUnwritten >> reason >> afterFailure >>
        retriedOk >> retriedUnwritten;
    QCOMPARE(in.status(), QDataStream::Ok);
    QVERIFY(firstOk);
    QVERIFY(limited);
    QVERIFY(!failedOk);
    QVERIFY(!reason.isEmpty());
    QCOMPARE(failedUnwritten, 2);
    QCOMPARE(afterFailure, bytesOf({0, 1}));
    QVERIFY(retriedOk);
    QCOMPARE(retriedUnwritten, 0);
    QCOMPARE(readBytes(path()), bytesOf({0, 1, 2, 3}));
#endif
}

void DataFileWriterTest::recoveryFileTakesWhatIsLeft()
{
#ifndef Q_OS_LINUX
    QSKIP("needs /dev/full");
#endif
    const QString gone = uR"(NOWHERE\QMK05_7_20_160000.csv)"_s;
    QVERIFY(makeFullDevice());
    DataFileWriter writer(m_dir);
    QVERIFY(!writer.write(Name, {row(0), row(1)}).ok);
    QVERIFY(!writer.write(gone, {row(2)}).ok);
    QVERIFY(!writer.write(Name, {row(3)}).ok);

    QCOMPARE(writer.saveRecoveryFiles(), QStringList{path(gone)});
    QCOMPARE(writer.unwrittenRowCount(), 1);
    QCOMPARE(readBytes(m_dir.filePath(u"DATA/QMK05_7_20_152736.recovered.csv"_s)),
             bytesOf({0, 1, 3}));
    QVERIFY(m_dir.mkdir(u"NOWHERE"_s));
    QVERIFY(writer.saveRecoveryFiles().isEmpty());
    QCOMPARE(readBytes(path(gone)), bytesOf({2}));
}

QTEST_APPLESS_MAIN(DataFileWriterTest)
#include "tst_datafilewriter.moc"
