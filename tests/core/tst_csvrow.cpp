#include "datafile/Cp932Decoder.h"
#include "datafile/Cp932Encoder.h"
#include "datafile/CsvRow.h"
#include "datafile/DataFileName.h"
#include "datafile/DataFileWriter.h"
#include "datafile/RowKinds.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class CsvRowTest final : public QObject
{
    Q_OBJECT
private slots:
    void rowKinds_data();
    void rowKinds();
    void numberFields_data();
    void numberFields();
    void cp932Bytes_data();
    void cp932Bytes();
    void japaneseRowDecodesBack();
    void longAndHostileText();
    void readByPythonCsv();
};

void CsvRowTest::rowKinds_data()
{
    QTest::addColumn<CsvRow>("row");
    QTest::addColumn<QString>("text");
    const QStringList subject{u"冷却"_s, u"室温 20℃"_s, u""_s, u"d"_s, u"e"_s};
    QTest::newRow("header") << RowKinds::headerRow(u"DATA\\QMK05_7_20_152736.csv"_s,
                                                   QDate(2005, 7, 20))
                            << uR"("DATA\QMK05_7_20_152736.csv","05/7/20","","","","")"_s;
    QTest::newRow("header, two-digit month and day")
        << RowKinds::headerRow(u"n"_s, QDate(2010, 12, 31)) << uR"("n","10/12/31","","","","")"_s;
    QTest::newRow("subject") << RowKinds::subjectRow(subject)
                             << uR"("冷却","室温 20℃","","d","e","←対象等")"_s;
    QTest::newRow("subject, all empty")
        << RowKinds::subjectRow(QStringList(5)) << uR"("","","","","","←対象等")"_s;
    QTest::newRow("subject, too few lines")
        << RowKinds::subjectRow({u"a"_s}) << uR"("a","","","","","←対象等")"_s;
    QTest::newRow("subject, too many lines")
        << RowKinds::subjectRow({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s})
        << uR"("1","2","3","4","5","←対象等")"_s;
    QTest::newRow("quotes doubled") << RowKinds::subjectRow({u"say \"hi\""_s, u"\""_s, u"a,b"_s})
                                    << uR"("say ""hi""","""","a,b","","","←対象等")"_s;
    QTest::newRow("column titles") << RowKinds::columnTitleRow(u"温度 ℃"_s)
                                   << uR"("測定回","時刻","経過秒","今-前秒","温度 ℃","備考")"_s;
    QTest::newRow("first data row")
        << RowKinds::dataRow(0, u"15:27:36"_s, 0, 0, 50, {}) << uR"(0,"15:27:36",0,0,50,"")"_s;
    QTest::newRow("data row marked NG")
        << RowKinds::dataRow(2, u"15:28:01"_s, 25.6, 12.8, -2, u" --NG"_s)
        << uR"(2,"15:28:01",25.6,12.8,-2," --NG")"_s;
    QTest::newRow("data row rounds times, not the target")
        << RowKinds::dataRow(1, u"15:27:37"_s, 1.234, 0.456, 1.23456, {})
        << uR"(1,"15:27:37",1.23,0.46,1.23456,"")"_s;
    QTest::newRow("changed subject") << RowKinds::changedSubjectRow(subject, {})
                                     << uR"("冷却","室温 20℃","","d","e","←対象等")"_s;
    QTest::newRow("changed subject marked NG")
        << RowKinds::changedSubjectRow(subject, u" --NG"_s)
        << uR"("冷却","室温 20℃","","d","e","←対象等 --NG")"_s;
    QTest::newRow("after-end change")
        << RowKinds::afterEndChangeRow({u"x"_s}) << uR"("x","","","","","←対象等--終後変更")"_s;
}

void CsvRowTest::rowKinds()
{
    QFETCH(CsvRow, row);
    QFETCH(QString, text);
    QCOMPARE(row.size(), 6);
    QCOMPARE(rowText(row), text);
}

void CsvRowTest::numberFields_data()
{
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("50") << 50.0 << u"50"_s;
    QTest::newRow("25.6") << 25.6 << u"25.6"_s;
    QTest::newRow("-2") << -2.0 << u"-2"_s;
    QTest::newRow("0") << 0.0 << u"0"_s;
    QTest::newRow("-0") << -0.0 << u"0"_s;
    QTest::newRow("0.5") << 0.5 << u"0.5"_s;
    QTest::newRow("1.23") << 1.23 << u"1.23"_s;
}

void CsvRowTest::numberFields()
{
    QFETCH(double, number);
    QFETCH(QString, text);
    QCOMPARE(rowText({CsvField::ofNumber(number), CsvField::ofText(u"t"_s)}), text + u",\"t\""_s);
}

void CsvRowTest::cp932Bytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("ascii and controls") << u"a,\"b\"\\~\t\x01"_s << "a,\"b\"\\~\t\x01"_ba;
    QTest::newRow("wave dash") << u"\u301C"_s << "\x81\x60"_ba;
    QTest::newRow("fullwidth tilde") << u"\uFF5E"_s << "\x81\x60"_ba;
    QTest::newRow("minus sign") << u"\u2212"_s << "\x81\x7C"_ba;
    QTest::newRow("kanji") << u"測定回"_s << "\x91\xAA\x92\xE8\x89\xF1"_ba;
    QTest::newRow("vendor extensions") << u"①髙"_s << "\x87\x40\xFB\xFC"_ba;
    QTest::newRow("mixed") << u"20℃〜"_s << "20\x81\x8E\x81\x60"_ba;
    QTest::newRow("emoji") << u"a\U0001F600b"_s << "a?b"_ba;
    QTest::newRow("two emoji") << u"\U0001F600\U0001F601"_s << "??"_ba;
    QTest::newRow("not in the code page") << u"é한"_s << "??"_ba;
    QTest::newRow("lone high surrogate at end") << u"水"_s + QChar(0xD83D) << "\x90\x85?"_ba;
    QTest::newRow("lone low surrogate") << QChar(0xDE00) + u"水"_s << "?\x90\x85"_ba;
    QTest::newRow("pair in wrong order")
        << QString(QChar(0xDE00)) + QChar(0xD83D) + u'x' << "??x"_ba;
}

void CsvRowTest::cp932Bytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(Cp932::encode(text), bytes);
}

void CsvRowTest::japaneseRowDecodesBack()
{
    const CsvRow row = RowKinds::subjectRow(
        {u"水の冷却"_s, u"室温２０℃、湿度５０％"_s, u"温度計①"_s, u"髙橋"_s, u"ｶﾀｶﾅ・かな"_s});
    const QByteArray bytes = encodeRow(row);
    QVERIFY(bytes.endsWith("\"\r\n"));
    // The system's own converter (the Windows code page, or iconv), which
    // takes only text of the code page.
    const std::optional<QString> decoded = Cp932::decodeExact(bytes);
    QVERIFY(decoded);
    QCOMPARE(*decoded, rowText(row) + u"\r\n"_s);
}

void CsvRowTest::longAndHostileText()
{
    const int n = 100'000;
    const QByteArray dashes = Cp932::encode(QString(n, QChar(0x301C)));
    QCOMPARE(dashes, QByteArray("\x81\x60").repeated(n));
    QCOMPARE(Cp932::encode(u"\U0001F600"_s.repeated(n / 2)), QByteArray(n / 2, '?'));

    // Arbitrary UTF-16 units: encoding the whole text must give what encoding
    // it one character at a time gives, wherever runs and pairs fall.
    QRandomGenerator random(932);
    QString text(n, Qt::Uninitialized);
    for (QChar& c : text)
        c = QChar(static_cast<char16_t>(random.bounded(0x10000)));
    QByteArray expected;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const bool pair =
            text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
        expected += Cp932::encode(QStringView(text).sliced(i, pair ? 2 : 1));
        i += pair ? 1 : 0;
    }
    QCOMPARE(Cp932::encode(text), expected);
}

void CsvRowTest::readByPythonCsv()
{
#if !QT_CONFIG(process)
    QSKIP("no processes on this platform (a browser)");
#else
    const QString python = qEnvironmentVariable("QUELLMARK_PYTHON");
    if (python.isEmpty())
        QSKIP("QUELLMARK_PYTHON is not set");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(u"DATA"_s));
    const QString name = u"DATA\\QMK05_7_20_152736.csv"_s;
    const QStringList lines{u"He said \"go\""_s, u"a,b"_s, u"〜−"_s, u"\U0001F600"_s, u""_s};
    DataFileWriter writer{QDir(dir.path())};
    QVERIFY(writer
                .write(name, {RowKinds::headerRow(name, QDate(2005, 7, 20)),
                              RowKinds::subjectRow(lines), RowKinds::columnTitleRow(u"温度"_s),
                              RowKinds::dataRow(0, u"15:27:36"_s, 0, 0, 0.5, u" --NG"_s),
                              RowKinds::changedSubjectRow(lines, {})})
                .ok);

    QProcess process;
    process.start(python, {u"-c"_s,
                           u"import csv, json, sys\n"
                           "with open(sys.argv[1], encoding='cp932', newline='') as f:\n"
                           "    print(json.dumps(list(csv.reader(f))))\n"_s,
                           localPath(name, QDir(dir.path()))});
    QVERIFY(process.waitForFinished());
    QCOMPARE(process.exitCode(), 0);
    const QJsonArray rows = QJsonDocument::fromJson(process.readAllStandardOutput()).array();
    QCOMPARE(rows.size(), 5);
    for (const QJsonValue& row : rows)
        QCOMPARE(row.toArray().size(), 6);
    // Python reads 81 60 and 81 7C as the full-width tilde and hyphen-minus.
    const QStringList readBack{u"He said \"go\""_s, u"a,b"_s, u"\uFF5E\uFF0D"_s, u"?"_s, u""_s,
                               u"←対象等"_s};
    QCOMPARE(rows[1].toArray().toVariantList(), QVariant(readBack).toList());
    QCOMPARE(rows[4].toArray().toVariantList(), QVariant(readBack).toList());
    QCOMPARE(rows[0][0].toString(), name);
    QCOMPARE(rows[2][4].toString(), u"温度"_s);
    QCOMPARE(rows[3].toArray().toVariantList(),
             QVariant(QStringList{u"0"_s, u"15:27:36"_s, u"0"_s, u"0"_s, u"0.5"_s, u" --NG"_s})
                 .toList());
#endif
}

QTEST_APPLESS_MAIN(CsvRowTest)
#include "tst_csvrow.moc"
