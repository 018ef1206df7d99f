#include "service/daemon/QuorbelService.h"

#include "service/daemon/Recovery.h"
#include "service/daemon/ServiceLog.h"

#include <csignal>
#include <cstring>
#include <sys/epoll.h>
#include <sys/signalfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace quorbel {

namespace {

sigset_t ShutdownSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGQUIT);
    sigaddset(&set, SIGHUP);
    return set;
}

int AddToEpoll(int iEpoll, int fd) {
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    return epoll_ctl(iEpoll, EPOLL_CTL_ADD, fd, &ev) == 0 ? 0 : errno;
}

} // namespace

CQuorbelService::CQuorbelService(const SERVICE_OPTIONS& options)
    : m_Options(options), m_State(options.strStateDir), m_Watcher(m_ProcFs, m_State),
      m_Table(m_Watcher, m_State), m_Handler(m_Table, &OnMissionsChanged, this),
      m_Server(m_Handler, options.policy) {}

CQuorbelService::~CQuorbelService() {
    Shutdown();
    for (int fd : {m_iEpoll, m_iSignal, m_iTimer}) {
        if (fd >= 0)
            close(fd);
    }
}

void CQuorbelService::BlockSignals() {
    sigset_t set = ShutdownSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    // Replies go with MSG_NOSIGNAL; this covers everything else.
    signal(SIGPIPE, SIG_IGN);
}

int CQuorbelService::Start() {
    if (int err = m_State.Lock()) {
        if (err == EWOULDBLOCK)
            ServiceNotice("another service uses the state folder %s",
                          m_Options.strStateDir.c_str());
        else
            ServiceNotice("cannot use the state folder %s: %s", m_Options.strStateDir.c_str(),
                          std::strerror(err));
        return err;
    }
    m_bLocked = true;
    // Before anything new is mounted or stopped: what an earlier run left.
    RecoverLeftovers(m_State.Load(), m_ProcFs);
    m_State.Clear();

    if (int err = m_Server.Listen(m_Options.strDevice)) {
        if (err == EADDRINUSE)
            ServiceNotice("a service already answers on %s", m_Options.strDevice.c_str());
        else
            ServiceNotice("cannot open the device %s: %s", m_Options.strDevice.c_str(),
                          std::strerror(err));
        return err;
    }
    sigset_t set = ShutdownSignals();
    m_iEpoll = epoll_create1(EPOLL_CLOEXEC);
    m_iSignal = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    m_iTimer = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    if (m_iEpoll < 0 || m_iSignal < 0 || m_iTimer < 0)
        return errno;
    if (int err = AddToEpoll(m_iEpoll, m_iSignal))
        return err;
    if (int err = AddToEpoll(m_iEpoll, m_iTimer))
        return err;
    if (int err = m_Server.Attach(m_iEpoll))
        return err;
    ServiceNotice("serving %s", m_Options.strDevice.c_str());
    return 0;
}

void CQuorbelService::OnMissionsChanged(void* pContext) {
    static_cast<CQuorbelService*>(pContext)->m_bChanged = true;
}

void CQuorbelService::FollowProcessEvents() {
    if (m_Watcher.Empty()) {
        if (m_Events.IsOpen()) {
            epoll_ctl(m_iEpoll, EPOLL_CTL_DEL, m_Events.Fd(), nullptr);
            m_Events.Close();
        }
        return;
    }
    if (m_Events.IsOpen() || m_bEventsRefused)
        return;
    int err = m_Events.Open();
    if (err == 0) {
        err = AddToEpoll(m_iEpoll, m_Events.Fd());
        if (err != 0)
            m_Events.Close();
    }
    if (err != 0) {
        // Processes are still found by looking through /proc, only later.
        ServiceNotice("no process events (%s): new processes are found by polling",
                      std::strerror(err));
        m_bEventsRefused = true;
    }
}

void CQuorbelService::ReadProcessEvents() {
    const bool bComplete =
        m_Events.Drain([this](CProcEvents::Kind, pid_t pid) { m_Watcher.Look(pid); });
    if (!bComplete)
        m_Watcher.ScanSoon();
}

void CQuorbelService::RunWatcher() {
    FollowProcessEvents();
    itimerspec wake{};
    if (!m_Watcher.Empty()) {
        const auto next = m_Watcher.Tick();
        const long long ns = next.count();
        wake.it_value.tv_sec = static_cast<time_t>(ns / 1000000000LL);
        wake.it_value.tv_nsec = static_cast<long>(ns % 1000000000LL);
        if (wake.it_value.tv_sec == 0 && wake.it_value.tv_nsec == 0)
            wake.it_value.tv_nsec = 1;
    }
    // All zero disarms: no process missions, no wake-ups.
    timerfd_settime(m_iTimer, 0, &wake, nullptr);
}

int CQuorbelService::Run() {
    bool bStop = false;
    while (!bStop) {
        epoll_event events[16];
        int n = epoll_wait(m_iEpoll, events, 16, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ServiceNotice("event loop failed: %s", std::strerror(errno));
            break;
        }
        for (int i = 0; i < n; ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_iSignal) {
                signalfd_siginfo info;
                while (read(m_iSignal, &info, sizeof(info)) == sizeof(info)) {
                    // A hang-up is no reason for a service to stop.
                    if (info.ssi_signo != SIGHUP) {
                        ServiceNotice("signal %u: stopping", info.ssi_signo);
                        bStop = true;
                    }
                }
            } else if (m_Events.IsOpen() && fd == m_Events.Fd()) {
                ReadProcessEvents();
                m_bChanged = true;
            } else if (fd == m_iTimer) {
                std::uint64_t uExpired;
                (void)!read(m_iTimer, &uExpired, sizeof(uExpired));
                m_bChanged = true;
            } else {
                m_Server.Dispatch(fd, events[i].events);
            }
        }
        if (m_bChanged && !bStop) {
            m_bChanged = false;
            RunWatcher();
        }
    }
    Shutdown();
    return 0;
}

void CQuorbelService::Shutdown() {
    // Without the lock the record belongs to another service.
    if (!m_bLocked)
        return;
    m_Table.ClearAll();
    m_Watcher.RemoveAll();
    m_Events.Close();
    m_Server.Close();
    m_State.Clear();
}

} // namespace quorbel
