#pragma once

// What a user does to the main window, done through its real widgets: mouse
// clicks on controls, keys to whatever has the focus, text typed with the
// keyboard or committed by an input method; and the data files read back.

#include "MainWindowFixture.h"

#include "support/DataFileReading.h"

#include <QDir>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace Drive
{

// The toggle "測定対象等入力on/off　　".
inline constexpr ControlRef ModeToggle{Control::Label6};

inline void click(MainWindowFixture& f, ControlRef ref)
{
    QTest::mouseClick(f.find(ref), Qt::LeftButton);
}

// A closed dialog leaves the main window to the window system, which hands
// it the focus again; the offscreen platform needs to be asked.
[[nodiscard]] inline bool backFromDialog(MainWindowFixture& f)
{
    f.window->activateWindow();
    return QTest::qWaitForWindowActive(f.window.get());
}

// Text as an input method commits it: Japanese never arrives as key presses.
inline void commitText(QWidget* box, const QString& text)
{
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QApplication::sendEvent(box, &commit);
}

// Clicks a subject line (entering the input mode), selects what is there and
// types over it. Latin text goes key by key, so that its blanks pass the
// window's key handling as Space keys; other text is committed.
inline void retype(MainWindowFixture& f, int index, const QString& text)
{
    auto* box = f.find<QLineEdit>(text1(index));
    QTest::mouseClick(box, Qt::LeftButton);
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    bool latin = true;
    for (QChar c : text)
        latin = latin && c.unicode() < 0x80;
    if (latin)
        QTest::keyClicks(box, text);
    else
        commitText(box, text);
}

inline QString boxText(const MainWindowFixture& f, int index)
{
    return f.find<QLineEdit>(text1(index))->text();
}

inline bool inputMode(const MainWindowFixture& f)
{
    return f.find<QRadioButton>(ControlRef{Control::Option1})->isChecked();
}

inline QString stateWord(const MainWindowFixture& f)
{
    return f.window->caption({Control::Label4});
}

inline QColor label4Color(const MainWindowFixture& f)
{
    return f.find(ControlRef{Control::Label4})->palette().color(QPalette::Window);
}

// The data files of the working folder, oldest name first (not the pending
// row's sidecar and its lock beside a running measurement's file).
inline QStringList dataFiles(const MainWindowFixture& f)
{
    return QDir(f.folder.dir().filePath(QStringLiteral("DATA")))
        .entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
}

inline QString dataFilePath(const MainWindowFixture& f, const QString& name)
{
    return f.folder.dir().filePath(QStringLiteral("DATA/") + name);
}

// A whole data file, decoded from code page 932, with its CR LF line ends.
inline QString fileText(const MainWindowFixture& f, const QString& name)
{
    return decodeCp932(readBytes(dataFilePath(f, name)));
}

inline QString rowsText(const QStringList& rows)
{
    return rows.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

} // namespace Drive

// The instruction texts of the data screen. Each begins with an ideographic
// space; the toggle's second line has a plain blank before "エンターキーor",
// the subject box's has "打鍵" and none.
namespace Shown
{
inline const QString InputToggle =
    QStringLiteral("\u3000測定対象/条件\u3001待受値/増分など入力作業中です\u3002\r\n\r\n"
                   "\u3000終了したら エンターキーor[測定対象等入力on/off]クリック\uFF01");
inline const QString InputSubjectBox =
    QStringLiteral("\u3000測定対象/条件\u3001待受値/増分など入力作業中です\u3002\r\n\r\n"
                   "\u3000終了したらエンターキー打鍵or[測定対象等入力on/off]クリック\uFF01");
inline const QString InputValueBox =
    QStringLiteral("\u3000待受値/増分など入力作業中です\u3002\r\n\r\n"
                   "\u3000終了したら[測定対象等入力on/off]クリック\uFF01");
inline const QString Waiting =
    QStringLiteral("\u3000測定開始待ち--測定対象/条件\u3001待受値/増分など再確認\uFF01\r\n\r\n"
                   "\u3000測定開始は エンターキーorスペースキー !");
inline const QString AfterClear =
    QStringLiteral("\u3000測定対象/条件など\u3001待受値/増分を更新ください\u3002");
} // namespace Shown

namespace Colour
{
inline const QColor Red(255, 0, 0);
inline const QColor SkyBlue(128, 255, 255);
inline const QColor Yellow(255, 255, 0);
inline const QColor Green(0, 255, 0);
} // namespace Colour
