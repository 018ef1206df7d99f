#include "app/SignalExit.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_SignalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
struct sigaction g_Previous[3];

void OnSystemSignal(int nSignal) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(nSignal);
    // Nothing else is safe in a signal handler; a full pipe already holds a
    // pending exit, so a failed write loses nothing.
    [[maybe_unused]] ssize_t n = ::write(g_SignalPipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

CSignalExit::CSignalExit(std::function<void(int)> fnExit, QObject* pParent)
    : QObject(pParent), m_fnExit(std::move(fnExit)) {
    if (g_SignalPipe[0] >= 0 || ::pipe2(g_SignalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_pNotifier = new QSocketNotifier(g_SignalPipe[0], QSocketNotifier::Read, this);
    connect(m_pNotifier, &QSocketNotifier::activated, this, &CSignalExit::OnSignal);
    for (std::size_t i = 0; i < std::size(kSignals); ++i) {
        struct sigaction action {};
        action.sa_handler = OnSystemSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(kSignals[i], &action, &g_Previous[i]);
    }
}

CSignalExit::~CSignalExit() {
    if (!m_pNotifier)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_Previous[i], nullptr);
    delete m_pNotifier;
    m_pNotifier = nullptr;
    ::close(g_SignalPipe[0]);
    ::close(g_SignalPipe[1]);
    g_SignalPipe[0] = g_SignalPipe[1] = -1;
}

void CSignalExit::OnSignal() {
    unsigned char byte = 0;
    while (::read(g_SignalPipe[0], &byte, 1) == 1) {
        if (m_fnExit)
            m_fnExit(byte);
    }
}
