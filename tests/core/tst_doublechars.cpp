#include "numbers/DoubleChars.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstring>
#include <string>

// Where the C++ library has no from_chars and to_chars for double (the
// browser's), the C library's strtod and snprintf stand in; here they must
// read and write exactly as the C++ library does.
class DoubleCharsTest : public QObject
{
    Q_OBJECT
private slots:
    void readsAsFromChars_data();
    void readsAsFromChars();
    void randomTexts();
    void writesAsToChars();
};

namespace
{

// Prefix, error and value (bit for bit; a NaN by its sign) as from_chars's.
void compareReadings(const std::string& text)
{
    const char* first = text.data();
    const char* last = first + text.size();
    double expected = -99.0;
    double actual = -99.0;
    const auto want = std::from_chars(first, last, expected);
    const auto got = DoubleChars::fromCharsByStrtod(first, last, actual);
    const QByteArray shown = QByteArray::fromStdString(text);
    QVERIFY2(got.ptr == want.ptr && got.ec == want.ec, shown.constData());
    if (std::isnan(expected)) {
        QVERIFY2(std::isnan(actual) && std::signbit(actual) == std::signbit(expected),
                 shown.constData());
    } else {
        QVERIFY2(std::memcmp(&actual, &expected, sizeof actual) == 0, shown.constData());
    }
}

} // namespace

void DoubleCharsTest::readsAsFromChars_data()
{
    QTest::addColumn<QByteArray>("text");
    for (const char* text : {"0",
                             "-0",
                             "25.6",
                             ".5",
                             "5.",
                             "-.5",
                             "1e3",
                             "1E-3",
                             "1e",
                             "1e+",
                             "1.5e3x",
                             "0x1",
                             " 1",
                             "+1",
                             "-",
                             ".",
                             "-.e1",
                             "",
                             "inf",
                             "-Infinity",
                             "INFx",
                             "nan",
                             "-nan",
                             "nan(abc)",
                             "nan(a",
                             "1e400",
                             "1e-400",
                             "1e-320",
                             "4.9e-324",
                             "2e-324",
                             "0e-999",
                             "1.7976931348623157e308",
                             "1.7976931348623159e308",
                             "000123.4500",
                             "12,5",
                             "1..2"})
        QTest::newRow(text) << QByteArray(text);
}

void DoubleCharsTest::readsAsFromChars()
{
    QFETCH(QByteArray, text);
    compareReadings(text.toStdString());
}

void DoubleCharsTest::randomTexts()
{
    QRandomGenerator random(1);
    const char alphabet[] = "0123456789012345678901234567890123456789..--++eEiInNaAfFx( )";
    for (int round = 0; round < 100'000; ++round) {
        std::string text(static_cast<std::size_t>(random.bounded(1, 12)), ' ');
        for (char& c : text)
            c = alphabet[random.bounded(int(sizeof alphabet) - 1)];
        compareReadings(text);
    }
}

// The formats the program writes numbers in, over values of every size and
// the roundings at the last digit.
void DoubleCharsTest::writesAsToChars()
{
    QRandomGenerator random(2);
    const auto compare = [](double value, std::chars_format format, int precision) {
        char want[400];
        char got[400];
        const auto expected = std::to_chars(want, want + sizeof want, value, format, precision);
        const auto actual =
            DoubleChars::toCharsByPrintf(got, got + sizeof got, value, format, precision);
        QCOMPARE(actual.ec, expected.ec);
        QCOMPARE(QByteArray(got, actual.ptr - got), QByteArray(want, expected.ptr - want));
    };
    for (int round = 0; round < 20'000; ++round) {
        quint64 bits = random.generate64();
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        if (round % 2 == 0)
            value = (random.bounded(200'000) - 100'000) / 1000.0 + 0.005;
        if (std::isnan(value))
            continue;
        compare(value, std::chars_format::scientific, random.bounded(17));
        compare(value, std::chars_format::fixed, 2);
    }
    compare(-0.0, std::chars_format::fixed, 2);
    compare(0.125, std::chars_format::fixed, 2);
    compare(1e300, std::chars_format::fixed, 2);
    // Too little room: an error, as to_chars gives.
    char small[4];
    QCOMPARE(
        DoubleChars::toCharsByPrintf(small, small + 4, 12345.0, std::chars_format::fixed, 2).ec,
        std::errc::value_too_large);
}

QTEST_APPLESS_MAIN(DoubleCharsTest)
#include "tst_doublechars.moc"
