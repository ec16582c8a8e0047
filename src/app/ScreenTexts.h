#pragma once

#include <QString>

// Texts the logic puts on the data screen and in its dialogs, exactly as users
// have always seen them (note the blanks: plain and ideographic spaces differ).
namespace ScreenTexts
{

inline const QString CrLf = QStringLiteral("\r\n");

inline const QString Greeting = QStringLiteral(" 測定対象/条件、待受値/増分など入力下さい。");
inline const QString AfterClear =
    QStringLiteral("　測定対象/条件など、待受値/増分を更新ください。");

inline const QString InputToggle =
    QStringLiteral("　測定対象/条件、待受値/増分など入力作業中です。") + CrLf + CrLf +
    QStringLiteral("　終了したら エンターキーor[測定対象等入力on/off]クリック！");
inline const QString InputSubjectBox =
    QStringLiteral("　測定対象/条件、待受値/増分など入力作業中です。") + CrLf + CrLf +
    QStringLiteral("　終了したらエンターキー打鍵or[測定対象等入力on/off]クリック！");
inline const QString InputValueBox = QStringLiteral("　待受値/増分など入力作業中です。") + CrLf +
                                     CrLf +
                                     QStringLiteral("　終了したら[測定対象等入力on/off]クリック！");
inline const QString Waiting =
    QStringLiteral("　測定開始待ち--測定対象/条件、待受値/増分など再確認！") + CrLf + CrLf +
    QStringLiteral("　測定開始は エンターキーorスペースキー !");

inline const QString SubjectSummary = QStringLiteral("対象等:");
inline const QString AfterEndSummary = QStringLiteral("終後変更:");
inline const QString RejectedMark = QStringLiteral("NG");

inline const QString ApplicationTitle = QStringLiteral("Quellmark");
inline const QString FolderCreated = QStringLiteral(
    " の下にフォルダー DATA を作成しました。データファイル .csv はここに保存されます。");

// The start-up after a crash: which data files got their last reading back.
inline const QString PendingRowsRecovered =
    QStringLiteral("前回は測定の途中でプログラムが終了しました。次のデータファイルに最後の測定値を"
                   "書き戻しました。");
inline const QString PendingRowsNotWritten =
    QStringLiteral("次のデータファイルには最後の測定値を書き戻せませんでした。保留ファイルを"
                   "そのまま残してあります。");
inline const QString PendingRowsUnreadable = QStringLiteral(
    "次の保留ファイルは読めなかったため、そのまま残してあります。最後の測定値はこの中にあります。");
inline const QString PendingRowsLeftAlone = QStringLiteral(
    "次の保留ファイルは、このプログラムが書いた形の行でないか、データファイルの続きと合わないため、"
    "書き戻さずにそのまま残してあります。データファイルにも手を付けていません。");

inline const QString TargetPromptTitle = QStringLiteral("測定待受け値の初期値");
inline const QString TargetPromptText =
    QStringLiteral("待受値の初期値(測定を開始する始めの値)を入力下さい。");
inline const QString IncrementPromptTitle = QStringLiteral("測定待受け値に対する増分");
inline const QString IncrementPromptText =
    QStringLiteral("待受値に対する増分を入力下さい。マイナスで待受け値が減少します。");

} // namespace ScreenTexts
