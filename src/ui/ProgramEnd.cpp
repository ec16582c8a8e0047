#include "ui/ProgramEnd.h"

#include "app/ShutdownSignals.h"
#include "ui/RecorderWindow.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QSessionManager>

using namespace Qt::StringLiterals;

namespace
{

// A modal dialog runs an event loop of its own, which a quit does not end
// while the handler that opened it waits for its answer.
void closeModalDialogs()
{
    // Bounded: a widget that will not close must not hold the program.
    for (int i = 0; i < 16; ++i) {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

} // namespace

const ShutdownSignals& endMeasurementOnSystemRequest(QApplication& app, RecorderWindow& window)
{
    auto* signals_ = new ShutdownSignals(&app);
    QObject::connect(signals_, &ShutdownSignals::shutdownRequested, &window, [&window] {
        closeModalDialogs();
        if (ShutdownSignals::endsWithinHandler()) {
            // The page is going: nothing after this handler runs, and a page
            // kept for the browser's back button must not come back dead.
            window.form().endBeforeExit();
            return;
        }
        // The handler that opened the dialog returns first, so that the end
        // does not run in the middle of it.
        QMetaObject::invokeMethod(
            &window,
            [&window] {
                closeModalDialogs();
                window.form().endBeforeExit();
                QApplication::quit();
            },
            Qt::QueuedConnection);
    });
#ifndef QT_NO_SESSIONMANAGER
    // The session may still be cancelled after this; the measurement is
    // ended all the same, since nothing tells us in time whether it will be.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.form().endBeforeExit(); });
#endif
    return *signals_;
}

void saveUnwrittenRowsAtExit(RecorderWindow& window)
{
    const QStringList lost = window.form().saveUnwrittenRows();
    if (lost.isEmpty())
        return;
    QString text = u"次のデータファイルに書き込めなかった行があります。"
                   u"その行は予備ファイルにも保存できませんでした。"_s;
    for (const QString& path : lost)
        text += u"\n"_s + QDir::toNativeSeparators(path);
    window.messageBox(text, u"Quellmark"_s);
}
