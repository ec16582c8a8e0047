#pragma once

// The real main window, started the way the program starts it, in a fresh
// folder below `baseFolder` that already has its "DATA" folder (so no message
// box interrupts the load step), shown and active.

#include "measurement/Clock.h"
#include "ui/RecorderWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

namespace Bench
{

class BenchWindow
{
public:
    BenchWindow(const Clock& clock, const QString& baseFolder)
        : m_dir(QDir(baseFolder).filePath(QStringLiteral("quellmark-bench-XXXXXX")))
    {
        if (!m_dir.isValid() || !QDir(m_dir.path()).mkdir(QStringLiteral("DATA"))) {
            std::fprintf(stderr, "cannot make a working folder below %s\n", qPrintable(baseFolder));
            std::exit(2);
        }
        m_window = std::make_unique<RecorderWindow>(clock, QDir(m_dir.path()));
        m_window->show();
        m_window->activateWindow();
        createKeyboardDevice();
        if (!QTest::qWaitForWindowActive(m_window.get())) {
            std::fprintf(stderr, "the main window did not become active\n");
            std::exit(2);
        }
    }

    RecorderWindow& window() { return *m_window; }
    RecorderForm& form() { return m_window->form(); }
    QString folder() const { return m_dir.path(); }

    // Where a key typed now would go (the key catcher after start-up and
    // after every measurement key).
    static QWidget* keyTarget() { return QApplication::focusWidget(); }

    // Run once on the user-interface thread before another thread makes key
    // events: the first key event creates the application's keyboard device,
    // which belongs to the application object and so to this thread.
    static void createKeyboardDevice() { delete enterKey(0); }

    static QKeyEvent* enterKey(qint64 pressedAtNs)
    {
        auto* event =
            new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
        // Milliseconds on the steady clock, as an X server stamps its events.
        event->setTimestamp(quint64(pressedAtNs / 1'000'000));
        return event;
    }

    // The first click of the Save/Clear button: the pending reading reaches
    // the data file.
    void endMeasurement()
    {
        auto* button = m_window->findChild<QPushButton*>(QStringLiteral("ComClear"));
        if (!button) {
            std::fprintf(stderr, "no ComClear button\n");
            std::exit(2);
        }
        button->click();
    }

    QString dataFilePath()
    {
        QString name = form().data.dataFileName;
        name.replace(u'\\', u'/');
        return QDir(m_dir.path()).filePath(name);
    }

    // Lap column of the data rows by reading number, as the file holds them.
    std::map<int, double> recordedLaps()
    {
        std::map<int, double> laps;
        QFile file(dataFilePath());
        if (!file.open(QIODevice::ReadOnly))
            return laps;
        // Only the bare number fields are read, and code page 932 leaves
        // ASCII as it is.
        for (const QByteArray& row : file.readAll().split('\n')) {
            const QList<QByteArray> fields = row.split(',');
            if (fields.size() < 4 || fields[0].isEmpty() || fields[0].startsWith('"'))
                continue;
            bool numberOk = false;
            bool lapOk = false;
            const int number = fields[0].toInt(&numberOk);
            const double lap = fields[3].toDouble(&lapOk);
            if (numberOk && lapOk)
                laps[number] = lap;
        }
        return laps;
    }

private:
    // Declared first: the window, and the writer within it, go before the folder.
    QTemporaryDir m_dir;
    std::unique_ptr<RecorderWindow> m_window;
};

} // namespace Bench
