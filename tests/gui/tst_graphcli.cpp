#include "GraphFiles.h"

#include "datafile/Cp932Decoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>

#include <fcntl.h>
#include <unistd.h>

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
    void hostileFiles_data();
    void hostileFiles();
    void excludingIsRemovingRowsByHand_data();
    void excludingIsRemovingRowsByHand();
    void helpAndVersionWithoutDisplay_data();
    void helpAndVersionWithoutDisplay();

private:
    struct Run {
        int status = -1;
        QByteArray output;
        QByteArray errors;
    };
    // Without any display, as scripts on a server run it.
    Run run(const QString& program, const QStringList& arguments);

    QTemporaryDir m_tmp;
    QString m_cooling;
    QString m_pendulum;
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
    // A pendulum of 1.9 s pressed by hand, one press missed after reading 9.
    QList<GraphFiles::Reading> presses;
    for (int swing = 0; presses.size() < 24; ++swing) {
        if (swing != 10)
            presses.append(
                {std::round((1.9 * swing + 0.04 * std::sin(swing * 2.7)) * 100) / 100, 50.0});
    }
    m_pendulum = GraphFiles::writeMeasurement(dir, presses, uR"(DATA\QMK26_12_7_101502.csv)"_s);
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
    QTest::newRow("report period")
        << QStringList{u"--report"_s, u"--fit"_s, u"period"_s} << u"cooling"_s << 0 << QByteArray();
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
    QTest::newRow("readings as csv") << QStringList{u"--export"_s, u"OUT.csv"_s} << u"cooling"_s
                                     << 0 << "\xEF\xBB\xBF\xE7\x95\xAA"_ba;
    QTest::newRow("html page with a fit")
        << QStringList{u"--export"_s, u"OUT.html"_s, u"--fit"_s, u"cooling"_s} << u"cooling"_s << 0
        << "<!DOCTYPE html>"_ba;
    QTest::newRow("export of garbage")
        << QStringList{u"--export"_s, u"OUT.png"_s} << u"garbage"_s << 2 << QByteArray();
    QTest::newRow("export, fit impossible")
        << QStringList{u"--export"_s, u"OUT.png"_s, u"--fit"_s, u"cooling"_s} << u"few"_s << 2
        << QByteArray();
    QTest::newRow("report and export at once")
        << QStringList{u"--report"_s, u"--export"_s, u"OUT.png"_s} << u"cooling"_s << 2
        << QByteArray();
    // The system's reason, and no file in the folder's place.
    QTest::newRow("a folder as target")
        << QStringList{u"--export"_s, u"FOLDER.html"_s} << u"cooling"_s << 2 << QByteArray();
    QTest::newRow("unknown figure type")
        << QStringList{u"--export"_s, u"OUT.bmp"_s} << u"cooling"_s << 2 << QByteArray();
    QTest::newRow("unknown option")
        << QStringList{u"--report"_s, u"--bogus"_s} << u"cooling"_s << 2 << QByteArray();
    QTest::newRow("--fit without a value")
        << QStringList{u"--report"_s, u"FILE"_s, u"--fit"_s} << u"cooling"_s << 2 << QByteArray();
    QTest::newRow("--exclude not a list of numbers")
        << QStringList{u"--report"_s, u"--exclude"_s, u"4,x"_s} << u"cooling"_s << 2
        << QByteArray();
    QTest::newRow("--exclude with an empty item")
        << QStringList{u"--report"_s, u"--exclude"_s, u"4,,7"_s} << u"cooling"_s << 2
        << QByteArray();
    QTest::newRow("--exclude of a negative number")
        << QStringList{u"--export"_s, u"OUT.csv"_s, u"--exclude"_s, u"-1"_s} << u"cooling"_s << 2
        << QByteArray();
    QTest::newRow("readings as xlsx with a fit")
        << QStringList{u"--export"_s, u"OUT.xlsx"_s, u"--fit"_s, u"linear"_s} << u"cooling"_s << 0
        << "PK\x03\x04"_ba;
    QTest::newRow("html page with the period fit, a reading left out")
        << QStringList{u"--export"_s, u"OUT.html"_s,  u"--fit"_s,
                       u"period"_s,   u"--exclude"_s, u"5"_s}
        << u"cooling"_s << 0 << "<!DOCTYPE html>"_ba;
    QTest::newRow("svg, readings left out")
        << QStringList{u"--export"_s, u"OUT.svg"_s, u"--exclude"_s, u"3,4"_s} << u"cooling"_s << 0
        << "<?xml"_ba;
    QTest::newRow("--export without a value")
        << QStringList{u"FILE"_s, u"--export"_s} << u"cooling"_s << 2 << QByteArray();
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
    if (const qsizetype at = arguments.indexOf(u"FOLDER.html"_s); at >= 0) {
        arguments[at] = out + u".html"_s;
        QVERIFY(QDir().mkpath(arguments[at]));
    }
    if (const qsizetype at = arguments.indexOf(u"FILE"_s); at >= 0)
        arguments[at] = path;
    else
        arguments.append(path);

    const auto [exitCode, output, errors] = run(QStringLiteral(QUELLMARK_GRAPH), arguments);
    QVERIFY2(exitCode == status, errors.constData());

    const bool report = arguments.contains(u"--report"_s);
    if (status == 0) {
        QVERIFY2(!errors.contains("quellmark-graph:"), errors.constData());
        // Nothing but the program's own messages, and none of them here.
        QVERIFY2(errors.isEmpty(), errors.constData());
        if (report) {
            QJsonParseError error;
            const QJsonObject json = QJsonDocument::fromJson(output, &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(json.value("readings"_L1).toInt(), 40);
            QCOMPARE(json.value("fit"_L1).isNull(), !arguments.contains(u"--fit"_s));
            if (arguments.contains(u"period"_s)) {
                // One reading every 30 s, none missed: 39 swings of 30 s.
                const QJsonObject fit = json.value("fit"_L1).toObject();
                QCOMPARE(fit.value("model"_L1).toString(), u"period"_s);
                QCOMPARE(fit.value("swings"_L1).toInt(), 39);
                QCOMPARE(fit.value("parameters"_L1)["period"_L1]["value"_L1].toDouble(), 30.0);
                QCOMPARE(fit.value("first_last_period"_L1)["value"_L1].toDouble(), 30.0);
                QVERIFY(fit.value("missed"_L1).toArray().isEmpty());
            }
        } else {
            QVERIFY(output.isEmpty());
        }
    } else {
        QVERIFY(output.isEmpty());
        QVERIFY2(errors.contains("quellmark-graph: "), errors.constData());
        if (arguments.contains(out + u".html"_s))
            QVERIFY2(errors.contains("フォルダーには保存できません"), errors.constData());
        // Every format named, so that the next try is right.
        if (arguments.contains(out + u".bmp"_s))
            QVERIFY2(errors.contains("PNG、SVG、PDF、HTML、XLSX、CSV"), errors.constData());
    }
    if (!outPath.isEmpty()) {
        QFile figure(outPath);
        QCOMPARE(figure.exists(), !fileStart.isEmpty());
        if (!fileStart.isEmpty()) {
            QVERIFY(figure.open(QIODevice::ReadOnly));
            QVERIFY(figure.read(fileStart.size()) == fileStart);
            QVERIFY(figure.size() > 500); // the readings alone: 40 short lines
            const QString written = QString::fromUtf8(figure.readAll());
            // Printed as it is: one A4 page in landscape, in points.
            if (outPath.endsWith(u".pdf"_s))
                QVERIFY(written.contains(u"/MediaBox [0 0 842.000000 595.000000]"_s));
            // Drawn apart, as the window draws them, and named in the legend.
            QCOMPARE(written.contains(u"除外（計算に使わない）"_s),
                     arguments.contains(u"--exclude"_s));
            // Listed as the window lists them.
            if (outPath.endsWith(u".html"_s) && arguments.contains(u"--exclude"_s))
                QVERIFY(written.contains(u"除外（ここで外した）: 測定回 "_s));
            if (arguments.contains(u"period"_s)) {
                QVERIFY(written.contains(u"周期 T（すべての押しの当てはめ） = 30"_s));
                QVERIFY(written.contains(u"残差 (秒)"_s));
            }
        }
    }
}

GraphCliTest::Run GraphCliTest::run(const QString& program, const QStringList& arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
        env.remove(name);
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_tmp.path());
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return result;
    result.status = process.exitCode();
    result.output = process.readAllStandardOutput();
    result.errors = process.readAllStandardError();
    return result;
}

// Files a user or a tool can leave: what the report and the figure are made
// of, and what the exit status and standard error say about the rest.
void GraphCliTest::hostileFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("name"); // the file's name as the system holds it
    QTest::addColumn<QString>("link");    // not empty: the file is a link to this
    QTest::addColumn<bool>("exporting");  // --export OUT.png instead of --report
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("readings");   // in the report, when made
    QTest::addColumn<int>("unread");     // lines
    QTest::addColumn<int>("firstLine");  // the first of them
    QTest::addColumn<QString>("reason"); // named on standard error (and in the JSON)

    QFile cooling(m_cooling);
    QVERIFY(cooling.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = cooling.readAll().split('\n');
    const auto first = [&](int count) {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += lines[i] + '\n';
        return bytes;
    };
    const QByteArray heading = first(3);
    const QByteArray three = first(6); // heading and three readings
    const QByteArray next = lines[6] + '\n';
    const QString none;

    QTest::newRow("a garbage line") << three + "zz\x81\r\n" + next << QByteArray() << none << false
                                    << 1 << 4 << 1 << 7 << u"項目の数"_s;
    QTest::newRow("an unclosed quote") << three + "3,\"10:15:00,90,30,70\r\n" + next << QByteArray()
                                       << none << false << 1 << 4 << 1 << 7 << u"引用符"_s;
    QTest::newRow("NUL inside a number")
        << three + "3,\"10:15:00\",9" + QByteArray(1, '\0') + "0,30,70,\"\"\r\n" + next
        << QByteArray() << none << false << 1 << 4 << 1 << 7 << u"NUL"_s;
    QTest::newRow("a line over the length limit")
        << three + QByteArray(2 << 20, 'x') + "\r\n" + next << QByteArray() << none << false << 1
        << 4 << 1 << 7 << u"長すぎ"_s;
    QTest::newRow("a data row with five fields")
        << three + "3,\"10:15:00\",90,30,70\r\n" + next << QByteArray() << none << false << 1 << 4
        << 1 << 7 << u"項目の数"_s;
    QByteArray junk;
    for (int i = 0; i < 200000; ++i)
        junk += "\xff\xfejunk,\r\n";
    QTest::newRow("megabytes of junk after one reading")
        << first(4) + junk + "tail" << QByteArray() << none << false << 1 << 1 << 200001 << 5
        << u"全部で 200001 行"_s;
    QTest::newRow("figure of a file with a garbage line")
        << three + "zz\r\n" + next << QByteArray() << none << true << 1 << -1 << 1 << 7
        << u"7 行目"_s;
    QTest::newRow("last line without its line end (an editor)")
        << three.chopped(2) << QByteArray() << none << false << 0 << 3 << 0 << 0 << none;
    QTest::newRow("saved again as UTF-8 with a byte order mark")
        << "\xEF\xBB\xBF" + Cp932::decode(three).toUtf8() << QByteArray() << none << false << 0 << 3
        << 0 << 0 << none;
    QTest::newRow("line ends CR alone") << QByteArray(three).replace("\r\n", "\r") << QByteArray()
                                        << none << false << 2 << -1 << 0 << 0 << u"CR だけ"_s;
    QTest::newRow("megabytes without a line end")
        << QByteArray(3 << 20, 'x') << QByteArray() << none << false << 2 << -1 << 0 << 0
        << u"長すぎ"_s;
    QTest::newRow("NUL bytes") << QByteArray(4096, '\0') << QByteArray() << none << false << 2 << -1
                               << 0 << 0 << u"NUL"_s;
    QTest::newRow("empty") << QByteArray() << QByteArray() << none << false << 2 << -1 << 0 << 0
                           << u"空のファイル"_s;
    QTest::newRow("heading rows, then only garbage")
        << heading + "zz\r\nyy\r\n"
        << QByteArray() << none << false << 2 << -1 << 0 << 0 << u"読める測定"_s;
    QTest::newRow("a name that is no UTF-8 (Latin-1)")
        << three << "caf\xe9.csv"_ba << none << false << 0 << 3 << 0 << 0 << none;
    QTest::newRow("figure of a link to a device")
        << QByteArray() << QByteArray() << u"/dev/zero"_s << true << 2 << -1 << 0 << 0
        << u"通常のファイル"_s;
}

void GraphCliTest::hostileFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, name);
    QFETCH(QString, link);
    QFETCH(bool, exporting);
    QFETCH(int, status);
    QFETCH(int, readings);
    QFETCH(int, unread);
    QFETCH(int, firstLine);
    QFETCH(QString, reason);

    const QString tag = QString::fromUtf8(QTest::currentDataTag()).replace(u' ', u'_');
    if (name.isEmpty())
        name = QFile::encodeName(tag + u".csv"_s);
    const QByteArray native = QFile::encodeName(m_tmp.path()) + '/' + name;
    if (link.isEmpty()) {
        const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
        ::close(fd);
    } else {
        QVERIFY(::symlink(QFile::encodeName(link).constData(), native.constData()) == 0);
    }
    // The name goes through the shell as bytes: no QString could carry them.
    QString escaped;
    for (const char c : native)
        escaped += u"\\%1"_s.arg(uint(uchar(c)), 3, 8, QLatin1Char('0'));
    const QString out = QDir(m_tmp.path()).filePath(tag + u".png"_s);
    QStringList arguments{u"-c"_s, u"exec \"$0\" \"$@\" \"$(printf '%1')\""_s.arg(escaped),
                          QStringLiteral(QUELLMARK_GRAPH)};
    arguments += exporting ? QStringList{u"--export"_s, out} : QStringList{u"--report"_s};
    const auto [exitCode, output, errors] = run(u"/bin/sh"_s, arguments);
    ::unlink(native.constData()); // no QString names it, so QTemporaryDir could not
    const QString stderrText = QString::fromLocal8Bit(errors);
    QVERIFY2(exitCode == status, qPrintable(stderrText));
    QCOMPARE(QFile::exists(out), exporting && status < 2);
    QCOMPARE(output.isEmpty(), exporting || status == 2);
    if (!reason.isEmpty())
        QVERIFY2(stderrText.contains(reason), qPrintable(stderrText));
    if (status == 0)
        QVERIFY2(errors.isEmpty(), errors.constData());
    if (status == 1)
        QVERIFY2(stderrText.contains(u"%1 行目"_s.arg(firstLine)), qPrintable(stderrText));
    if (exporting || status == 2)
        return;
    const QJsonObject json = QJsonDocument::fromJson(output).object();
    QCOMPARE(json.value("readings"_L1).toInt(), readings);
    const QJsonValue unreadJson = json.value("unread"_L1);
    QCOMPARE(unreadJson.isNull(), unread == 0);
    if (unread > 0) {
        QCOMPARE(unreadJson["lines"_L1].toInt(), unread);
        QCOMPARE(unreadJson["first_line"_L1].toInt(), firstLine);
        QVERIFY(stderrText.contains(unreadJson["reason"_L1].toString()));
    }
}

// Readings left out on the command line count exactly as rows deleted from a
// copy of the file in an editor, and the file itself stays as it was.
void GraphCliTest::excludingIsRemovingRowsByHand_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("fit");
    QTest::addColumn<QString>("exclude");
    QTest::addColumn<QList<int>>("applied");

    QTest::newRow("cooling") << m_cooling << u"cooling"_s << u"17,5"_s << QList<int>{5, 17};
    QTest::newRow("line, first and last reading")
        << m_cooling << u"linear"_s << u"0, 39"_s << QList<int>{0, 39};
    QTest::newRow("period") << m_pendulum << u"period"_s << u"4,15,16"_s << QList<int>{4, 15, 16};
    QTest::newRow("a reading that is not there")
        << m_cooling << u"cooling"_s << u"8,99"_s << QList<int>{8};
    // Lists apart by ';' are given as --exclude each.
    QTest::newRow("--exclude given twice")
        << m_cooling << u"cooling"_s << u"3;12,20"_s << QList<int>{3, 12, 20};
}

void GraphCliTest::excludingIsRemovingRowsByHand()
{
    QFETCH(QString, file);
    QFETCH(QString, fit);
    QFETCH(QString, exclude);
    QFETCH(QList<int>, applied);

    const auto bytes = [](const QString& path) {
        QFile data(path);
        return data.open(QIODevice::ReadOnly) ? data.readAll() : QByteArray();
    };
    const QByteArray before = bytes(file);
    QByteArray edited;
    for (const QByteArray& line : before.split('\n')) {
        const bool removed = std::any_of(applied.begin(), applied.end(), [&](int number) {
            return line.startsWith(QByteArray::number(number) + ',');
        });
        if (!removed && !line.isEmpty())
            edited += line + '\n';
    }
    const QString copy = QDir(m_tmp.path()).filePath(u"edited.csv"_s);
    QFile out(copy);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(edited) > 0);
    out.close();

    QStringList arguments{u"--report"_s, u"--fit"_s, fit};
    for (const QString& list : exclude.split(u';'))
        arguments << u"--exclude"_s << list;
    const Run excluded = run(QStringLiteral(QUELLMARK_GRAPH), arguments << file);
    const Run removed =
        run(QStringLiteral(QUELLMARK_GRAPH), {u"--report"_s, u"--fit"_s, fit, copy});
    QVERIFY2(excluded.status == 0, excluded.errors.constData());
    QVERIFY2(removed.status == 0, removed.errors.constData());
    // A reading that is not there is named, and nothing else is said.
    QCOMPARE(excluded.errors.contains("99"), exclude.contains(u"99"_s));
    QVERIFY(removed.errors.isEmpty());

    const QJsonObject a = QJsonDocument::fromJson(excluded.output).object();
    const QJsonObject b = QJsonDocument::fromJson(removed.output).object();
    QJsonArray numbers;
    for (const int n : applied)
        numbers.append(n);
    QCOMPARE(a.value("excluded"_L1).toArray(), numbers);
    QCOMPARE(b.value("excluded"_L1).toArray(), QJsonArray());
    QCOMPARE(a.value("readings"_L1).toInt(), b.value("readings"_L1).toInt() + applied.size());
    QCOMPARE(a.value("laps"_L1).toObject(), b.value("laps"_L1).toObject());
    QJsonObject fitA = a.value("fit"_L1).toObject();
    QJsonObject fitB = b.value("fit"_L1).toObject();
    QVERIFY(!fitA.isEmpty());
    if (fit == u"period"_s) {
        // A row deleted leaves a gap that is named as a missed press; one
        // left out here stands for the swing it was pressed at.
        QCOMPARE(fitA.value("missed"_L1).toArray(), QJsonArray{10});
        fitA.remove("missed"_L1);
        fitB.remove("missed"_L1);
    }
    QCOMPARE(fitA, fitB);
    QVERIFY(bytes(file) == before);
}

void GraphCliTest::helpAndVersionWithoutDisplay_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("pattern"); // what standard output must match
    QTest::newRow("help") << u"--help"_s << u"(?s)--version.*--export.*--report.*--fit"_s;
    QTest::newRow("version") << u"--version"_s << u"^quellmark-graph \\d+\\.\\d+\\.\\d+\n$"_s;
}

void GraphCliTest::helpAndVersionWithoutDisplay()
{
    QFETCH(QString, option);
    QFETCH(QString, pattern);
    const auto [exitCode, output, errors] = run(QStringLiteral(QUELLMARK_GRAPH), {option});
    QVERIFY2(exitCode == 0, errors.constData());
    const QString text = QString::fromLocal8Bit(output);
    QVERIFY2(QRegularExpression(pattern).match(text).hasMatch(), qPrintable(text));
}

QTEST_GUILESS_MAIN(GraphCliTest)
#include "tst_graphcli.moc"
