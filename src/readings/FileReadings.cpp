#include "readings/FileReadings.h"

#include <QSet>

#include <algorithm>

QString unreadableReason(const DataFileContents& contents)
{
    if (!contents.opened)
        return contents.openError;
    bool dataFile = contents.looksLikeDataFile;
    bool readings = false;
    for (const ReadRow& row : contents.rows) {
        dataFile = dataFile || row.kind == RowKind::Header || row.kind == RowKind::ColumnTitle;
        readings = readings || row.kind == RowKind::Data;
        if (dataFile && readings)
            break;
    }
    const std::optional<ReadProblem>& problem = contents.firstProblem;
    if (!dataFile) {
        if (contents.lines == 0 && !problem)
            return QStringLiteral("空のファイルです");
        if (!problem)
            return QStringLiteral("データファイルではありません");
        return QStringLiteral("データファイルではありません（%1 行目: %2）")
            .arg(problem->line)
            .arg(problem->reason);
    }
    // Heading rows alone are a measurement not begun; heading rows and lines
    // that cannot be read are nothing to go on.
    if (!readings && problem)
        return QStringLiteral("読める測定がありません。") +
               unreadLinesText(*problem, contents.unreadLines);
    return {};
}

QString unreadLinesText(const ReadProblem& first, int count)
{
    QString text = QStringLiteral("%1 行目を読めません: %2").arg(first.line).arg(first.reason);
    if (count > 1)
        text += QStringLiteral("（読めない行は全部で %1 行）").arg(count);
    return text;
}

QString unreadLinesText(const DataFileContents& contents)
{
    if (!contents.firstProblem)
        return {};
    return unreadLinesText(*contents.firstProblem, contents.unreadLines);
}

AppliedExclusions applyExclusions(const QList<ReadRow>& rows, const QSet<int>& requested)
{
    QSet<int> present;
    QSet<int> applied;
    for (const ReadRow& row : rows) {
        if (row.kind != RowKind::Data || !requested.contains(row.number))
            continue;
        present.insert(row.number);
        if (!row.rejected)
            applied.insert(row.number);
    }
    AppliedExclusions result;
    result.applied.assign(applied.cbegin(), applied.cend());
    for (const int number : requested) {
        if (!present.contains(number))
            result.missing.push_back(number);
    }
    std::sort(result.applied.begin(), result.applied.end());
    std::sort(result.missing.begin(), result.missing.end());
    return result;
}

QString missingReadingsText(const std::vector<int>& missing)
{
    if (missing.empty())
        return {};
    QStringList numbers;
    for (const int number : missing)
        numbers << QString::number(number);
    return QStringLiteral("測定回 %1 はファイルにないので除外していません")
        .arg(numbers.join(QStringLiteral(", ")));
}
