#pragma once

// The main window's logic. Every handler runs on the user-interface thread,
// reads the state back from the controls through FormControls, and keeps the
// data of a running measurement in `data`. The Qt window (ui/) forwards its
// events here; tests drive the same handlers through a fake window.

#include "app/FormControls.h"
#include "app/KeyPress.h"
#include "datafile/CsvRow.h"
#include "datafile/DataFileWriter.h"
#include "datafile/PendingRowFile.h"
#include "measurement/Clock.h"
#include "measurement/MeasurementData.h"

#include <QDir>
#include <QStringList>

class RecorderForm
{
public:
    RecorderForm(FormControls& controls, const Clock& clock, QDir workingDir = QDir::current());

    // Window life cycle.
    void Form_Load();
    void Form_Activate();
    void Form_Unload(int& cancel);

    // Window-level key handling (key preview): sees every key first.
    void Form_KeyDown(const KeyPress& key);

    void Timer1_Timer();
    void Timer2_Timer();

    // Subject text, prompts and the two buttons.
    void Label6_Click();
    void Text1_Click(int index);
    void Text1_KeyDown(int index, int keyCode, int shift);
    void ComClear_Click();
    void ComSave_Click();

    // The system is ending the program (a signal, the session logging out):
    // a running measurement ends exactly as the end click ends it, so its
    // last reading and the end subject row reach the file.
    void endBeforeExit();
    // Rows no write could deliver go to a recovery file beside their data
    // file. Returns the paths where even that failed, for the user to hear of.
    QStringList saveUnwrittenRows();

    MeasurementData data;

    const DataFileWriter& writer() const { return m_writer; }

private:
    void measurementKey(const KeyPress& key);
    void targetKey(int keyCode);
    void rejectLastReading();

    void leaveInputMode();
    void enterInputModeByClick(int index, bool& optionBefore);
    void valuePrompt(int index, bool optionBefore);
    void endMeasurement();
    void clearWindow();
    void insertChangeDuringMeasurement();
    void insertChangeAfterEnd();

    // Rows of the pending reading or of a captured subject block.
    CsvRow pendingRow() const;
    // The same row as the next writing event will write it: with the remark
    // that event will take over.
    CsvRow pendingRowToBeWritten() const;
    CsvRow pendingRowWithRemark(const QString& remark) const;
    // Keeps every row that no data file has got yet in the sidecar of its
    // file, so that a crash cannot lose it: rows queued after a failed write,
    // then (with `withPendingRow`) the pending row of the running measurement.
    void keepUnwrittenRows(bool withPendingRow);
    void recoverPendingRows();
    void takeOverRemark();
    void writeRows(const QList<CsvRow>& rows);

    QStringList subjectLines() const;
    QString subjectSummary() const;
    qint64 pressInstant(const KeyPress& key) const;
    QDateTime wallTimeAt(qint64 monotonicNs) const;

    FormControls& m_form;
    const Clock& m_clock;
    DataFileWriter m_writer;
    PendingRowFile m_pendingRow;
    // Whether this handler's data-file write failed: its report in Label7
    // matters more than one about the sidecar.
    bool m_writeFailed = false;
};
