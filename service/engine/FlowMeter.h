// One mission's meter: counts the bytes its target reads and writes, paces
// them to the speed limits and stops them at the total limits. The same
// meter serves both enforcement modes:
//  - path mode asks before moving bytes (Request), then reports what really
//    moved (Settle);
//  - process mode can only observe bytes after the fact (Account, from
//    /proc/PID/io deltas) and asks how long the process must stay stopped
//    (PaceDelay) and whether a direction is used up (IsUsedUp).
// All operations are thread-safe.
#pragma once

#include "flowlib/FlowTypes.h"
#include "service/engine/MeterClock.h"
#include "service/engine/TokenBucket.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>

namespace quorbel {

enum FLOW_DIRECTION : int {
    FLOW_READ = 0,
    FLOW_WRITE = 1,
};

// A mission's limits and its starting counters, in the units of FLOW_MISSION:
// speeds in bytes per second (FLOW_NO_SPEED_LIMIT = none, 0 = forbidden),
// totals in bytes (FLOW_NO_TOTAL_LIMIT or more = none, 0 = forbidden; a
// negative total is treated as forbidden), counters in bytes (a negative
// counter starts from 0).
struct METER_LIMITS {
    std::uint32_t uLimitReadSpeed = FLOW_NO_SPEED_LIMIT;
    std::uint32_t uLimitWriteSpeed = FLOW_NO_SPEED_LIMIT;
    std::int64_t llLimitTotalReads = FLOW_NO_TOTAL_LIMIT;
    std::int64_t llLimitTotalWrites = FLOW_NO_TOTAL_LIMIT;
    std::int64_t llAlreadyReads = 0;
    std::int64_t llAlreadyWrites = 0;

    static METER_LIMITS FromMission(const FLOW_MISSION& mission);
};

// The answer to a request to move bytes.
//  - iError != 0: refused; EACCES when the direction is forbidden (speed 0
//    or total 0) or the read total is used up, EDQUOT when the write total is
//    used up. Nothing was reserved: do not call Settle.
//  - iError == 0: uBytes of the asked bytes may move (fewer than asked only
//    when a total has less left; never 0 for a request of at least 1 byte),
//    after waiting delay from the moment of the request (zero = now). The
//    bytes are reserved against the total and the bucket until Settle.
struct METER_GRANT {
    int iError = 0;
    std::uint64_t uBytes = 0;
    std::chrono::nanoseconds delay{0};
};

// One get-log's worth of figures: the bytes since the previous TakeLog
// (saturated to 32 bits) and the running totals, which began at the
// starting counters.
struct METER_LOG {
    std::uint32_t uReadBytes = 0;
    std::uint32_t uWriteBytes = 0;
    std::int64_t llAlreadyReads = 0;
    std::int64_t llAlreadyWrites = 0;
};

class CFlowMeter {
public:
    // The clock must outlive the meter.
    explicit CFlowMeter(const METER_LIMITS& limits,
                        const CMeterClock& clock = CMeterClock::Steady());

    CFlowMeter(const CFlowMeter&) = delete;
    CFlowMeter& operator=(const CFlowMeter&) = delete;

    // Takes new limits and starting counters (a mission replaced under the
    // same name). Buckets start afresh; bytes of the running interval are
    // kept for the next TakeLog. Requests already granted keep their grant.
    void Reset(const METER_LIMITS& limits);

    // --- path mode: ask first, move, then settle ---
    METER_GRANT Request(FLOW_DIRECTION dir, std::uint64_t uBytes);
    // Reports that uMoved of the uGranted bytes of a successful Request moved
    // (uMoved <= uGranted; 0 when the operation failed). Counts them and gives
    // the rest back to the total and the bucket.
    void Settle(FLOW_DIRECTION dir, std::uint64_t uGranted, std::uint64_t uMoved);

    // --- process mode: observe after the fact ---
    // Counts bytes that already moved; they are taken from the bucket (into
    // debt) and added to the totals even past a total limit.
    void Account(FLOW_DIRECTION dir, std::uint64_t uBytes);
    // How long from now the target must stay stopped so that what it did
    // falls back within both speed limits; zero when it may run.
    std::chrono::nanoseconds PaceDelay();
    // True when the direction is forbidden or its total is reached: the
    // target must not move another byte that way.
    bool IsUsedUp(FLOW_DIRECTION dir) const;
    // True when the direction is forbidden outright (speed 0 or total 0).
    bool IsForbidden(FLOW_DIRECTION dir) const;

    // --- statistics ---
    // Returns the interval bytes and totals and starts a new interval.
    METER_LOG TakeLog();
    // The same figures without starting a new interval.
    METER_LOG Peek() const;

private:
    struct DIRECTION_STATE {
        std::uint32_t uSpeed = FLOW_NO_SPEED_LIMIT;
        std::int64_t llLimit = FLOW_NO_TOTAL_LIMIT;
        std::int64_t llDone = 0;     // bytes counted so far, starting counter included
        std::int64_t llReserved = 0; // bytes granted but not settled yet
        std::uint64_t uInterval = 0; // bytes since the last TakeLog
        std::optional<CTokenBucket> bucket;
    };

    void Apply(const METER_LIMITS& limits);
    static bool Forbidden(const DIRECTION_STATE& s);
    static bool Limited(const DIRECTION_STATE& s);

    const CMeterClock& m_Clock;
    mutable std::mutex m_Mutex;
    DIRECTION_STATE m_Dir[2];
};

} // namespace quorbel
