#include "ui/RecorderWindow.h"

#include "measurement/Clock.h"
#include "measurement/MeasurementState.h"
#include "ui/AppIcon.h"
#include "ui/BgrColors.h"
#include "ui/BrowserKeyStamp.h"
#include "ui/ClickableWidgets.h"
#include "ui/ControlNames.h"
#include "ui/DesignLabel.h"
#include "ui/Fonts.h"
#include "ui/GuideWindow.h"
#include "ui/KeyCodes.h"
#include "ui/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace
{

constexpr QSize ClientSize(Twips::toPixels(7590), Twips::toPixels(8655));

enum LabelStyle {
    Plain = 0,
    AutoSize = 1, // shrinks or grows to its caption
    Wrap = 2,     // keeps its box and wraps a longer caption
    GreyText = 4,
    Bold = 8,
};

void setPaletteColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(role, color);
    widget->setPalette(palette);
}

// Draws the rectangle outline and the lines: one pixel wide, in the window's
// text colour, and transparent to the mouse like the painted shapes they are.
QFrame* addOutline(QWidget* parent, const QString& name, QRect rect)
{
    auto* frame = new QFrame(parent);
    frame->setObjectName(name);
    frame->setGeometry(rect);
    frame->setAttribute(Qt::WA_TransparentForMouseEvents);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    return frame;
}

QFrame* addLine(QWidget* parent, const QString& name, QPoint from, QPoint to)
{
    const QRect rect(std::min(from.x(), to.x()), std::min(from.y(), to.y()),
                     std::max(1, std::abs(to.x() - from.x())),
                     std::max(1, std::abs(to.y() - from.y())));
    auto* line = new QFrame(parent);
    line->setObjectName(name);
    line->setGeometry(rect);
    line->setAttribute(Qt::WA_TransparentForMouseEvents);
    line->setAutoFillBackground(true);
    setPaletteColor(line, QPalette::Window, line->palette().color(QPalette::WindowText));
    return line;
}

QPoint twipsPoint(int x, int y)
{
    return {Twips::toPixels(x), Twips::toPixels(y)};
}

} // namespace

RecorderWindow::RecorderWindow(const Clock& clock, QDir workingDir)
    : QWidget(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      m_clock(clock)
{
    setObjectName(u"RecorderForm"_s);
    setWindowTitle(u"QMK"_s);
    setWindowIcon(appIcon());
    setFont(Fonts::gothic(9.75));
    // The layout is fixed: nothing would follow a bigger window.
    setFixedSize(ClientSize);

    buildControls();
    chainTabOrder();

    m_form = std::make_unique<RecorderForm>(*this, m_clock, std::move(workingDir));
    connect(m_timer1, &QTimer::timeout, this, [this] { m_form->Timer1_Timer(); });
    connect(m_timer2, &QTimer::timeout, this, [this] { m_form->Timer2_Timer(); });

    // Key preview: every key for any control of this window passes here first.
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &RecorderWindow::focusWindowChanged);
}

RecorderWindow::~RecorderWindow()
{
    // The logic goes before the controls do; nothing may reach it meanwhile.
    qApp->removeEventFilter(this);
    disconnect(qApp, nullptr, this, nullptr);
    delete m_guide.data();
}

void RecorderWindow::buildControls()
{
    // Painted shapes lie beneath every control, as they always have: the
    // option button and its label cover the top edge of the subject frame.
    addOutline(this, u"Shape1"_s, Twips::rect(2700, 660, 2655, 1695));
    addLine(this, u"Line1"_s, twipsPoint(5400, 2730), twipsPoint(6765, 2730));
    addLine(this, u"Line2"_s, twipsPoint(6600, 180), twipsPoint(7500, 180));
    addLine(this, u"Line3"_s, twipsPoint(7500, 180), twipsPoint(7500, 0));

    auto label = [this](QLabel* label, ControlRef ref, const QString& caption, QRect rect,
                        const QFont& font, int style) {
        add(ref, label);
        label->setText(caption);
        label->setFont(font);
        label->setGeometry(rect);
        label->setTextFormat(Qt::PlainText);
        // Labels are opaque: they hide the painted shapes beneath them.
        label->setAutoFillBackground(true);
        label->setWordWrap((style & Wrap) != 0);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        if (style & GreyText)
            setPaletteColor(label, QPalette::WindowText, BgrColors::toQColor(Colors::Grey));
        if (style & AutoSize) {
            m_autoSizeLabels.append(label);
            label->adjustSize();
        }
        m_backColors.insert(key(ref), BgrColors::ButtonFace);
        return label;
    };
    const QFont g825 = Fonts::gothic(8.25);
    const QFont g9 = Fonts::gothic(9);
    const QFont g1125 = Fonts::gothic(11.25);

    // The labels that only show their caption, in the designed order.
    struct PlainLabel {
        ControlRef ref;
        const char16_t* caption;
        QRect rect;
        qreal points;
        int style;
    };
    const PlainLabel plainLabels[] = {
        // Title.
        {{Control::Label1},
         u"クエルマーク QM_K",
         Twips::rect(120, 60, 3225, 240),
         12,
         AutoSize | Bold},
        {{Control::Label3, 4},
         u"エンターキーで測定開始/ ラップタイム測定",
         Twips::rect(360, 360, 1890, 345),
         8.25,
         Wrap | GreyText},
        // Clock.
        {{Control::Label3, 0}, u"年 月 日", Twips::rect(120, 900, 960, 225), 11.25, AutoSize},
        {{Control::Label3, 1}, u"現在時刻", Twips::rect(120, 1260, 960, 225), 11.25, AutoSize},
        {{Control::Label2, 0}, u"開始時刻", Twips::rect(120, 1620, 960, 225), 11.25, AutoSize},
        {{Control::Label2, 1}, u"経過 秒", Twips::rect(120, 1980, 840, 225), 11.25, AutoSize},
        {{Control::Label8},
         u"--データファイル名",
         Twips::rect(3000, 2580, 1620, 165),
         8.25,
         AutoSize | GreyText},
        // Target value.
        {{Control::Label3, 3},
         u"待受測定値名/単位など",
         Twips::rect(5520, 1125, 1890, 180),
         9,
         AutoSize},
        {{Control::Label3, 9},
         u"↓先ず､オレンジ枠を 　clickし初期値を！",
         Twips::rect(5640, 1740, 1815, 345),
         8.25,
         Wrap | GreyText},
        {{Control::Label3, 6}, u"待受値", Twips::rect(6780, 2160, 720, 225), 11.25, AutoSize},
        {{Control::Label3, 5}, u"+", Twips::rect(5520, 2415, 150, 285), 14.25, AutoSize},
        {{Control::Label3, 7}, u"増分", Twips::rect(6780, 2460, 480, 225), 11.25, AutoSize},
        // Buttons area.
        {{Control::Label3, 8},
         u"↑測定終了 ２回目クリックで開始待ち",
         Twips::rect(5820, 540, 1695, 345),
         8.25,
         Wrap | GreyText},
        // Column headings of the data screen.
        {{Control::Label2, 4}, u"測定回", Twips::rect(120, 2820, 720, 225), 11.25, AutoSize},
        {{Control::Label2, 5}, u"測定時刻", Twips::rect(1080, 2820, 960, 225), 11.25, AutoSize},
        {{Control::Label2, 2}, u"経過 秒", Twips::rect(2760, 2820, 840, 225), 11.25, AutoSize},
        {{Control::Label2, 3}, u"今-前秒", Twips::rect(4080, 2820, 840, 225), 11.25, AutoSize},
        {{Control::Label3, 10},
         u"↓待受測定値",
         Twips::rect(5460, 2820, 1440, 225),
         11.25,
         AutoSize},
    };
    for (const PlainLabel& l : plainLabels) {
        label(new DesignLabel(this), l.ref, QString::fromUtf16(l.caption), l.rect,
              Fonts::gothic(l.points, (l.style & Bold) != 0), l.style);
    }

    // The file name box: its caption follows the data file's state.
    m_label7 = label(new DesignLabel(this), {Control::Label7}, QString(),
                     Twips::rect(120, 2460, 2835, 315), g1125, Plain);
    m_label7->setAlignment(Qt::AlignCenter);
    m_label7->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_label7->setLineWidth(1);
    m_backColors.insert(key({Control::Label7}), BgrColors::WindowBackground);
    showLabel7();

    // The labels that react to a click.
    auto* label6 = new ClickableLabel(this);
    label(label6, {Control::Label6}, u"測定対象等入力on/off　　"_s,
          Twips::rect(3000, 600, 1815, 165), Fonts::proportionalGothic(8.25), AutoSize);
    connect(label6, &ClickableLabel::clicked, this, [this] { m_form->Label6_Click(); });
    auto* label5 = new ClickableLabel(this);
    label(label5, {Control::Label5}, u"操作ガイド"_s, Twips::rect(6600, 0, 900, 180), g9, AutoSize);
    connect(label5, &ClickableLabel::clicked, this, &RecorderWindow::openGuide);

    // The state word, hidden until the first measurement starts.
    QLabel* label4 = label(new DesignLabel(this), {Control::Label4}, u"過程表示"_s,
                           Twips::rect(6540, 240, 960, 240), Fonts::gothic(12), AutoSize);
    setBackColor({Control::Label4}, Colors::Yellow);
    label4->hide();

    // Text boxes, buttons and the option button lie above every label.
    auto lineEdit = [this](QLineEdit* edit, ControlRef ref, const QString& text, QRect rect,
                           const QFont& font, int tabIndex) {
        add(ref, edit, tabIndex);
        edit->setText(text);
        edit->setFont(font);
        edit->setGeometry(rect);
        m_backColors.insert(key(ref), BgrColors::WindowBackground);
        return edit;
    };

    QLineEdit* text2 = lineEdit(new QLineEdit(this), {Control::Text2}, QString(),
                                Twips::rect(180, 360, 105, 285), g825, 34);
    // Enter and Space must arrive as keys, not be taken by an input method.
    text2->setAttribute(Qt::WA_InputMethodEnabled, false);

    struct DisplayBox {
        Control control;
        const char16_t* text;
        int top;
        int tabIndex;
    };
    for (const DisplayBox& box :
         {DisplayBox{Control::TxYMD, u"YMD", 900, 4}, DisplayBox{Control::TxHMS, u"HMS", 1260, 5},
          DisplayBox{Control::TxStartTime, u"", 1620, 13},
          DisplayBox{Control::TxElapsed, u"", 1980, 14}}) {
        QLineEdit* edit = lineEdit(new QLineEdit(this), {box.control}, QString::fromUtf16(box.text),
                                   Twips::rect(1200, box.top, 1335, 330), g1125, box.tabIndex);
        // Shows what the logic writes; never takes the focus or a keystroke.
        edit->setEnabled(false);
    }

    struct SubjectBox {
        int index;
        const char16_t* text;
        QRect rect;
        int tabIndex;
    };
    for (const SubjectBox& box : {
             SubjectBox{6, u"", Twips::rect(2760, 840, 2500, 330), 29},
             SubjectBox{0, u"", Twips::rect(2760, 1110, 2500, 330), 28},
             SubjectBox{1, u"", Twips::rect(2760, 1395, 2500, 330), 27},
             SubjectBox{2, u"", Twips::rect(2760, 1680, 2500, 330), 26},
             SubjectBox{3, u"", Twips::rect(2760, 1965, 2500, 330), 25},
             SubjectBox{7, u"温度 ℃", Twips::rect(5520, 1320, 1935, 285), 20},
             SubjectBox{4, u"0", Twips::rect(5520, 2100, 1215, 285), 18},
             SubjectBox{5, u"0", Twips::rect(5700, 2415, 1035, 285), 19},
         }) {
        auto* edit = new ClickableLineEdit(this);
        lineEdit(edit, text1(box.index), QString::fromUtf16(box.text), box.rect, g1125,
                 box.tabIndex);
        connect(edit, &ClickableLineEdit::clicked, this,
                [this, index = box.index] { m_form->Text1_Click(index); });
    }
    setBackColor(text1(4), Colors::LightOrange);
    setBackColor(text1(5), Colors::LightOrange);

    m_option1 = new OptionButton(this);
    add({Control::Option1}, m_option1, 35);
    m_option1->setFont(g9);
    m_option1->setGeometry(Twips::rect(2760, 540, 255, 255));
    m_option1->setAutoFillBackground(true);
    m_backColors.insert(key({Control::Option1}), BgrColors::ButtonFace);

    auto button = [this](ControlRef ref, const QString& caption, QRect rect, const QFont& font,
                         int tabIndex) {
        auto* button = new QPushButton(caption, this);
        add(ref, button, tabIndex);
        button->setFont(font);
        button->setGeometry(rect);
        button->setAutoDefault(false);
        m_backColors.insert(key(ref), BgrColors::ButtonFace);
        return button;
    };
    QPushButton* comSave = button({Control::ComSave}, u"変更"_s, Twips::rect(4740, 540, 495, 255),
                                  Fonts::proportionalGothic(8.25), 15);
    comSave->setEnabled(false);
    connect(comSave, &QPushButton::clicked, this, [this] { m_form->ComSave_Click(); });
    QPushButton* comClear =
        button({Control::ComClear}, u"保存/クリア"_s, Twips::rect(5280, 0, 1215, 495), g9, 7);
    connect(comClear, &QPushButton::clicked, this, [this] { m_form->ComClear_Click(); });

    // The data screen.
    m_txEventTime = new QPlainTextEdit(this);
    add({Control::TxEventTime}, m_txEventTime, 6);
    m_txEventTime->setFont(g1125);
    m_txEventTime->setGeometry(Twips::rect(120, 3060, 7335, 5490));
    m_txEventTime->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_txEventTime->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txEventTime->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_txEventTime->setTabChangesFocus(true);
    // A long measurement appends 100 000 lines; an undo history of them all
    // would only cost memory.
    m_txEventTime->setUndoRedoEnabled(false);
    m_backColors.insert(key({Control::TxEventTime}), BgrColors::WindowBackground);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(u"Timer1"_s);
    m_timer1->setInterval(100);
    m_timer1->start();
    m_timer2 = new QTimer(this);
    m_timer2->setObjectName(u"Timer2"_s);
    m_timer2->setInterval(10);
    m_timer2->setTimerType(Qt::PreciseTimer);
}

void RecorderWindow::add(ControlRef ref, QWidget* widget, int tabIndex)
{
    widget->setObjectName(objectNameOf(ref));
    m_controls.insert(key(ref), widget);
    if (tabIndex >= 0)
        m_tabIndex.insert(key(ref), tabIndex);
}

void RecorderWindow::chainTabOrder()
{
    QList<std::pair<int, QWidget*>> order;
    for (auto it = m_tabIndex.cbegin(); it != m_tabIndex.cend(); ++it)
        order.append({it.value(), m_controls.value(it.key())});
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    // Disabled controls stay in the chain: Qt skips them while they are
    // disabled, and they take their place again once enabled.
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1].second, order[i].second);
}

quint64 RecorderWindow::key(ControlRef ref)
{
    const int index = isControlArray(ref.control) ? ref.index : -1;
    return (quint64(ref.control) << 32) | quint32(index);
}

QWidget* RecorderWindow::widget(ControlRef ref) const
{
    QWidget* found = m_controls.value(key(ref));
    Q_ASSERT_X(found, "RecorderWindow", "no such control");
    return found;
}

QTimer* RecorderWindow::timer(ControlRef ref) const
{
    if (ref.control == Control::Timer1)
        return m_timer1;
    if (ref.control == Control::Timer2)
        return m_timer2;
    return nullptr;
}

int RecorderWindow::text1Index(const QWidget* candidate) const
{
    for (int index = 0; index <= 7; ++index) {
        if (m_controls.value(key(text1(index))) == candidate)
            return index;
    }
    return -1;
}

// ---- Life cycle ----

void RecorderWindow::setVisible(bool visible)
{
    if (visible && !m_loaded) {
        m_loaded = true;
        m_form->Form_Load();
    }
    const bool firstShow = visible && !m_activatedOnce && !QWidget::isVisible();
    QWidget::setVisible(visible);
    // Starting the program shows the window and makes it the active one.
    if (firstShow)
        activateWindow();
}

void RecorderWindow::focusWindowChanged(QWindow* window)
{
    // Null while another program has the focus: coming back from there does
    // not count as an activation.
    if (!window)
        return;
    if (window == windowHandle() && (!m_activatedOnce || m_lastFocusWasGuide)) {
        m_activatedOnce = true;
        m_lastFocusWasGuide = false;
        m_form->Form_Activate();
        return;
    }
    // A message box or prompt closing hands the focus back without this.
    m_lastFocusWasGuide = m_guide && window == m_guide->windowHandle();
}

void RecorderWindow::closeEvent(QCloseEvent* event)
{
    int cancel = 0;
    m_form->Form_Unload(cancel);
    // The guide goes in every case, also when the main window stays.
    closeGuide();
    if (cancel != 0)
        event->ignore();
    else
        event->accept();
}

// ---- Key preview ----

bool RecorderWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* receiver = static_cast<QWidget*>(watched);
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        // A key repeats only where it went down. The system's flag alone is
        // not enough: when Return closes a message box, the box is gone before
        // the key comes up, and Wine, which learns of the release only through
        // a window of its own, flags the next Return as a repeat: the first
        // press after the message, a measurement's start, would be lost.
        const bool repeat = keyEvent->isAutoRepeat() && m_lastPressKey == keyEvent->key() &&
                            m_lastPressWindow == receiver->window();
        if (isFirstDelivery(keyEvent, receiver)) {
            // Every key Qt hands any of our windows takes its browser stamp,
            // so that the page's stamps and Qt's events stay in step.
            const std::optional<qint64> browserNs = BrowserKeyStamp::takePressNs(
                KeyCodes::fromQtKey(keyEvent->key(), keyEvent->modifiers()), m_clock.monotonicNs(),
                PressTimeEstimator::MaxAgeNs);
            if (receiver->window() == this)
                keyPreview(receiver, keyEvent, repeat, browserNs);
        }
        m_lastPressKey = keyEvent->key();
        m_lastPressWindow = receiver->window();
    }
    // Never consumed: the focused control handles the key as usual.
    return false;
}

bool RecorderWindow::isFirstDelivery(const QKeyEvent* event, QWidget* receiver)
{
    const bool passedUp =
        event == m_keyInFlight && m_keyReceiver && m_keyReceiver->parentWidget() == receiver;
    m_keyInFlight = event;
    m_keyReceiver = receiver;
    return !passedUp;
}

void RecorderWindow::keyPreview(QWidget* receiver, const QKeyEvent* event, bool autoRepeat,
                                std::optional<qint64> browserNs)
{
    KeyPress key;
    key.keyCode = KeyCodes::fromQtKey(event->key(), event->modifiers());
    key.shift = KeyCodes::shiftState(event->modifiers());
    key.autoRepeat = autoRepeat;
    // The browser's own stamp where there is one: Qt's is taken late there.
    key.pressedAtNs =
        browserNs ? browserNs : m_pressTimes.pressedAtNs(event->timestamp(), m_clock.monotonicNs());
    m_form->Form_KeyDown(key);
    // The subject box that received the key handles it next, even when the
    // window-level handling has moved the focus away meanwhile.
    if (const int index = text1Index(receiver); index >= 0)
        m_form->Text1_KeyDown(index, key.keyCode, key.shift);
}

// ---- Guide window ----

GuideWindow* RecorderWindow::guideWindow() const
{
    // A closed guide window is hidden at once and deleted a moment later.
    return m_guide && !m_guide->isHidden() ? m_guide.data() : nullptr;
}

void RecorderWindow::openGuide()
{
    if (GuideWindow* open = guideWindow()) {
        open->setWindowState(open->windowState() & ~Qt::WindowMinimized);
        open->raise();
        open->activateWindow();
        return;
    }
    const QRect outer = frameGeometry();
    const QRect inner = geometry();
    const QMargins frame(inner.left() - outer.left(), inner.top() - outer.top(),
                         outer.right() - inner.right(), outer.bottom() - inner.bottom());
    m_guide = new GuideWindow;
    m_guide->load(screen(), frame);
    m_guide->activateWindow();
}

void RecorderWindow::closeGuide()
{
    if (GuideWindow* open = guideWindow())
        open->close();
}

// ---- FormControls ----

QString RecorderWindow::text(ControlRef c) const
{
    if (c.control == Control::TxEventTime) {
        QString text = m_txEventTime->toPlainText();
        text.replace(u'\n', u"\r\n"_s);
        return text;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget(c)))
        return edit->text();
    return QString();
}

void RecorderWindow::setText(ControlRef c, const QString& text)
{
    if (c.control == Control::TxEventTime) {
        // A CR LF in the text becomes one line break of the box.
        m_txEventTime->setPlainText(text);
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget(c)))
        edit->setText(text);
}

void RecorderWindow::appendText(ControlRef c, const QString& text)
{
    if (c.control != Control::TxEventTime) {
        setText(c, this->text(c) + text);
        return;
    }
    // Appending through a cursor leaves the lines already there alone, however
    // many there are.
    QTextCursor cursor(m_txEventTime->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    // Keep the newest reading in view.
    m_txEventTime->moveCursor(QTextCursor::End);
    m_txEventTime->ensureCursorVisible();
}

QString RecorderWindow::caption(ControlRef c) const
{
    if (c.control == Control::Label7)
        return m_label7Caption;
    QWidget* w = widget(c);
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w))
        return button->text();
    return QString();
}

void RecorderWindow::setCaption(ControlRef c, const QString& caption)
{
    if (c.control == Control::Label7) {
        m_label7Caption = caption;
        showLabel7();
        return;
    }
    QWidget* w = widget(c);
    if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(caption);
        if (m_autoSizeLabels.contains(label))
            label->adjustSize();
    } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        button->setText(caption);
    }
}

BgrColor RecorderWindow::backColor(ControlRef c) const
{
    return m_backColors.value(key(c), BgrColors::ButtonFace);
}

void RecorderWindow::setBackColor(ControlRef c, BgrColor color)
{
    m_backColors.insert(key(c), color);
    QWidget* w = widget(c);
    const bool editBox = qobject_cast<QLineEdit*>(w) || qobject_cast<QPlainTextEdit*>(w);
    const QPalette::ColorRole role = editBox ? QPalette::Base : QPalette::Window;
    const QColor shown = BgrColors::isSystemColor(color) ? QApplication::palette(w).color(role)
                                                         : BgrColors::toQColor(color);
    setPaletteColor(w, role, shown);
    if (!editBox)
        w->setAutoFillBackground(true);
}

bool RecorderWindow::isEnabled(ControlRef c) const
{
    if (QTimer* t = timer(c))
        return t->isActive();
    return widget(c)->isEnabled();
}

void RecorderWindow::setEnabled(ControlRef c, bool enabled)
{
    if (QTimer* t = timer(c)) {
        if (!enabled)
            t->stop();
        else if (!t->isActive())
            t->start();
        return;
    }
    widget(c)->setEnabled(enabled);
}

bool RecorderWindow::isVisible(ControlRef c) const
{
    if (timer(c))
        return true;
    // The control's own flag, whether or not the window is on screen yet.
    return widget(c)->isVisibleTo(this);
}

void RecorderWindow::setVisible(ControlRef c, bool visible)
{
    if (timer(c))
        return;
    widget(c)->setVisible(visible);
}

bool RecorderWindow::optionValue() const
{
    return m_option1->isChecked();
}

void RecorderWindow::setOptionValue(bool value)
{
    m_option1->setChecked(value);
}

void RecorderWindow::setFocus(ControlRef c)
{
    widget(c)->setFocus(Qt::OtherFocusReason);
}

QWidget* RecorderWindow::dialogParent()
{
    // The load step's message comes before the window is on screen.
    return QWidget::isVisible() ? this : nullptr;
}

void RecorderWindow::messageBox(const QString& text, const QString& caption)
{
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, dialogParent());
    box.setTextFormat(Qt::PlainText);
    emit dialogAboutToOpen(&box);
    box.exec();
}

QString RecorderWindow::inputBox(const QString& prompt, const QString& title,
                                 const QString& defaultAnswer)
{
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(title);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultAnswer);
    emit dialogAboutToOpen(&dialog);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

// ---- Data file status ----

void RecorderWindow::showDataFileStatus(const DataFileStatus& status)
{
    if (status.ok && !m_failedWrite)
        return;
    m_failedWrite = status.ok ? std::nullopt : std::optional<DataFileStatus>(status);
    showLabel7();
}

void RecorderWindow::showLabel7()
{
    // A failed write stays in sight, without a dialog that the next
    // measurement key would dismiss, until a write succeeds again.
    QPalette palette = QApplication::palette(m_label7);
    if (m_failedWrite) {
        const DataFileStatus& failure = *m_failedWrite;
        palette.setColor(QPalette::Window, BgrColors::toQColor(Colors::Red));
        palette.setColor(QPalette::WindowText, Qt::white);
        m_label7->setText(failure.unwrittenRows > 0
                              ? u"書込失敗 未書込%1行"_s.arg(failure.unwrittenRows)
                              : u"書込失敗"_s);
        m_label7->setToolTip(
            u"データファイルに書き込めません。\n%1\n%2"_s.arg(
                QDir::toNativeSeparators(failure.path), failure.reason) +
            (failure.unwrittenRows > 0
                 ? u"\n未書込の %1 行は次の書込で再び書き込みます。"_s.arg(failure.unwrittenRows)
                 : QString()));
    } else {
        palette.setColor(QPalette::Window, palette.color(QPalette::Base));
        m_label7->setText(m_label7Caption);
        m_label7->setToolTip(QString());
    }
    m_label7->setPalette(palette);
}
