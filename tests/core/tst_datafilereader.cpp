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

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace
{

const QStringList Subject{u"水の冷却"_s, u"室温 20℃〜"_s, u""_s, u"温度計①"_s, u"ｶﾀｶﾅ"_s};

// One line of text as the file holds it.
QByteArray line(const QString& text)
{
    return Cp932::encode(text) + "\r\n";
}

QByteArray rows(const QList<CsvRow>& list)
{
    QByteArray bytes;
    for (const CsvRow& row : list)
        bytes += encodeRow(row);
    return bytes;
}

QByteArray headingRows()
{
    return rows({RowKinds::headerRow(uR"(DATA\QMK05_7_20_152736.csv)"_s, QDate(2005, 7, 20)),
                 RowKinds::subjectRow(Subject), RowKinds::columnTitleRow(u"温度 ℃"_s)});
}

CsvRow reading(int n, const QString& remark = {})
{
    return RowKinds::dataRow(n, u"15:27:%1"_s.arg(36 + n), 1.5 * n, n ? 1.5 : 0, 50 - n, remark);
}

QString describe(const ReadRow& row)
{
    const QString no = row.rejected ? u" NG"_s : QString();
    if (row.kind == RowKind::Data) {
        return u"%1:D %2 %3 %4 %5 %6%7"_s.arg(row.line)
            .arg(row.number)
            .arg(row.secondsOfDay)
            .arg(row.elapsed, 0, 'g', 17)
            .arg(row.lap, 0, 'g', 17)
            .arg(row.target, 0, 'g', 17)
            .arg(no);
    }
    static const char* const letters = "HSTDCEA";
    return u"%1:%2%3|%4"_s.arg(row.line)
        .arg(QChar(char16_t(letters[int(row.kind)])))
        .arg(no, row.texts.join(u'|'));
}

QStringList describe(const QList<ReadRow>& list)
{
    QStringList out;
    for (const ReadRow& row : list)
        out.append(describe(row));
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes, QIODevice::OpenMode mode = {})
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | mode) && file.write(bytes) == bytes.size();
}

const QString Heading1 = uR"(1:H|DATA\QMK05_7_20_152736.csv|05/7/20||||)"_s;
const QString Heading2 = u"2:S|水の冷却|室温 20℃～||温度計①|ｶﾀｶﾅ|←対象等"_s;
const QString Heading3 = u"3:T|測定回|時刻|経過秒|今-前秒|温度 ℃|備考"_s;

} // namespace

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
    void followerReadsOnlyWhatWasAppended();
    void followerStartsOver_data();
    void followerStartsOver();
    void followerTakesAnOpenLastLineOnceTheFileIsQuiet();
    void pendingReading_data();
    void pendingReading();
    void newestDataFile_data();
    void newestDataFile();
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

void DataFileReaderTest::followerReadsOnlyWhatWasAppended()
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

void DataFileReaderTest::followerStartsOver_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("cut shorter") << u"cut"_s;
    QTest::newRow("another file put in its place") << u"replace"_s;
    QTest::newRow("written anew in place, longer") << u"rewrite"_s;
    QTest::newRow("deleted, then made again") << u"delete"_s;
    QTest::newRow("cut and grown again between two polls, far from its start") << u"regrow"_s;
}

void DataFileReaderTest::followerStartsOver()
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

void DataFileReaderTest::followerTakesAnOpenLastLineOnceTheFileIsQuiet()
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

void DataFileReaderTest::pendingReading_data()
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

void DataFileReaderTest::pendingReading()
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

void DataFileReaderTest::newestDataFile_data()
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

void DataFileReaderTest::newestDataFile()
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
#ifdef Q_OS_WIN
            QSKIP("Windows has no named pipes among its files");
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

QTEST_GUILESS_MAIN(DataFileReaderTest)
#include "tst_datafilereader.moc"
