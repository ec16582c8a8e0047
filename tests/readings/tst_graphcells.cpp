#include "exports/ReadingsCsvExport.h"
#include "exports/SafeText.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A spreadsheet takes a cell's text for a formula by its first character,
// and holds no more than 32 767 bytes of it.
class GraphCellsTest final : public QObject
{
    Q_OBJECT
private slots:
    void csvTextIsNeverAFormula_data();
    void csvTextIsNeverAFormula();
    void longCellTextIsCutVisibly();
};

void GraphCellsTest::csvTextIsNeverAFormula_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");

    QTest::newRow("=") << u"=1+2"_s << u"'=1+2"_s;
    QTest::newRow("+") << u"+81 3"_s << u"'+81 3"_s;
    QTest::newRow("-") << u"-2+3"_s << u"'-2+3"_s;
    QTest::newRow("@") << u"@SUM(A1)"_s << u"'@SUM(A1)"_s;
    QTest::newRow("tab") << u"\t=1"_s << u"'\t=1"_s;
    QTest::newRow("carriage return, quoted") << u"\r=1"_s << u"\"'\r=1\""_s;
    QTest::newRow("formula with a comma, quoted")
        << u"=HYPERLINK(\"x\",\"y\")"_s << u"\"'=HYPERLINK(\"\"x\"\",\"\"y\"\")\""_s;
    QTest::newRow("plain text") << u"温度 ℃"_s << u"温度 ℃"_s;
    QTest::newRow("= later on") << u"a=b"_s << u"a=b"_s;
}

void GraphCellsTest::csvTextIsNeverAFormula()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(csvTextField(text), field);
}

void GraphCellsTest::longCellTextIsCutVisibly()
{
    // Three bytes a character: the cut falls inside one unless it is placed.
    const QString text(20000, u'あ');
    const QByteArray cell = cellText(text);
    QVERIFY(cell.size() <= CellTextMaxBytes);
    QVERIFY(cell.size() > CellTextMaxBytes - 16);
    const QString back = QString::fromUtf8(cell);
    QVERIFY(!back.contains(QChar::ReplacementCharacter));
    QVERIFY(back.endsWith(u"…（以下略）"_s));
    QVERIFY(text.startsWith(back.chopped(6)));
    // One that fits stays whole.
    QCOMPARE(cellText(u"=1+2"_s), "=1+2"_ba);
}

QTEST_APPLESS_MAIN(GraphCellsTest)
#include "tst_graphcells.moc"
