#pragma once

#include "app/RecorderForm.h"
#include "datafile/DataFileName.h"
#include "measurement/MeasurementState.h"
#include "support/DataFileReading.h"
#include "support/FakeClock.h"
#include "support/FakeForm.h"

#include <QDir>
#include <QTemporaryDir>

#include <memory>

// The logic with a fake window and a fake clock, working in a fresh folder
// that already has its "DATA" folder.
struct FormHarness {
    QTemporaryDir dir;
    FakeForm form;
    FakeClock clock;
    std::unique_ptr<RecorderForm> logic;

    FormHarness()
    {
        QDir(dir.path()).mkdir(QStringLiteral("DATA"));
        logic = std::make_unique<RecorderForm>(form, clock, QDir(dir.path()));
        logic->Form_Load();
        logic->Form_Activate();
    }

    void key(int code, int shift = 0) { logic->Form_KeyDown({code, shift, false, std::nullopt}); }
    void enter() { key(KeyCode::Enter); }
    void enterPressedAt(qint64 ns) { logic->Form_KeyDown({KeyCode::Enter, 0, false, ns}); }
    void backSpace() { key(KeyCode::BackSpace); }

    QString screen() const { return form.text(TxEventTime); }
    QStringList screenLines() const { return screen().split(QStringLiteral("\r\n")); }
    QString box(int index) const { return form.text(text1(index)); }
    void setBox(int index, const QString& text) { form.setText(text1(index), text); }
    void setSubject(const QStringList& lines)
    {
        const int order[] = {6, 0, 1, 2, 3};
        for (int i = 0; i < 5; ++i)
            setBox(order[i], lines.value(i));
    }

    QString dataFilePath() const { return localPath(logic->data.dataFileName, QDir(dir.path())); }
    QStringList rows() const { return readRows(dataFilePath()); }
};
