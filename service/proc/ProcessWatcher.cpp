#include "service/proc/ProcessWatcher.h"

#include <csignal>
#include <set>
#include <sys/syscall.h>
#include <unistd.h>

namespace quorbel {

namespace {

using std::chrono::nanoseconds;

// A process is looked at this many scans after it appeared, because a fresh
// fork still shows its parent's name until it runs exec.
constexpr int kYoungChecks = 8;

// Through the system calls themselves: the C library's wrappers are not
// declared for C++ everywhere.
int PidFdOpen(pid_t pid) {
    return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
}

int PidFdSignal(int fd, int iSignal) {
    return static_cast<int>(syscall(SYS_pidfd_send_signal, fd, iSignal, nullptr, 0));
}

bool HasLimits(const METER_LIMITS& l) {
    return l.uLimitReadSpeed != FLOW_NO_SPEED_LIMIT || l.uLimitWriteSpeed != FLOW_NO_SPEED_LIMIT ||
           l.llLimitTotalReads < FLOW_NO_TOTAL_LIMIT || l.llLimitTotalWrites < FLOW_NO_TOTAL_LIMIT;
}

} // namespace

CProcessWatcher::CProcessWatcher(const CProcFs& procFs, IStopLedger& ledger,
                                 const CMeterClock& clock, WATCHER_TIMING timing)
    : m_ProcFs(procFs), m_Ledger(ledger), m_Clock(clock), m_Timing(timing), m_Self(getpid()) {}

CProcessWatcher::~CProcessWatcher() {
    RemoveAll();
}

void CProcessWatcher::SetMission(const std::string& strName, std::shared_ptr<CFlowMeter> meter,
                                 const METER_LIMITS& limits) {
    auto it = m_Missions.find(strName);
    if (it != m_Missions.end()) {
        it->second.meter = std::move(meter);
        it->second.limits = limits;
        it->second.due = nanoseconds(0);
        return; // the next round applies the new limits to its processes
    }
    // A fresh look, so that every process running now is found now.
    Scan();
    m_NextScan = m_Clock.Now() + m_Timing.scan;
    MISSION& mission = m_Missions[strName];
    mission.meter = std::move(meter);
    mission.limits = limits;
    mission.uAddedScan = m_uScan;
    for (const auto& [pid, known] : m_Known) {
        if (known.strName == strName)
            Adopt(mission, pid, known, false);
    }
}

void CProcessWatcher::RemoveMission(const std::string& strName) {
    auto it = m_Missions.find(strName);
    if (it == m_Missions.end())
        return;
    for (auto& [pid, t] : it->second.procs)
        Release(pid, t);
    m_Missions.erase(it);
    if (m_Missions.empty())
        m_Known.clear(); // nothing to look for: no scans, no stale table
}

void CProcessWatcher::RemoveAll() {
    while (!m_Missions.empty())
        RemoveMission(m_Missions.begin()->first);
}

std::map<pid_t, bool> CProcessWatcher::Tracked(const std::string& strName) const {
    std::map<pid_t, bool> result;
    auto it = m_Missions.find(strName);
    if (it != m_Missions.end()) {
        for (const auto& [pid, t] : it->second.procs)
            result[pid] = t.bStopped;
    }
    return result;
}

nanoseconds CProcessWatcher::Tick() {
    if (m_Missions.empty())
        return std::chrono::hours(1);
    const nanoseconds now = m_Clock.Now();
    if (now >= m_NextScan) {
        Scan();
        m_NextScan = now + m_Timing.scan;
    }
    nanoseconds next = m_NextScan - now;
    // Each mission is looked at when it is due, so one busy paced process
    // does not make every idle one be read a thousand times a second.
    for (auto& [name, mission] : m_Missions) {
        if (now >= mission.due)
            mission.due = now + Enforce(mission);
        next = std::min(next, mission.due - now);
    }
    return std::max(next, nanoseconds(std::chrono::milliseconds(1)));
}

void CProcessWatcher::Scan() {
    ++m_uScan;
    const bool bFull = m_uScan % m_uFullScanEvery == 0;
    std::set<pid_t> alive;
    std::vector<pid_t> changed;
    for (pid_t pid : m_ProcFs.ListPids()) {
        if (pid == m_Self)
            continue;
        alive.insert(pid);
        if (Examine(pid, bFull, false))
            changed.push_back(pid);
    }
    for (auto it = m_Known.begin(); it != m_Known.end();) {
        if (alive.count(it->first) == 0)
            it = m_Known.erase(it);
        else
            ++it;
    }
    for (pid_t pid : changed)
        Apply(pid);
}

void CProcessWatcher::Look(pid_t pid) {
    if (m_Missions.empty() || pid == m_Self)
        return;
    if (Examine(pid, true, true))
        Apply(pid);
}

void CProcessWatcher::ScanSoon() {
    m_NextScan = nanoseconds(0);
}

bool CProcessWatcher::Examine(pid_t pid, bool bReread, bool bStarting) {
    auto it = m_Known.find(pid);
    if (it == m_Known.end()) {
        KNOWN k;
        if (!m_ProcFs.ReadStartTime(pid, k.uStart) || !m_ProcFs.ReadName(pid, k.strName))
            return false;
        k.uFirstScan = m_uScan;
        k.iChecksLeft = kYoungChecks;
        k.bStarting = bStarting;
        m_Known.emplace(pid, std::move(k));
        return true;
    }
    KNOWN& k = it->second;
    if (k.iChecksLeft <= 0 && !bReread)
        return false;
    if (k.iChecksLeft > 0)
        --k.iChecksLeft;
    std::uint64_t uStart = 0;
    std::string strName;
    if (!m_ProcFs.ReadStartTime(pid, uStart) || !m_ProcFs.ReadName(pid, strName))
        return false;
    if (uStart != k.uStart) {
        // The PID now stands for another process.
        k.uStart = uStart;
        k.uFirstScan = m_uScan;
        k.iChecksLeft = kYoungChecks;
        k.bStarting = bStarting;
    } else if (strName == k.strName) {
        return false;
    } else {
        // The same process runs another program now (exec).
        k.bStarting = k.bStarting || bStarting;
    }
    k.strName = std::move(strName);
    return true;
}

void CProcessWatcher::Apply(pid_t pid) {
    const KNOWN& k = m_Known[pid];
    for (auto& [name, mission] : m_Missions) {
        auto tracked = mission.procs.find(pid);
        if (tracked != mission.procs.end() &&
            (name != k.strName || tracked->second.uStart != k.uStart)) {
            Release(pid, tracked->second);
            mission.procs.erase(tracked);
            tracked = mission.procs.end();
        }
        if (name == k.strName && tracked == mission.procs.end())
            Adopt(mission, pid, k, k.bStarting || k.uFirstScan > mission.uAddedScan);
    }
}

void CProcessWatcher::Adopt(MISSION& mission, pid_t pid, const KNOWN& known, bool bFromStart) {
    TRACKED t;
    t.uStart = known.uStart;
    t.iIoFd = m_ProcFs.OpenIo(pid);
    if (t.iIoFd < 0)
        return;
    // A process that started under the mission counts from its first byte;
    // one that ran before counts from now.
    if (!bFromStart && !CProcFs::ReadIoFrom(t.iIoFd, t.last)) {
        close(t.iIoFd);
        return;
    }
    t.iPidFd = PidFdOpen(pid);
    mission.procs.emplace(pid, t);
    mission.due = nanoseconds(0); // its limits apply at the next round
    mission.iIdleLooks = 0;
}

void CProcessWatcher::Signal(pid_t pid, const TRACKED& t, int iSignal) {
    if (t.iPidFd >= 0)
        PidFdSignal(t.iPidFd, iSignal);
    else
        kill(pid, iSignal);
}

void CProcessWatcher::Release(pid_t pid, TRACKED& t) {
    if (t.bStopped) {
        Signal(pid, t, SIGCONT);
        t.bStopped = false;
    }
    if (t.bNoted) {
        m_Ledger.NoteReleased(pid);
        t.bNoted = false;
    }
    if (t.iIoFd >= 0)
        close(t.iIoFd);
    if (t.iPidFd >= 0)
        close(t.iPidFd);
    t.iIoFd = t.iPidFd = -1;
}

void CProcessWatcher::Measure(const std::string& strName) {
    auto it = m_Missions.find(strName);
    if (it != m_Missions.end())
        MeasureMission(it->second);
}

PROC_IO CProcessWatcher::MeasureMission(MISSION& mission) {
    CFlowMeter& meter = *mission.meter;
    PROC_IO moved;
    for (auto it = mission.procs.begin(); it != mission.procs.end();) {
        TRACKED& t = it->second;
        PROC_IO io;
        if (!CProcFs::ReadIoFrom(t.iIoFd, io)) {
            t.bStopped = false; // gone: nothing left to continue
            Release(it->first, t);
            it = mission.procs.erase(it);
            continue;
        }
        if (io.uReadBytes > t.last.uReadBytes) {
            meter.Account(FLOW_READ, io.uReadBytes - t.last.uReadBytes);
            moved.uReadBytes += io.uReadBytes - t.last.uReadBytes;
        }
        if (io.uWriteBytes > t.last.uWriteBytes) {
            meter.Account(FLOW_WRITE, io.uWriteBytes - t.last.uWriteBytes);
            moved.uWriteBytes += io.uWriteBytes - t.last.uWriteBytes;
        }
        t.last = io;
        ++it;
    }
    return moved;
}

nanoseconds CProcessWatcher::Enforce(MISSION& mission) {
    const nanoseconds now = m_Clock.Now();
    const PROC_IO moved = MeasureMission(mission);
    const nanoseconds elapsed = now - mission.lastMeasure;
    const bool bWasRunning = !mission.bStopped;
    mission.lastMeasure = now;
    CFlowMeter& meter = *mission.meter;
    const bool bHold = meter.IsUsedUp(FLOW_READ) || meter.IsUsedUp(FLOW_WRITE);
    const nanoseconds delay = bHold ? nanoseconds(0) : meter.PaceDelay();
    const bool bStop = bHold || delay > nanoseconds(0);
    for (auto& [pid, t] : mission.procs) {
        if (bStop && !t.bStopped) {
            // Noted before the stop, so a crash right after it is covered.
            if (!t.bNoted) {
                m_Ledger.NoteHeld(pid, t.uStart);
                t.bNoted = true;
            }
            Signal(pid, t, SIGSTOP);
            t.bStopped = true;
        } else if (!bStop && t.bStopped) {
            Signal(pid, t, SIGCONT);
            t.bStopped = false;
        }
    }
    mission.bStopped = bStop;
    if (mission.procs.empty() || bHold)
        return m_Timing.scan;
    if (delay > nanoseconds(0))
        return delay;
    if (!HasLimits(mission.limits))
        return m_Timing.scan;
    // A running process overshoots by what it moves until the next look, so
    // look again about when, at the pace it just showed, it will have used
    // up a bucket's worth (a twentieth of a second at the limit).
    nanoseconds next = m_Timing.pace;
    // A process that moved nothing since the last look is looked at less
    // and less often (up to eight times the interval): idle processes under
    // a limit cost next to nothing, and one that wakes up is caught within
    // a few tens of milliseconds.
    if (bWasRunning && moved.uReadBytes == 0 && moved.uWriteBytes == 0) {
        mission.iIdleLooks = std::min(mission.iIdleLooks + 1, 3);
        // On a beat shared by every idle mission, so they are all looked
        // at in one round rather than each waking the service on its own.
        const nanoseconds beat = m_Timing.pace * (1 << mission.iIdleLooks);
        return beat - now % beat;
    }
    mission.iIdleLooks = 0;
    if (bWasRunning && elapsed > nanoseconds(0)) {
        const std::uint64_t speeds[2] = {mission.limits.uLimitReadSpeed,
                                         mission.limits.uLimitWriteSpeed};
        const std::uint64_t bytes[2] = {moved.uReadBytes, moved.uWriteBytes};
        for (int i = 0; i < 2; ++i) {
            if (speeds[i] == FLOW_NO_SPEED_LIMIT || speeds[i] == 0 || bytes[i] == 0)
                continue;
            const double seconds = static_cast<double>(speeds[i]) / 20.0 *
                                   static_cast<double>(elapsed.count()) /
                                   static_cast<double>(bytes[i]) / 1e9;
            next = std::min(next, nanoseconds(static_cast<std::int64_t>(seconds * 1e9)));
        }
    }
    return std::max(next, nanoseconds(std::chrono::milliseconds(1)));
}

} // namespace quorbel
