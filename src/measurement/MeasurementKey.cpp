#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "datafile/DataFileName.h"
#include "datafile/RowKinds.h"
#include "measurement/MeasurementState.h"
#include "numbers/NumberText.h"
#include "measurement/TimeTexts.h"

#include <cmath>

void RecorderForm::Form_KeyDown(const KeyPress& key)
{
    if (isSaved(m_form) || m_form.optionValue())
        return;
    switch (key.keyCode) {
    case KeyCode::Enter:
    case KeyCode::Space:
        // Holding the key down is one press, not a burst of junk readings.
        if (!key.autoRepeat)
            measurementKey(key);
        return;
    case KeyCode::BackSpace:
        rejectLastReading();
        return;
    default:
        if (key.shift == 0)
            targetKey(key.keyCode);
        return;
    }
}

namespace
{
QString padLeft(const QString& text, int width)
{
    return text.rightJustified(width, u' ');
}
} // namespace

void RecorderForm::measurementKey(const KeyPress& key)
{
    const qint64 pressedAt = pressInstant(key);
    const QDateTime pressedWall = wallTimeAt(pressedAt);

    m_form.setFocus(Text2);
    m_form.setText(Text2, QString());
    takeOverRemark();
    if (data.rowRemark.isEmpty())
        data.remarkFiller.clear();

    if (data.eventCount == 0) {
        m_form.setEnabled(ComClear, true);
        m_form.setEnabled(ComSave, true);
        m_form.setText(TxEventTime, QString());
        m_form.setBackColor(TxEventTime, Colors::Yellow);
        m_form.setText(TxStartTime, timeOfDayText(pressedWall));
        m_form.setEnabled(Timer2, true);
        data.measurementStartNs = pressedAt;
        data.elapsedCounter = 0.0;
        data.previousElapsed = 0.0;
        m_form.setVisible(Label4, true);
        m_form.setCaption(Label4, StateWord::Measuring);
        m_form.setBackColor(Label4, Colors::Yellow);
        data.dataFileName =
            freeDataFileName(pressedWall, m_writer.workingDir(), m_writer.queuedFileNames());
        writeRows({RowKinds::headerRow(data.dataFileName, pressedWall.date()),
                   RowKinds::subjectRow(subjectLines()),
                   RowKinds::columnTitleRow(m_form.text(text1(7)))});
        data.targetValue = numericValue(m_form.text(text1(4)));
        m_form.appendText(TxEventTime, subjectSummary() + ScreenTexts::CrLf);
        m_form.setCaption(Label7, data.dataFileName.mid(5));
    } else {
        if (data.rowRemark.isEmpty())
            m_form.appendText(TxEventTime, ScreenTexts::CrLf);
        else
            data.remarkFiller = QStringLiteral(" --");
        writeRows({pendingRow()});
        data.subjectChangePending = false;
    }

    data.pendingTime = timeOfDayText(pressedWall);
    data.elapsedCounter = double(pressedAt - data.measurementStartNs) / 1e9;
    data.lastReadingNs = pressedAt;
    data.readingElapsed = data.elapsedCounter;
    data.lapSeconds = data.readingElapsed - data.previousElapsed;
    data.elapsedText = padLeft(fixedTwoDecimals(data.readingElapsed), 10);
    data.lapText = padLeft(fixedTwoDecimals(data.lapSeconds), 10);

    const QString target = signedText(data.targetValue);
    m_form.appendText(TxEventTime, readingNumberText(data.eventCount) + QStringLiteral("   ") +
                                       data.pendingTime + QStringLiteral("  ") + data.elapsedText +
                                       QStringLiteral("  ") + data.lapText +
                                       QStringLiteral("    ") + target);

    data.pendingElapsed = numericValue(data.elapsedText);
    data.pendingLap = numericValue(data.lapText);
    data.pendingTarget = data.targetValue;
    data.remarkFiller = u' ' + QString(std::max(0, 11 - int(target.size())), u'-');
    data.previousElapsed = data.readingElapsed;

    const double next = numericValue(m_form.text(text1(4))) + numericValue(m_form.text(text1(5)));
    if (std::isfinite(next)) {
        data.targetValue = next;
        m_form.setText(text1(4), generalNumber(next));
    }
    ++data.eventCount;
    keepUnwrittenRows(true);
    m_form.setFocus(Text2);
}
