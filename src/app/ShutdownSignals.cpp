#include "app/ShutdownSignals.h"

#include <QSocketNotifier>

#if defined(Q_OS_WASM)

#include <csignal>
#include <emscripten.h>

// The page hands on its end itself (quellmarkPageEnds, from its pagehide).
class SessionEndFilter
{
};

namespace
{
ShutdownSignals* pageOwner = nullptr;
} // namespace

void handOnPageEnd()
{
    if (pageOwner && !pageOwner->m_received) {
        pageOwner->m_received = true;
        emit pageOwner->shutdownRequested(SIGTERM);
    }
}

// Called by the page when the tab is closed or the page left, before the
// page syncs the files to the browser's storage one last time.
extern "C" EMSCRIPTEN_KEEPALIVE void quellmarkPageEnds()
{
    handOnPageEnd();
}

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent)
{
    pageOwner = this;
}

ShutdownSignals::~ShutdownSignals()
{
    pageOwner = nullptr;
}

bool ShutdownSignals::endsWithinHandler()
{
    return true;
}

void ShutdownSignals::readSignal() {}

#elif defined(Q_OS_UNIX)
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

// The end of the session comes as a signal here.
class SessionEndFilter
{
};

namespace
{
int signalPipe[2] = {-1, -1};

// Only async-signal-safe calls here: hand the number to the event loop.
void onSignal(int signalNumber)
{
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    const int savedErrno = errno;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent)
{
    std::signal(SIGXFSZ, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0)
        return;
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readSignal);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(s, &action, nullptr);
}

ShutdownSignals::~ShutdownSignals()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(s, &action, nullptr);
    delete m_notifier;
    ::close(signalPipe[0]);
    ::close(signalPipe[1]);
    signalPipe[0] = signalPipe[1] = -1;
}

bool ShutdownSignals::endsWithinHandler()
{
    return false;
}

void ShutdownSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(signalPipe[0], &byte, 1) == 1) {
        m_received = true;
        emit shutdownRequested(byte);
    }
}

#elif defined(Q_OS_WIN)

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <csignal>
#include <qt_windows.h>

// Every top-level window gets WM_ENDSESSION when the session ends; once it
// has been answered the process may be ended at any moment, so the request
// is handed on at once, while the message is being handled. The session is
// never refused or held up: the filter only watches.
class SessionEndFilter final : public QAbstractNativeEventFilter
{
public:
    explicit SessionEndFilter(ShutdownSignals& owner) : m_owner(owner) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (m_handed || eventType != "windows_generic_MSG")
            return false;
        const MSG* msg = static_cast<const MSG*>(message);
        if (msg->message == WM_ENDSESSION && msg->wParam) {
            m_handed = true;
            emit m_owner.shutdownRequested(SIGTERM);
        }
        return false;
    }

private:
    ShutdownSignals& m_owner;
    bool m_handed = false;
};

ShutdownSignals::ShutdownSignals(QObject* parent)
    : QObject(parent), m_sessionEnd(std::make_unique<SessionEndFilter>(*this))
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installNativeEventFilter(m_sessionEnd.get());
}

ShutdownSignals::~ShutdownSignals()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeNativeEventFilter(m_sessionEnd.get());
}

bool ShutdownSignals::endsWithinHandler()
{
    return false;
}

void ShutdownSignals::readSignal() {}

#endif
