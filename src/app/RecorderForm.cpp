#include "app/RecorderForm.h"

#include "app/ScreenTexts.h"
#include "datafile/DataFileName.h"
#include "datafile/PendingSidecar.h"
#include "datafile/RowKinds.h"
#include "measurement/MeasurementState.h"

#include <algorithm>

namespace
{
// Screen order of the subject block, top to bottom.
constexpr int SubjectOrder[] = {6, 0, 1, 2, 3};
} // namespace

RecorderForm::RecorderForm(FormControls& controls, const Clock& clock, QDir workingDir)
    : m_form(controls), m_clock(clock), m_writer(std::move(workingDir))
{
}

QStringList RecorderForm::subjectLines() const
{
    QStringList lines;
    for (int index : SubjectOrder)
        lines.append(m_form.text(text1(index)));
    return lines;
}

QString RecorderForm::subjectSummary() const
{
    return ScreenTexts::SubjectSummary + subjectLines().join(u',');
}

void RecorderForm::takeOverRemark()
{
    data.rowRemark = data.pendingRemark;
    data.pendingRemark.clear();
}

CsvRow RecorderForm::pendingRow() const
{
    return pendingRowWithRemark(data.remarkFiller + data.rowRemark);
}

CsvRow RecorderForm::pendingRowToBeWritten() const
{
    return pendingRowWithRemark(
        data.pendingRemark.isEmpty() ? QString() : QStringLiteral(" --") + data.pendingRemark);
}

CsvRow RecorderForm::pendingRowWithRemark(const QString& remark) const
{
    if (data.subjectChangePending)
        return RowKinds::changedSubjectRow(data.changedSubject, remark);
    return RowKinds::dataRow(data.eventCount - 1, data.pendingTime, data.pendingElapsed,
                             data.pendingLap, data.pendingTarget, remark);
}

void RecorderForm::writeRows(const QList<CsvRow>& rows)
{
    const DataFileWriter::Result result = m_writer.write(data.dataFileName, rows);
    m_writeFailed = !result.ok;
    m_form.showDataFileStatus({result.ok, result.path, result.reason, result.unwrittenRows});
}

void RecorderForm::keepUnwrittenRows(bool withPendingRow)
{
    const QDir& dir = m_writer.workingDir();
    QStringList names = m_writer.queuedFileNames();
    if (withPendingRow && !names.contains(data.dataFileName))
        names.append(data.dataFileName);
    QStringList paths;
    for (const QString& name : names)
        paths.append(localPath(name, dir));
    // Files that have got all their rows since the last event.
    for (const QString& path : m_pendingRow.dataFilePaths()) {
        if (!paths.contains(path))
            m_pendingRow.keep(path, {});
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QString& name = names[i];
        QByteArray rows = m_writer.queuedRows(name);
        if (withPendingRow && name == data.dataFileName)
            rows += encodeRow(pendingRowToBeWritten());
        const PendingRowFile::Result result =
            m_pendingRow.keep(paths[i], sidecarBytes(rows, m_writer.writtenSize(name),
                                                     m_writer.lastRowWritten(name)));
        // Reported like a failed data-file write, without a dialog; the
        // measurement goes on, and the rows still reach the data file at the
        // next event.
        if (!result.ok && !m_writeFailed)
            m_form.showDataFileStatus(
                {false, result.path, result.reason, m_writer.unwrittenRowCount()});
    }
}

qint64 RecorderForm::pressInstant(const KeyPress& key) const
{
    const qint64 now = m_clock.monotonicNs();
    qint64 at = std::min(key.pressedAtNs.value_or(now), now);
    // Two presses never come out in the wrong order, whatever the event said.
    if (data.eventCount > 0)
        at = std::max(at, data.lastReadingNs);
    return at;
}

QDateTime RecorderForm::wallTimeAt(qint64 monotonicNs) const
{
    const qint64 agoMs = (m_clock.monotonicNs() - monotonicNs) / 1'000'000;
    return m_clock.wallTime().addMSecs(-agoMs);
}
