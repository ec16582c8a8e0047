#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The data a measurement carries from one handler to the next. The state
// itself (state word, input mode, colours) lives in the window's controls.
struct MeasurementData {
    double targetValue = 0.0;
    double increment = 0.0;
    double initialTarget = 0.0;
    double initialIncrement = 0.0;
    float promptValue = 0.0f;

    // Seconds since the first reading, from the monotonic clock.
    double elapsedCounter = 0.0;
    double previousElapsed = 0.0;
    double readingElapsed = 0.0;
    double lapSeconds = 0.0;
    QString elapsedText;
    QString lapText;

    // The pending row: the last reading shown, not yet in the data file.
    QString pendingRemark;
    QString rowRemark;
    QString remarkFiller;
    QString pendingTime;
    double pendingElapsed = 0.0;
    double pendingLap = 0.0;
    double pendingTarget = 0.0;

    QString dataFileName;
    int eventCount = 0;
    bool subjectChangePending = false;
    QStringList changedSubject;

    // Monotonic instant of the first reading (the origin of elapsedCounter)
    // and of the last one (laps never run backwards).
    qint64 measurementStartNs = 0;
    qint64 lastReadingNs = 0;
};
