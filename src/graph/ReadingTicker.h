#pragma once

#include <qcustomplot.h>

// Ticks for reading numbers: whole numbers only, and never closer than their
// labels are wide, so that a long measurement's numbers do not run together.
class ReadingTicker : public QCPAxisTicker
{
public:
    explicit ReadingTicker(const QCPAxis* axis) : m_axis(axis) {}

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;

private:
    const QCPAxis* m_axis;
};
