#include "graph/GraphWindow.h"

#include "graph/GraphPlot.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <algorithm>

// Leaving readings out of every fit and statistic, and taking them back: by
// a click on a point, by the reading chosen with the keyboard, or as the
// companion remembered them for this measurement.

void GraphWindow::toggleReading(int number)
{
    using State = MeasurementModel::ReadingState;
    const State state = m_model.readingState(number);
    if (state != State::Used && state != State::Excluded)
        return;
    QSet<int> excluded = m_model.excluded();
    if (state == State::Used)
        excluded.insert(number);
    else
        excluded.remove(number);
    m_model.setExcluded(excluded);
    m_plot->showExclusions();
    if (m_follower)
        noteExclusionsSaved(
            m_exclusions.save(m_follower->path(), m_identity, excluded, &m_exclusionError));
    refreshResults();
    showStatus();
}

void GraphWindow::restoreAllReadings()
{
    m_model.setExcluded({});
    m_plot->showExclusions();
    if (m_follower)
        noteExclusionsSaved(m_exclusions.clear(m_follower->path(), &m_exclusionError));
    refreshResults();
    showStatus();
}

void GraphWindow::noteExclusionsSaved(bool saved)
{
    // A choice that will be gone at the next start must not pass unnoticed.
    if (saved)
        m_exclusionError.clear();
    else
        m_exclusionError = QStringLiteral("除外を記録できません: ") + m_exclusionError;
}

void GraphWindow::restoreExclusions(const QList<ReadRow>& rows)
{
    if (!m_identity.isEmpty() || !m_follower)
        return;
    for (const ReadRow& row : rows) {
        if (row.kind == RowKind::Header || row.kind == RowKind::Subject)
            m_firstRows.append(row);
        else if (row.kind == RowKind::Data)
            break;
    }
    m_identity = measurementIdentity(m_firstRows);
    if (m_identity.isEmpty())
        return;
    m_firstRows.clear();
    m_model.setExcluded(m_exclusions.load(m_follower->path(), m_identity));
    m_plot->showExclusions();
}

void GraphWindow::showChosenReading()
{
    m_readingChooser->setMaximum(std::max(0, m_model.highestReading()));
    const int number = m_readingChooser->value();
    const QString name = QStringLiteral("測定回 %1").arg(number, 3, 10, QLatin1Char('0'));
    const auto point = m_model.readingPoint(number);
    const QString at =
        point ? QStringLiteral("（%1 s）").arg(QString::number(point->first, 'f', 2)) : QString();
    using State = MeasurementModel::ReadingState;
    const State state = m_model.readingState(number);
    QString info;
    switch (state) {
    case State::Missing:
        info = name + QStringLiteral(": 点がありません");
        break;
    case State::Rejected:
        info = name + at + QStringLiteral(": NG（測定中に付けた）");
        break;
    case State::Used:
        info = name + at + QStringLiteral(": 計算に使う");
        break;
    case State::Excluded:
        info = name + at + QStringLiteral(": 除外（計算に使わない）");
        break;
    }
    const bool excluded = state == State::Excluded;
    m_toggleReading->setText(excluded ? QStringLiteral("この点を戻す(&E)")
                                      : QStringLiteral("この点を除外(&E)"));
    m_toggleReading->setEnabled(state == State::Used || excluded);
    m_restoreAll->setEnabled(!m_model.excluded().isEmpty());
    m_readingInfo->setText(info);
    m_readingChooser->setAccessibleDescription(info);
}
