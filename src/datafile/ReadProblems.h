#pragma once

#include <QString>

// Why a line of a data file could not be read, as the window and the command
// line show it.
namespace ReadProblems
{

inline const QString NotADataFile = QStringLiteral("データファイルではありません");
inline const QString FieldCount = QStringLiteral("項目の数が6ではありません");
inline const QString UnclosedQuote = QStringLiteral("引用符が閉じていません");
inline const QString NotANumber = QStringLiteral("数値として読めません");
inline const QString UnknownRow = QStringLiteral("行の種類がわかりません");
inline const QString EmptyLine = QStringLiteral("空の行です");
inline const QString LineTooLong = QStringLiteral("行が長すぎます");
inline const QString CrOnlyLineEnds =
    QStringLiteral("行の終わりが CR だけです（CR LF ではありません）");
inline const QString NulByte = QStringLiteral("NUL のバイトがあります");

} // namespace ReadProblems
