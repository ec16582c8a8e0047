#pragma once

#include "datafile/CsvRow.h"

#include <QDate>
#include <QStringList>

// The kinds of row a data file holds. Subject lines are always the five lines
// of the subject block, top to bottom.
namespace RowKinds
{

inline const QString SubjectMarker = QStringLiteral("←対象等");
inline const QString AfterEndMarker = QStringLiteral("←対象等--終後変更");

CsvRow headerRow(const QString& dataFileName, const QDate& date);
// Also the end subject row.
CsvRow subjectRow(const QStringList& subjectLines);
CsvRow columnTitleRow(const QString& valueName);
CsvRow dataRow(int number, const QString& time, double elapsed, double lap, double target,
               const QString& remark);
// remark: remarkFiller + rowRemark, appended to the marker.
CsvRow changedSubjectRow(const QStringList& capturedLines, const QString& remark);
CsvRow afterEndChangeRow(const QStringList& subjectLines);

} // namespace RowKinds
