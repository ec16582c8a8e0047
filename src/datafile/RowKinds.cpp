#include "datafile/RowKinds.h"

#include "numbers/NumberText.h"

namespace
{

constexpr qsizetype SubjectLineCount = 5;

CsvField text(const QString& t)
{
    return CsvField::ofText(t);
}

// The five subject fields, however many lines the caller has.
CsvRow subjectFields(const QStringList& lines)
{
    CsvRow row;
    row.reserve(6);
    for (qsizetype i = 0; i < SubjectLineCount; ++i)
        row.append(text(i < lines.size() ? lines[i] : QString()));
    return row;
}

// Rounded exactly as the screen shows it ("#######0.00"), so that the file and
// the data screen never disagree in the last digit.
double hundredths(double seconds)
{
    return numericValue(fixedTwoDecimals(seconds));
}

} // namespace

namespace RowKinds
{

CsvRow headerRow(const QString& dataFileName, const QDate& date)
{
    QString dateText;
    if (date.isValid()) {
        dateText = QString::number(date.year() % 100).rightJustified(2, u'0') + u'/' +
                   QString::number(date.month()) + u'/' + QString::number(date.day());
    }
    return {text(dataFileName), text(dateText), text({}), text({}), text({}), text({})};
}

CsvRow subjectRow(const QStringList& subjectLines)
{
    CsvRow row = subjectFields(subjectLines);
    row.append(text(SubjectMarker));
    return row;
}

CsvRow columnTitleRow(const QString& valueName)
{
    return {text(QStringLiteral("測定回")),
            text(QStringLiteral("時刻")),
            text(QStringLiteral("経過秒")),
            text(QStringLiteral("今-前秒")),
            text(valueName),
            text(QStringLiteral("備考"))};
}

CsvRow dataRow(int number, const QString& time, double elapsed, double lap, double target,
               const QString& remark)
{
    return {CsvField::ofNumber(number),
            text(time),
            CsvField::ofNumber(hundredths(elapsed)),
            CsvField::ofNumber(hundredths(lap)),
            CsvField::ofNumber(target),
            text(remark)};
}

CsvRow changedSubjectRow(const QStringList& capturedLines, const QString& remark)
{
    CsvRow row = subjectFields(capturedLines);
    row.append(text(SubjectMarker + remark));
    return row;
}

CsvRow afterEndChangeRow(const QStringList& subjectLines)
{
    CsvRow row = subjectFields(subjectLines);
    row.append(text(AfterEndMarker));
    return row;
}

} // namespace RowKinds
