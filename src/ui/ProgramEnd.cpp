#include "ui/ProgramEnd.h"

#include "app/ShutdownSignals.h"
#include "ui/RecorderWindow.h"

#include <QApplication>
#include <QDir>
#include <QSessionManager>

using namespace Qt::StringLiterals;

void endMeasurementOnSystemRequest(QApplication& app, RecorderWindow& window)
{
    auto* signals_ = new ShutdownSignals(&app);
    QObject::connect(signals_, &ShutdownSignals::shutdownRequested, &window, [&window] {
        window.form().endBeforeExit();
        QApplication::quit();
    });
#ifndef QT_NO_SESSIONMANAGER
    // The session may still be cancelled after this; the measurement is
    // ended all the same, since nothing tells us in time whether it will be.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.form().endBeforeExit(); });
#endif
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
