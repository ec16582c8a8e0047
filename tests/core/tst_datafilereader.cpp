#include "datafile/Cp932Decoder.h"
#include "datafile/Cp932Encoder.h"
#include "datafile/DataFileName.h"
#include "datafile/DataFileReader.h"
#include "datafile/DataFileWriter.h"
#include "datafile/FieldSplitter.h"
#include "datafile/LineReader.h"
#include "datafile/PendingSidecar.h"
#include "datafile/ReadProblems.h"
#include "datafile/RowKinds.h"
#include "numbers/NumberText.h"
#include "support/DataFileBytes.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

class DataFileReaderTest final : public QObject
{
    Q_OBJECT
private slots:
    void decoding_data();
    void decoding();
    void splitting_data();
    void splitting();
    void rowKinds_data();
    void rowKinds();
    void badInput_data();
    void badInput();
    void chunkedFeedingGivesTheSameRows_data();
    void chunkedFeedingGivesTheSameRows();
    void lengthLimitWhereverTheLineIsCut_data();
    void lengthLimitWhereverTheLineIsCut();
    void writerRoundTrip();
    void endSubject_data();
    void endSubject();
};

void DataFileReaderTest::decoding_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("lenient");
    QTest::addColumn<bool>("exact");
    QTest::newRow("ascii, backslash and tilde") << "a\\~\"b"_ba << u"a\\~\"b"_s << true;
    QTest::newRow("kanji") << "\x91\xAA\x92\xE8\x89\xF1"_ba << u"測定回"_s << true;
    QTest::newRow("wave dash reads as Windows does") << "\x81\x60"_ba << u"\uFF5E"_s << true;
    QTest::newRow("vendor extensions") << "\x87\x40\xFB\xFC"_ba << u"①髙"_s << true;
    QTest::newRow("half-width katakana") << "\xB6\xC0"_ba << u"ｶﾀ"_s << true;
    QTest::newRow("lead byte, then a blank") << "\x81 x"_ba << u"\uFFFD x"_s << false;
    QTest::newRow("lead byte at the end") << "\x90\x85\x90"_ba << u"水\uFFFD"_s << false;
    QTest::newRow("bytes no character starts with")
        << "a\xFD\xFEz"_ba << u"a\uFFFD\uFFFDz"_s << false;
}

void DataFileReaderTest::decoding()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, lenient);
    QFETCH(bool, exact);
    QCOMPARE(Cp932::decode(bytes), lenient);
    QCOMPARE(Cp932::decodeExact(bytes).has_value(), exact);
    if (exact)
        QCOMPARE(Cp932::encode(lenient), bytes);
}

void DataFileReaderTest::splitting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("doubled");   // empty: not well formed
    QTest::addColumn<QStringList>("undoubled"); // empty: not well formed
    QTest::newRow("writer's row") << uR"(0,"15:27:36",0,0,50,"")"_s
                                  << QStringList{u"0"_s, u"15:27:36"_s, u"0"_s, u"0"_s, u"50"_s, {}}
                                  << QStringList{u"0"_s, u"15:27:36"_s, u"0"_s,
                                                 u"0"_s, u"50"_s,       {}};
    QTest::newRow("doubled quote, comma in text")
        << uR"("say ""hi""","a,b")"_s << QStringList{u"say \"hi\""_s, u"a,b"_s}
        << QStringList{u"say \"\"hi\"\""_s, u"a,b"_s};
    QTest::newRow("quote not doubled")
        << uR"("a"b","c")"_s << QStringList() << QStringList{u"a\"b"_s, u"c"_s};
    QTest::newRow("quote not doubled at the end")
        << uR"("say "hi"","x")"_s << QStringList() << QStringList{u"say \"hi\""_s, u"x"_s};
    QTest::newRow("empty bare fields") << u"a,,"_s << QStringList() << QStringList{u"a"_s, {}, {}};
    QTest::newRow("unterminated quote") << uR"(1,"abc)"_s << QStringList() << QStringList();
    QTest::newRow("text after the closing quote")
        << uR"("a"x,1)"_s << QStringList() << QStringList();
}

void DataFileReaderTest::splitting()
{
    QFETCH(QString, text);
    QFETCH(QStringList, doubled);
    QFETCH(QStringList, undoubled);
    QCOMPARE(splitFields(text, QuoteRule::Doubled).value_or(QStringList()), doubled);
    QCOMPARE(splitFields(text, QuoteRule::Undoubled).value_or(QStringList()), undoubled);
}

void DataFileReaderTest::rowKinds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("dataFile");
    QTest::newRow("writer: every kind")
        << headingRows() +
               rows({reading(0), reading(1, u" --NG"_s), RowKinds::changedSubjectRow(Subject, {}),
                     reading(2), RowKinds::changedSubjectRow({u"b"_s}, u" --NG"_s),
                     RowKinds::subjectRow({u"end"_s}), RowKinds::afterEndChangeRow({u"後"_s})})
        << QStringList{Heading1,
                       Heading2,
                       Heading3,
                       u"4:D 0 55656 0 0 50"_s,
                       u"5:D 1 55657 1.5 1.5 49 NG"_s,
                       u"6:C|水の冷却|室温 20℃～||温度計①|ｶﾀｶﾅ|←対象等"_s,
                       u"7:D 2 55658 3 1.5 48"_s,
                       u"8:C NG|b|||||←対象等 --NG"_s,
                       u"9:C|end|||||←対象等"_s,
                       u"10:A|後|||||←対象等--終後変更"_s}
        << true;
    QTest::newRow("earlier version: quotes not doubled, other NG dashes")
        << line(uR"("x","say "hi"","a"b","","","←対象等")"_s) +
               line(uR"(3,"9:05:03",.5,-.25,1.5E+3,"--NG")"_s) +
               line(uR"(4,"25:00:00",1,1,1,"-NG")"_s) +
               line(uR"("c","","","","","←対象等--NG")"_s) +
               line(uR"("d","","","","","←対象等 --終後変更")"_s)
        << QStringList{u"1:S|x|say \"hi\"|a\"b|||←対象等"_s, u"2:D 3 32703 0.5 -0.25 1500 NG"_s,
                       u"3:D 4 -1 1 1 1 NG"_s, u"4:C NG|c|||||←対象等--NG"_s,
                       u"5:A|d|||||←対象等 --終後変更"_s}
        << false;
    QTest::newRow("written again by a spreadsheet: bare texts, LF only")
        << Cp932::encode(u"DATA\\QMK05_7_20_152736.csv,05-7-20,,,,\n"
                         u"測定回,時刻,経過秒,今-前秒,温度,備考\n"
                         u"0,15:27:36,0,0,50,\n"_s)
        << QStringList{u"1:H|DATA\\QMK05_7_20_152736.csv|05-7-20||||"_s,
                       u"2:T|測定回|時刻|経過秒|今-前秒|温度|備考"_s, u"3:D 0 55656 0 0 50"_s}
        << true;
    QTest::newRow("first line named .csv, no date; subject starting with a digit")
        << line(uR"("C:\runs\a.csv","","","","","")"_s) + line(uR"("5月","","","","","←対象等")"_s)
        << QStringList{u"1:H|C:\\runs\\a.csv|||||"_s, u"2:S|5月|||||←対象等"_s} << true;
}

void DataFileReaderTest::rowKinds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(bool, dataFile);
    DataFileParser parser;
    QCOMPARE(describe(parser.feed(bytes)), expected);
    QVERIFY2(!parser.firstProblem(),
             qPrintable(parser.firstProblem().value_or(ReadProblem{}).reason));
    QCOMPARE(parser.looksLikeDataFile(), dataFile);
}

void DataFileReaderTest::badInput_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("problemLine"); // 0: none
    QTest::addColumn<QString>("reason");
    const QByteArray r0 = encodeRow(reading(0));
    const QByteArray r1 = encodeRow(reading(1));
    const QStringList heading{Heading1, Heading2, Heading3};
    const QStringList kept = heading + QStringList{u"4:D 0 55656 0 0 50"_s};
    const QStringList keptBoth = kept + QStringList{u"6:D 1 55657 1.5 1.5 49"_s};
    QTest::newRow("empty file") << QByteArray() << QStringList() << 0 << QString();
    QTest::newRow("truncated last row waits")
        << headingRows() + r0 + r1.chopped(2) << kept << 0 << QString();
    QTest::newRow("not a data file")
        << "hello\r\nworld,1\r\n"_ba << QStringList() << 1 << ReadProblems::FieldCount;
    QByteArray garbage(4096, '\0');
    QRandomGenerator random(932);
    for (char& c : garbage)
        c = char(random.bounded(256));
    QTest::newRow("binary garbage")
        << garbage << QStringList() << 1 << ReadProblems::CrOnlyLineEnds;
    QTest::newRow("too few fields") << headingRows() + r0 + "5,\"15:27:40\",1,1\r\n" + r1
                                    << keptBoth << 5 << ReadProblems::FieldCount;
    QTest::newRow("too many fields") << headingRows() + r0 + "5,\"x\",1,1,1,\"\",\"\"\r\n" + r1
                                     << keptBoth << 5 << ReadProblems::FieldCount;
    QTest::newRow("number that is not a number")
        << headingRows() + r0 + "5,\"15:27:40\",1,abc,1,\"\"\r\n" + r1 << keptBoth << 5
        << ReadProblems::NotANumber;
    QTest::newRow("infinite number") << headingRows() + r0 + "5,\"15:27:40\",inf,1,1,\"\"\r\n" + r1
                                     << keptBoth << 5 << ReadProblems::NotANumber;
    QTest::newRow("unclosed quote")
        << headingRows() + r0 + "\"abc,1\r\n" + r1 << keptBoth << 5 << ReadProblems::UnclosedQuote;
    QTest::newRow("unknown row") << headingRows() + r0 + "\"a\",\"\",\"\",\"\",\"\",\"\"\r\n" + r1
                                 << keptBoth << 5 << ReadProblems::UnknownRow;
    QTest::newRow("empty line, then a second bad one") << headingRows() + r0 + "\r\n" + r1 + "x\r\n"
                                                       << keptBoth << 5 << ReadProblems::EmptyLine;
    QTest::newRow("overlong line") << headingRows() + r0 + QByteArray(3 << 20, 'x') + "\r\n" + r1
                                   << keptBoth << 5 << ReadProblems::LineTooLong;
    QTest::newRow("damaged CP932 in a subject line")
        << "\"a\x81\",\"\",\"\",\"\",\"\",\"" + Cp932::encode(RowKinds::SubjectMarker) + "\"\r\n"
        << QStringList{u"1:S|a\uFFFD|||||←対象等"_s} << 0 << QString();
}

void DataFileReaderTest::badInput()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    QFETCH(int, problemLine);
    QFETCH(QString, reason);
    DataFileParser parser;
    QCOMPARE(describe(parser.feed(bytes)), expected);
    QCOMPARE(parser.firstProblem().value_or(ReadProblem{}).line, problemLine);
    QCOMPARE(parser.firstProblem().value_or(ReadProblem{}).reason, reason);
    QCOMPARE(parser.linesRead(), int(bytes.count('\n')));
}

void DataFileReaderTest::chunkedFeedingGivesTheSameRows_data()
{
    QTest::addColumn<int>("chunk"); // 0: every way of cutting the bytes in two
    QTest::newRow("every two-way cut, inside CR LF and double-byte characters too") << 0;
    QTest::newRow("one byte at a time") << 1;
    QTest::newRow("seven bytes at a time") << 7;
}

void DataFileReaderTest::chunkedFeedingGivesTheSameRows()
{
    QFETCH(int, chunk);
    const QByteArray bytes = headingRows() + encodeRow(reading(0)) +
                             encodeRow(RowKinds::changedSubjectRow(Subject, u" --NG"_s)) +
                             "bad\r\n" + encodeRow(reading(1)) + QByteArray(100, 'x');
    DataFileParser whole;
    const QStringList expected = describe(whole.feed(bytes));
    QCOMPARE(expected.size(), 6);
    const auto check = [&](const QList<QByteArray>& pieces) {
        DataFileParser parser;
        QStringList got;
        for (const QByteArray& piece : pieces)
            got += describe(parser.feed(piece));
        QCOMPARE(got, expected);
        QCOMPARE(parser.firstProblem()->line, whole.firstProblem()->line);
        QCOMPARE(parser.lastLine(), whole.lastLine());
        QCOMPARE(parser.subjectLines(), whole.subjectLines());
    };
    if (chunk == 0) {
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
            check({bytes.first(cut), bytes.sliced(cut)});
        return;
    }
    QList<QByteArray> pieces;
    for (qsizetype at = 0; at < bytes.size(); at += chunk)
        pieces.append(bytes.mid(at, chunk));
    check(pieces);
}

void DataFileReaderTest::lengthLimitWhereverTheLineIsCut_data()
{
    QTest::addColumn<qsizetype>("length"); // without CR LF
    QTest::addColumn<bool>("tooLong");
    QTest::newRow("at the limit") << MaxLineBytes << false;
    QTest::newRow("one byte over") << MaxLineBytes + 1 << true;
}

void DataFileReaderTest::lengthLimitWhereverTheLineIsCut()
{
    QFETCH(qsizetype, length);
    QFETCH(bool, tooLong);
    const QByteArray bytes = headingRows() + QByteArray(length, 'x') + "\r\n";
    for (const qsizetype piece : {bytes.size(), qsizetype(4096), bytes.size() - 1}) {
        DataFileParser parser;
        for (qsizetype at = 0; at < bytes.size(); at += piece)
            parser.feed(bytes.mid(at, piece));
        QVERIFY(parser.firstProblem());
        QCOMPARE(parser.firstProblem()->reason == ReadProblems::LineTooLong, tooLong);
    }
}

void DataFileReaderTest::writerRoundTrip()
{
    QTemporaryDir tmp;
    const QDir dir(tmp.path());
    QVERIFY(dir.mkdir(u"DATA"_s));
    const QString name = uR"(DATA\QMK05_7_20_152736.csv)"_s;
    DataFileWriter writer(dir);
    QVERIFY(writer
                .write(name, {RowKinds::headerRow(name, QDate(2005, 7, 20)),
                              RowKinds::subjectRow(Subject), RowKinds::columnTitleRow(u"温度 ℃"_s)})
                .ok);
    QRandomGenerator random(20050720);
    QList<CsvRow> data;
    double elapsed = 0;
    for (int n = 0; n < 2000; ++n) {
        const double lap = n ? random.bounded(1000.0) : 0;
        elapsed += lap;
        const double target = random.bounded(2000.0) - 1000.0;
        data.append(RowKinds::dataRow(n, u"12:00:00"_s, elapsed, lap, target,
                                      n % 7 == 3 ? u" --NG"_s : QString()));
    }
    QVERIFY(writer.write(name, data).ok);
    QVERIFY(writer.write(name, {RowKinds::subjectRow(Subject)}).ok);

    const DataFileContents contents = readDataFile(localPath(name, dir));
    QVERIFY(contents.opened);
    QVERIFY(!contents.firstProblem);
    QVERIFY(contents.looksLikeDataFile);
    QCOMPARE(contents.valueTitle, u"温度 ℃"_s);
    QCOMPARE(contents.subjectLines, QStringList(Subject).replaceInStrings(u"〜"_s, u"～"_s));
    QCOMPARE(contents.rows.size(), 3 + data.size() + 1);
    for (qsizetype n = 0; n < data.size(); ++n) {
        const ReadRow& row = contents.rows[3 + n];
        QCOMPARE(row.kind, RowKind::Data);
        QCOMPARE(row.number, int(n));
        QCOMPARE(row.secondsOfDay, 12 * 3600);
        // Bit for bit what the writer wrote.
        QCOMPARE(row.elapsed, data[n][2].number);
        QCOMPARE(row.lap, data[n][3].number);
        QCOMPARE(row.target, data[n][4].number);
        QCOMPARE(row.rejected, n % 7 == 3);
    }
    QCOMPARE(contents.rows.last().kind, RowKind::EndSubject);
}

void DataFileReaderTest::endSubject_data()
{
    QTest::addColumn<QList<CsvRow>>("tail");
    QTest::addColumn<int>("sidecar"); // the reading it holds, -1: none
    QTest::addColumn<int>("end");     // index into tail, -1: none
    const CsvRow marker = RowKinds::subjectRow({u"e"_s});
    const CsvRow after = RowKinds::afterEndChangeRow({u"a"_s});
    QTest::newRow("last, no sidecar") << QList<CsvRow>{reading(0), marker} << -1 << 1;
    QTest::newRow("last, sidecar: still measuring") << QList<CsvRow>{reading(0), marker} << 9 << -1;
    QTest::newRow("end written, sidecar of its last reading not yet removed")
        << QList<CsvRow>{reading(0), marker} << 0 << 1;
    QTest::newRow("after-end rows follow, sidecar left behind")
        << QList<CsvRow>{reading(0), marker, after, after} << 9 << 1;
    QTest::newRow("a data row follows: a change") << QList<CsvRow>{marker, reading(0)} << -1 << -1;
    QTest::newRow("change, then the end")
        << QList<CsvRow>{reading(0), RowKinds::changedSubjectRow({u"c"_s}, {}), marker, after} << -1
        << 2;
    QTest::newRow("marked NG: never the end")
        << QList<CsvRow>{reading(0), RowKinds::changedSubjectRow({u"c"_s}, u" --NG"_s)} << -1 << -1;
}

void DataFileReaderTest::endSubject()
{
    QFETCH(QList<CsvRow>, tail);
    QFETCH(int, sidecar);
    QFETCH(int, end);
    QTemporaryDir tmp;
    const QString path = tmp.filePath(u"QMK05_7_20_152736.csv"_s);
    QVERIFY(writeFile(path, headingRows() + rows(tail)));
    if (sidecar >= 0)
        QVERIFY(writeFile(pendingSidecarPath(path), encodeRow(reading(sidecar))));

    DataFileFollower follower(path);
    const QList<ReadRow> followed = follower.poll().rows;
    QCOMPARE(follower.endSubjectLine(), end < 0 ? std::nullopt : std::optional<int>(4 + end));
    QList<QList<ReadRow>> reads{followed};
    // The whole-file reader looks only at whether a sidecar is there.
    if (sidecar != 0)
        reads.append(readDataFile(path).rows);
    for (const QList<ReadRow>& read : reads) {
        QCOMPARE(read.size(), 3 + tail.size());
        for (qsizetype i = 0; i < tail.size(); ++i)
            QCOMPARE(read[3 + i].kind == RowKind::EndSubject, i == end);
    }
}

QTEST_GUILESS_MAIN(DataFileReaderTest)
#include "tst_datafilereader.moc"
