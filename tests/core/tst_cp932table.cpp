#include "datafile/Cp932Decoder.h"
#include "datafile/Cp932Encoder.h"
#include "datafile/Cp932Table.h"

#include <QRandomGenerator>
#include <QTest>

// The tables stand in for the C library's converter where there is none (the
// browser): here, on Linux, they must give exactly what the converter gives.
class Cp932TableTest : public QObject
{
    Q_OBJECT
private slots:
    void everyCharacterEncodesAsTheConverterDoes();
    void everyByteAndPairDecodesAsTheConverterDoes();
    void randomTextAndBytes();
};

namespace
{

QByteArray tableEncode(QStringView run)
{
    QByteArray out;
    Cp932Table::appendEncoded(run, out);
    return out;
}

// Lenient and exact, each against the converter's.
void compareDecoding(const QByteArray& bytes)
{
    QCOMPARE(Cp932Table::decode(bytes, false).value_or(u"(none)"_qs), Cp932::decode(bytes));
    QCOMPARE(Cp932Table::decode(bytes, true), Cp932::decodeExact(bytes));
}

} // namespace

void Cp932TableTest::everyCharacterEncodesAsTheConverterDoes()
{
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        const QChar ch(static_cast<char16_t>(c));
        QCOMPARE(tableEncode(QStringView(&ch, 1)), Cp932::encode(QStringView(&ch, 1)));
    }
}

void Cp932TableTest::everyByteAndPairDecodesAsTheConverterDoes()
{
    for (int first = 0; first < 0x100; ++first) {
        compareDecoding(QByteArray(1, static_cast<char>(first)));
        if (first < 0x80)
            continue;
        for (int second = 0; second < 0x100; ++second) {
            const char pair[] = {static_cast<char>(first), static_cast<char>(second)};
            compareDecoding(QByteArray(pair, 2));
        }
    }
}

// Whole runs, where a wrong step after a bad byte or a missing character
// would show.
void Cp932TableTest::randomTextAndBytes()
{
    QRandomGenerator random(932);
    const char16_t pool[] = {u'a',   u',',   0x3042, 0x6C34, 0xFF76,
                             0x301C, 0x2212, 0x00E9, 0xD55C, 0x2460};
    for (int round = 0; round < 2000; ++round) {
        QString text;
        QByteArray bytes;
        for (int i = 0; i < 12; ++i) {
            text += QChar(pool[random.bounded(int(std::size(pool)))]);
            bytes += static_cast<char>(random.bounded(0x100));
        }
        QCOMPARE(tableEncode(text), Cp932::encode(text));
        compareDecoding(bytes);
        compareDecoding(Cp932::encode(text));
    }
}

QTEST_GUILESS_MAIN(Cp932TableTest)
#include "tst_cp932table.moc"
