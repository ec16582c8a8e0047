#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "datafile/RowKinds.h"
#include "measurement/MeasurementState.h"

// Records an edited subject block where it happened: between two readings
// while measuring, or once more after the end.
void RecorderForm::ComSave_Click()
{
    if (isMeasuring(m_form))
        insertChangeDuringMeasurement();
    m_form.setOptionValue(false);
    m_form.setFocus(Text2);
    if (isMeasuring(m_form))
        m_form.setBackColor(TxEventTime, Colors::Yellow);
    if (isSaved(m_form))
        m_form.setBackColor(TxEventTime, Colors::Green);
    if (stateIs(m_form, StateWord::WaitingToStart))
        m_form.setBackColor(TxEventTime, Colors::SkyBlue);
    if (isSaved(m_form))
        insertChangeAfterEnd();
}

void RecorderForm::insertChangeDuringMeasurement()
{
    takeOverRemark();
    if (data.rowRemark.isEmpty())
        m_form.appendText(TxEventTime, ScreenTexts::CrLf);
    m_form.appendText(TxEventTime, subjectSummary());
    data.remarkFiller = data.rowRemark.isEmpty() ? QString() : QStringLiteral(" --");
    writeRows({pendingRow()});
    data.changedSubject = subjectLines();
    data.subjectChangePending = true;
    // A BackSpace before the next event marks the captured block.
    data.remarkFiller = QStringLiteral(" --");
    keepUnwrittenRows(true);
}

void RecorderForm::insertChangeAfterEnd()
{
    m_form.appendText(TxEventTime,
                      ScreenTexts::CrLf + ScreenTexts::AfterEndSummary + subjectLines().join(u','));
    writeRows({RowKinds::afterEndChangeRow(subjectLines())});
    keepUnwrittenRows(false);
}
