#include "GraphFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The command line as scripts run it: exit status, which channel carries what,
// and files written with no display at all.
class GraphCliTest final : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void exitStatus_data();
    void exitStatus();

private:
    QTemporaryDir m_tmp;
    QString m_cooling;
    QString m_fewReadings;
    QString m_garbage;
};

void GraphCliTest::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    const QDir dir(m_tmp.path());
    m_cooling = GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(40));
    m_fewReadings = GraphFiles::writeMeasurement(dir, GraphFiles::coolingReadings(2),
                                                 uR"(DATA\QMK26_12_7_101501.csv)"_s);
    m_garbage = dir.filePath(u"garbage.csv"_s);
    QFile garbage(m_garbage);
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray("\x00\xff\x81\x40zz\r\n\x01\x02", 10));
}

void GraphCliTest::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments"); // FILE and OUT as placeholders
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("fileStart"); // of OUT; empty: no OUT written

    QTest::newRow("report") << QStringList{u"--report"_s} << u"cooling"_s << 0 << QByteArray();
    QTest::newRow("report cooling") << QStringList{u"--report"_s, u"--fit"_s, u"cooling"_s}
                                    << u"cooling"_s << 0 << QByteArray();
    QTest::newRow("report of garbage")
        << QStringList{u"--report"_s} << u"garbage"_s << 2 << QByteArray();
    QTest::newRow("report of a missing file")
        << QStringList{u"--report"_s} << u"missing"_s << 2 << QByteArray();
    QTest::newRow("fit of two readings")
        << QStringList{u"--report"_s, u"--fit"_s, u"linear"_s} << u"few"_s << 2 << QByteArray();
    QTest::newRow("unknown model")
        << QStringList{u"--report"_s, u"--fit"_s, u"cubic"_s} << u"cooling"_s << 2 << QByteArray();
    QTest::newRow("png") << QStringList{u"--export"_s, u"OUT.png"_s} << u"cooling"_s << 0
                         << "\x89PNG"_ba;
    QTest::newRow("svg with a fit")
        << QStringList{u"--export"_s, u"OUT.svg"_s, u"--fit"_s, u"cooling"_s} << u"cooling"_s << 0
        << "<?xml"_ba;
    QTest::newRow("pdf") << QStringList{u"--export"_s, u"OUT.pdf"_s} << u"cooling"_s << 0
                         << "%PDF"_ba;
    QTest::newRow("export of garbage")
        << QStringList{u"--export"_s, u"OUT.png"_s} << u"garbage"_s << 2 << QByteArray();
    QTest::newRow("export, fit impossible")
        << QStringList{u"--export"_s, u"OUT.png"_s, u"--fit"_s, u"cooling"_s} << u"few"_s << 2
        << QByteArray();
    QTest::newRow("report and export at once")
        << QStringList{u"--report"_s, u"--export"_s, u"OUT.png"_s} << u"cooling"_s << 2
        << QByteArray();
    QTest::newRow("unknown figure type")
        << QStringList{u"--export"_s, u"OUT.bmp"_s} << u"cooling"_s << 2 << QByteArray();
}

void GraphCliTest::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(int, status);
    QFETCH(QByteArray, fileStart);

    const QString out =
        QDir(m_tmp.path())
            .filePath(u"figure-"_s +
                      QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_'));
    QString outPath;
    for (QString& argument : arguments) {
        if (argument.startsWith(u"OUT"_s))
            argument = outPath = out + argument.mid(3);
    }
    const QString path = file == u"cooling"_s   ? m_cooling
                         : file == u"few"_s     ? m_fewReadings
                         : file == u"garbage"_s ? m_garbage
                                                : QDir(m_tmp.path()).filePath(u"none.csv"_s);
    arguments.append(path);

    // No display of any kind: the program must not need one.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        env.remove(name);
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(QUELLMARK_GRAPH), arguments);
    QVERIFY(program.waitForFinished(60000));
    const QByteArray output = program.readAllStandardOutput();
    const QByteArray errors = program.readAllStandardError();
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QVERIFY2(program.exitCode() == status, errors.constData());

    const bool report = arguments.contains(u"--report"_s);
    if (status == 0) {
        QVERIFY2(!errors.contains("quellmark-graph:"), errors.constData());
        if (report) {
            QJsonParseError error;
            const QJsonObject json = QJsonDocument::fromJson(output, &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(json.value("readings"_L1).toInt(), 40);
            QCOMPARE(json.value("fit"_L1).isNull(), !arguments.contains(u"--fit"_s));
        } else {
            QVERIFY(output.isEmpty());
        }
    } else {
        QVERIFY(output.isEmpty());
        QVERIFY2(errors.contains("quellmark-graph: "), errors.constData());
    }
    if (!outPath.isEmpty()) {
        QFile figure(outPath);
        QCOMPARE(figure.exists(), !fileStart.isEmpty());
        if (!fileStart.isEmpty()) {
            QVERIFY(figure.open(QIODevice::ReadOnly));
            QVERIFY(figure.read(fileStart.size()) == fileStart);
            QVERIFY(figure.size() > 1000);
        }
    }
}

QTEST_GUILESS_MAIN(GraphCliTest)
#include "tst_graphcli.moc"
