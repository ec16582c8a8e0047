#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "datafile/PendingRecovery.h"
#include "measurement/MeasurementState.h"

void RecorderForm::Form_Load()
{
    data = MeasurementData{};

    // Only the first start in a folder creates "DATA" and says so; any failure
    // (the folder or a file of that name exists, no permission) stays silent.
    const QDir& workingDir = m_writer.workingDir();
    if (!workingDir.exists(QStringLiteral("DATA"))) {
        if (workingDir.mkdir(QStringLiteral("DATA")))
            m_form.messageBox(QDir::toNativeSeparators(workingDir.absolutePath()) +
                                  ScreenTexts::FolderCreated,
                              ScreenTexts::ApplicationTitle);
        return;
    }
    recoverPendingRows();
}

void RecorderForm::recoverPendingRows()
{
    const PendingRecovery recovery = ::recoverPendingRows(m_writer);
    if (!recovery.recovered.isEmpty() || !recovery.notWritten.isEmpty())
        m_form.showDataFileStatus({recovery.lastWrite.ok, recovery.lastWrite.path,
                                   recovery.lastWrite.reason, recovery.lastWrite.unwrittenRows});
    if (!recovery.anythingToTell())
        return;
    QString text;
    if (!recovery.recovered.isEmpty())
        text += ScreenTexts::PendingRowsRecovered + ScreenTexts::CrLf +
                recovery.recovered.join(ScreenTexts::CrLf);
    const auto addPart = [&text](const QString& heading, const QStringList& paths) {
        if (paths.isEmpty())
            return;
        if (!text.isEmpty())
            text += ScreenTexts::CrLf + ScreenTexts::CrLf;
        text += heading + ScreenTexts::CrLf + paths.join(ScreenTexts::CrLf);
    };
    addPart(ScreenTexts::PendingRowsNotWritten, recovery.notWritten);
    addPart(ScreenTexts::PendingRowsUnreadable, recovery.unreadable);
    addPart(ScreenTexts::PendingRowsLeftAlone, recovery.leftAlone);
    m_form.messageBox(text, ScreenTexts::ApplicationTitle);
}

void RecorderForm::Form_Activate()
{
    m_form.setFocus(Text2);
    // During and after a measurement the user is still working with the rows
    // on screen (the last one may yet be marked NG), so they stay.
    if (!isMeasuring(m_form) && !isSaved(m_form))
        m_form.setText(TxEventTime, ScreenTexts::Greeting);
}

void RecorderForm::Form_Unload(int& cancel)
{
    if (isMeasuring(m_form))
        cancel = 1;
}

void RecorderForm::endBeforeExit()
{
    if (isMeasuring(m_form))
        endMeasurement();
}

QStringList RecorderForm::saveUnwrittenRows()
{
    const QStringList lost = m_writer.saveRecoveryFiles();
    // Rows now in a recovery file must not come back into the data file too.
    keepUnwrittenRows(isMeasuring(m_form) && data.eventCount > 0);
    return lost;
}
