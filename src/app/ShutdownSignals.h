#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;
class SessionEndFilter;

// Turns the system's requests to end the program (SIGTERM, SIGHUP, SIGINT;
// on Windows the end of the session: log off, shut down, restart; in a page
// the tab closed or the page left) into a Qt signal on the user-interface
// thread, so that a running
// measurement can be ended and written before the program goes. Also keeps a
// file-size limit from killing the program: the write then fails and its
// rows stay queued like any other failed write.
class ShutdownSignals final : public QObject
{
    Q_OBJECT
public:
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

    // Whether a request has come in (been handed on as shutdownRequested).
    bool received() const { return m_received; }
    // Whether the program is gone once the handler of shutdownRequested
    // returns (a page's end): the measurement must be ended within it, as
    // nothing queued runs any more.
    static bool endsWithinHandler();

signals:
    void shutdownRequested(int signalNumber);

private:
    friend void handOnPageEnd();
    void readSignal();
    QSocketNotifier* m_notifier = nullptr;
    bool m_received = false;
    std::unique_ptr<SessionEndFilter> m_sessionEnd;
};
