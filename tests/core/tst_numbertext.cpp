#include "input/PromptNumber.h"
#include "numbers/NumberText.h"

#include <QTest>

#include <limits>

using namespace Qt::StringLiterals;

class NumberTextTest final : public QObject
{
    Q_OBJECT
private slots:
    void numericValue_data();
    void numericValue();
    void generalNumber_data();
    void generalNumber();
    void signedTextWidth();
    void fixedTwoDecimals_data();
    void fixedTwoDecimals();
    void readingNumber();
    void promptAnswer_data();
    void promptAnswer();
    void promptValueReadsBackAsShown();
};

void NumberTextTest::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("integer") << u"50"_s << 50.0;
    QTest::newRow("negative") << u"-2"_s << -2.0;
    QTest::newRow("leading blanks") << u"   7"_s << 7.0;
    QTest::newRow("unit after number") << u"48.5 ℃"_s << 48.5;
    QTest::newRow("letters first") << u"abc"_s << 0.0;
    QTest::newRow("empty") << QString() << 0.0;
    QTest::newRow("sign only") << u"-"_s << 0.0;
    QTest::newRow("point only") << u"."_s << 0.0;
    QTest::newRow("leading point") << u".5"_s << 0.5;
    QTest::newRow("plus sign") << u"+3"_s << 3.0;
    QTest::newRow("exponent form of a prompt") << u"1.234568E+08"_s << 123456800.0;
    QTest::newRow("small exponent") << u"1E-05"_s << 1e-5;
    QTest::newRow("e without digits stops") << u"12e"_s << 12.0;
    QTest::newRow("full-width digits are no number") << u"５０"_s << 0.0;
    QTest::newRow("overflow counts as none") << u"1e999"_s << 0.0;
    QTest::newRow("nan spelling") << u"nan"_s << 0.0;
    QTest::newRow("inf spelling") << u"inf"_s << 0.0;
}

void NumberTextTest::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(::numericValue(text), value);
}

void NumberTextTest::generalNumber_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("integer") << 50.0 << u"50"_s;
    QTest::newRow("negative") << -2.0 << u"-2"_s;
    QTest::newRow("zero") << 0.0 << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("half, leading zero") << 0.5 << u"0.5"_s;
    QTest::newRow("minus half") << -0.5 << u"-0.5"_s;
    QTest::newRow("decimal") << 25.6 << u"25.6"_s;
    QTest::newRow("binary noise rounded away") << 0.1 + 0.2 << u"0.3"_s;
    QTest::newRow("float widened keeps its digits") << double(0.1f) << u"0.100000001490116"_s;
    QTest::newRow("fifteen digits") << 123456789012345.0 << u"123456789012345"_s;
    QTest::newRow("exponent from 1e15") << 1.5e15 << u"1.5E+15"_s;
    QTest::newRow("small stays plain") << 0.00001 << u"0.00001"_s;
    QTest::newRow("largest double")
        << std::numeric_limits<double>::max() << u"1.79769313486232E+308"_s;
}

void NumberTextTest::generalNumber()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(::generalNumber(value), text);
    if (std::abs(value) < 1e15)
        QCOMPARE(::numericValue(text), ::numericValue(::generalNumber(::numericValue(text))));
}

void NumberTextTest::signedTextWidth()
{
    QCOMPARE(signedText(50), u" 50"_s);
    QCOMPARE(signedText(-2.5), u"-2.5"_s);
    QCOMPARE(signedText(0), u" 0"_s);
    QCOMPARE(signedText(0.25), u" 0.25"_s);
}

void NumberTextTest::fixedTwoDecimals_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << u"0.00"_s;
    QTest::newRow("rounds down") << 1.234 << u"1.23"_s;
    QTest::newRow("rounds up") << 2.266 << u"2.27"_s;
    QTest::newRow("pads decimals") << 3.5 << u"3.50"_s;
    QTest::newRow("large") << 12345678.9 << u"12345678.90"_s;
    QTest::newRow("tiny negative is not -0.00") << -0.001 << u"0.00"_s;
    QTest::newRow("negative") << -1.5 << u"-1.50"_s;
}

void NumberTextTest::fixedTwoDecimals()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(::fixedTwoDecimals(value), text);
}

void NumberTextTest::readingNumber()
{
    QCOMPARE(readingNumberText(0), u" 000"_s);
    QCOMPARE(readingNumberText(42), u" 042"_s);
    QCOMPARE(readingNumberText(1000), u" 1000"_s);
}

void NumberTextTest::promptAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<QString>("shown");
    QTest::newRow("default target") << u"20"_s << true << u"20"_s;
    QTest::newRow("blanks around") << u" 50 "_s << true << u"50"_s;
    QTest::newRow("negative") << u"-2"_s << true << u"-2"_s;
    QTest::newRow("one tenth") << u"0.1"_s << true << u"0.1"_s;
    QTest::newRow("leading point") << u".5"_s << true << u"0.5"_s;
    QTest::newRow("exponent") << u"2.5e3"_s << true << u"2500"_s;
    QTest::newRow("nine digits") << u"123456789"_s << true << u"1.234568E+08"_s;
    QTest::newRow("seven digits stay plain") << u"1234567"_s << true << u"1234567"_s;
    QTest::newRow("small") << u"0.00001"_s << true << u"1E-05"_s;
    QTest::newRow("underflow is zero") << u"1e-60"_s << true << u"0"_s;
    QTest::newRow("largest float") << u"3.4e38"_s << true << u"3.4E+38"_s;
    QTest::newRow("beyond single precision") << u"1e39"_s << false << QString();
    QTest::newRow("far beyond") << u"1e999"_s << false << QString();
    QTest::newRow("empty (Cancel)") << QString() << false << QString();
    QTest::newRow("blank") << u"   "_s << false << QString();
    QTest::newRow("letters") << u"abc"_s << false << QString();
    QTest::newRow("number then letters") << u"12abc"_s << false << QString();
    QTest::newRow("inner blank") << u"1 2"_s << false << QString();
    QTest::newRow("nan") << u"NaN"_s << false << QString();
    QTest::newRow("infinity") << u"inf"_s << false << QString();
    QTest::newRow("full-width digits") << u"５０"_s << false << QString();
}

void NumberTextTest::promptAnswer()
{
    QFETCH(QString, answer);
    QFETCH(bool, accepted);
    QFETCH(QString, shown);
    const std::optional<float> value = parsePromptAnswer(answer);
    QCOMPARE(value.has_value(), accepted);
    if (value)
        QCOMPARE(singlePrecisionText(*value), shown);
}

void NumberTextTest::promptValueReadsBackAsShown()
{
    // What the box shows is what the next readings use: 0.1, not 0.100000001490116.
    const QString shown = singlePrecisionText(*parsePromptAnswer(u"0.1"_s));
    QCOMPARE(::generalNumber(::numericValue(shown)), u"0.1"_s);
    const QString big = singlePrecisionText(*parsePromptAnswer(u"123456789"_s));
    QCOMPARE(::numericValue(big), 123456800.0);
}

QTEST_APPLESS_MAIN(NumberTextTest)
#include "tst_numbertext.moc"
