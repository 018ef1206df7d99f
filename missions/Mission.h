// One mission: a limit on how fast and how much one process or one directory
// tree may read and write, with its counters and its running state towards
// the flow-control library.
#pragma once

#include "flowlib/FlowTypes.h"

#include <QString>
#include <cstdint>
#include <ctime>
#include <deque>

class CMissionGroup;

// One refresh tick's speeds, bytes per second.
struct SPEED_SAMPLE {
    std::uint32_t uReadSpeed = 0;
    std::uint32_t uWriteSpeed = 0;
};

// How many samples a mission keeps by default: more than the speed chart can
// show at its widest (one sample per 10 pixels of an 8K-wide screen).
inline constexpr std::uint32_t MISSION_MAX_SAMPLES = 1024;

// Clock used for start times and operation-log stamps; replaceable so that
// tests can pin the time.
using MISSION_CLOCK = std::time_t (*)();
// Installs a clock (nullptr restores the system clock) and returns the
// previous one.
MISSION_CLOCK SetMissionClock(MISSION_CLOCK pfnClock);
std::time_t MissionNow();

// Plain record owned by exactly one group; the group, the mission list and
// the speed chart reach it by pointer. The nine persistent members are also
// the element names of the mission files.
class CMission {
public:
    CMission();
    // Stops a running mission (withdraws it from the library) first.
    ~CMission();
    CMission(const CMission&) = delete;
    CMission& operator=(const CMission&) = delete;

    // Hands the mission to the library (g_FlowApi.pfnAddMission) unless it
    // already runs. Returns the library's answer; bMissionActive follows it.
    BOOL Start();
    // Withdraws the mission (g_FlowApi.pfnRemoveMission) unless it is
    // already stopped. A refused stop leaves the mission running.
    BOOL Stop();
    // One operation-log line: to the window's operation log (COperationLog)
    // and, time-stamped, to the diagnostic log at level 15.
    void LogOperation(QString strMessage);
    // Folds one refresh tick into the mission: interval bytes become bytes
    // per second over the exact refresh period (g_AppOptions.uFreshTime,
    // never less than 1000 ms), saturated to 32 bits; the driver's totals
    // replace the counters; one sample is appended to lstSpeed, dropping the
    // oldest beyond uMaxSamples. A stopped mission ignores the call.
    void UpdateStatistics(std::uint32_t uReadBytes, std::uint32_t uWriteBytes,
                          std::int64_t llTotalReads, std::int64_t llTotalWrites);
    // The first of g_pProcMode, g_pPathMode, g_pRecycler that holds a
    // mission of this name; nullptr when none does.
    CMissionGroup* GetGroup() const;

    std::uint32_t uMode = 0xFFFFFFFFu; // FLOW_MODE_PROCESS or FLOW_MODE_PATH
    QString strTargetName = QStringLiteral("Unknown");
    std::uint32_t uLimitReadSpeed = FLOW_NO_SPEED_LIMIT;   // bytes/s; 0 forbids
    std::uint32_t uLimitWriteSpeed = FLOW_NO_SPEED_LIMIT;  // bytes/s; 0 forbids
    std::int64_t llAlreadyReads = 0;                       // bytes read so far, across runs
    std::int64_t llAlreadyWrites = 0;                      // bytes written so far, across runs
    std::int64_t llLimitTotalReads = FLOW_NO_TOTAL_LIMIT;  // bytes; 0 forbids
    std::int64_t llLimitTotalWrites = FLOW_NO_TOTAL_LIMIT; // bytes; 0 forbids
    std::int64_t llDriverParam = 500;                      // passed through, never changed
    std::uint32_t uReadSpeed = 0;                          // bytes/s of the last tick
    std::uint32_t uWriteSpeed = 0;
    std::time_t tmStart = 0;     // last successful start, 0 = never
    std::int64_t tsDuring = 0;   // running time as last shown, seconds (the list's)
    BOOL bMissionActive = FALSE; // running in the driver
    std::uint32_t uMaxSamples = MISSION_MAX_SAMPLES;
    std::deque<SPEED_SAMPLE> lstSpeed; // oldest first
};
