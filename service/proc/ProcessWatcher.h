// Process-mode enforcement. Finds the processes whose executable name is a
// mission's target (when the mission is added, and as they start), counts
// their storage I/O from /proc/PID/io into the mission's meter and keeps the
// limits by stopping and continuing them: a process stays stopped while the
// meter's token buckets are in debt, and for good while a direction is
// forbidden or its total is used up. Every process it stopped is continued
// when its mission goes.
//
// Driven by its owner's loop: Tick does one round and says when the next
// one is due. Not thread-safe.
#pragma once

#include "service/engine/FlowMeter.h"
#include "service/proc/ProcFs.h"
#include "service/proc/StopLedger.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorbel {

struct WATCHER_TIMING {
    // How often /proc is searched for new processes.
    std::chrono::milliseconds scan{500};
    // How often a running process under a speed limit is measured; shorter
    // means smaller bursts between two stops.
    std::chrono::milliseconds pace{5};
};

class CProcessWatcher {
public:
    CProcessWatcher(const CProcFs& procFs, IStopLedger& ledger,
                    const CMeterClock& clock = CMeterClock::Steady(), WATCHER_TIMING timing = {});
    ~CProcessWatcher();

    CProcessWatcher(const CProcessWatcher&) = delete;
    CProcessWatcher& operator=(const CProcessWatcher&) = delete;

    // Adds the mission for processes named strName, or gives an existing one
    // its new meter and limits; running processes of that name are taken on
    // at once, counting from now.
    void SetMission(const std::string& strName, std::shared_ptr<CFlowMeter> meter,
                    const METER_LIMITS& limits);
    // Counts what the mission's processes moved since they were last looked
    // at, so that bytes moved under the old limits are not charged to new
    // ones (call it before the meter takes new limits).
    void Measure(const std::string& strName);
    // Drops the mission and continues every process it stopped.
    void RemoveMission(const std::string& strName);
    void RemoveAll();
    bool Empty() const { return m_Missions.empty(); }

    // One round: looks for new processes when due, counts what the tracked
    // ones moved, stops or continues them. Returns the time until the next
    // round is due.
    std::chrono::nanoseconds Tick();

    // Looks at one process at once, as its start, exec or new name is
    // reported: a process of a mission's name is taken on (counting from
    // its first byte) without waiting for the next look through /proc.
    void Look(pid_t pid);
    // Makes the next round look through every process (when reports of
    // starts were lost).
    void ScanSoon();

    // PIDs the mission tracks and whether each is held stopped (for tests
    // and traces).
    std::map<pid_t, bool> Tracked(const std::string& strName) const;

private:
    struct TRACKED {
        std::uint64_t uStart = 0;
        int iIoFd = -1;  // /proc/PID/io of this very process
        int iPidFd = -1; // signals reach this very process, never a PID's successor
        PROC_IO last;
        bool bStopped = false;
        bool bNoted = false; // listed in the ledger
    };
    struct MISSION {
        std::shared_ptr<CFlowMeter> meter;
        METER_LIMITS limits;
        std::uint64_t uAddedScan = 0;
        std::map<pid_t, TRACKED> procs;
        std::chrono::nanoseconds lastMeasure{0};
        bool bStopped = false;           // its processes were held at the last look
        std::chrono::nanoseconds due{0}; // when it is to be looked at next
        int iIdleLooks = 0;              // looks in a row that found nothing moved
    };
    struct KNOWN {
        std::uint64_t uStart = 0;
        std::string strName;
        std::uint64_t uFirstScan = 0;
        int iChecksLeft = 0;    // young processes are looked at again (exec)
        bool bStarting = false; // seen forking or running exec: counts from its first byte
    };

    void Scan();
    // Reads a process's name and start into the table (bReread: even when
    // it was read before); true when it is new or changed.
    bool Examine(pid_t pid, bool bReread, bool bStarting);
    // Moves a new or changed process to the mission of its name.
    void Apply(pid_t pid);
    void Adopt(MISSION& mission, pid_t pid, const KNOWN& known, bool bFromStart);
    void Release(pid_t pid, TRACKED& t);
    void Signal(pid_t pid, const TRACKED& t, int iSignal);
    PROC_IO MeasureMission(MISSION& mission);
    std::chrono::nanoseconds Enforce(MISSION& mission);

    const CProcFs& m_ProcFs;
    IStopLedger& m_Ledger;
    const CMeterClock& m_Clock;
    WATCHER_TIMING m_Timing;
    pid_t m_Self;
    std::map<std::string, MISSION> m_Missions;
    std::map<pid_t, KNOWN> m_Known;
    std::uint64_t m_uScan = 0;
    std::uint64_t m_uFullScanEvery = 40; // re-read every name now and then
    std::chrono::nanoseconds m_NextScan{0};
};

} // namespace quorbel
