#include "service/engine/FlowMeter.h"

#include <algorithm>
#include <cerrno>
#include <limits>

namespace quorbel {

namespace {

std::int64_t SaturatingAdd(std::int64_t a, std::uint64_t b) {
    constexpr std::int64_t MAX = std::numeric_limits<std::int64_t>::max();
    if (b > static_cast<std::uint64_t>(MAX - a))
        return MAX;
    return a + static_cast<std::int64_t>(b);
}

std::uint32_t Saturate32(std::uint64_t v) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, 0xFFFFFFFFu));
}

} // namespace

METER_LIMITS METER_LIMITS::FromMission(const FLOW_MISSION& mission) {
    METER_LIMITS limits;
    limits.uLimitReadSpeed = mission.uLimitReadSpeed;
    limits.uLimitWriteSpeed = mission.uLimitWriteSpeed;
    limits.llLimitTotalReads = mission.llLimitTotalReads;
    limits.llLimitTotalWrites = mission.llLimitTotalWrites;
    limits.llAlreadyReads = mission.llAlreadyReads;
    limits.llAlreadyWrites = mission.llAlreadyWrites;
    return limits;
}

CFlowMeter::CFlowMeter(const METER_LIMITS& limits, const CMeterClock& clock) : m_Clock(clock) {
    Apply(limits);
}

void CFlowMeter::Reset(const METER_LIMITS& limits) {
    std::lock_guard lock(m_Mutex);
    Apply(limits);
}

void CFlowMeter::Apply(const METER_LIMITS& limits) {
    const auto now = m_Clock.Now();
    auto set = [now](DIRECTION_STATE& s, std::uint32_t uSpeed, std::int64_t llLimit,
                     std::int64_t llAlready) {
        s.uSpeed = uSpeed;
        s.llLimit = llLimit;
        s.llDone = std::max<std::int64_t>(llAlready, 0);
        if (uSpeed != 0 && uSpeed != FLOW_NO_SPEED_LIMIT)
            s.bucket.emplace(uSpeed, now);
        else
            s.bucket.reset();
    };
    set(m_Dir[FLOW_READ], limits.uLimitReadSpeed, limits.llLimitTotalReads, limits.llAlreadyReads);
    set(m_Dir[FLOW_WRITE], limits.uLimitWriteSpeed, limits.llLimitTotalWrites,
        limits.llAlreadyWrites);
}

bool CFlowMeter::Forbidden(const DIRECTION_STATE& s) {
    return s.uSpeed == 0 || s.llLimit <= 0;
}

bool CFlowMeter::Limited(const DIRECTION_STATE& s) {
    return s.llLimit < FLOW_NO_TOTAL_LIMIT;
}

METER_GRANT CFlowMeter::Request(FLOW_DIRECTION dir, std::uint64_t uBytes) {
    std::lock_guard lock(m_Mutex);
    DIRECTION_STATE& s = m_Dir[dir];
    METER_GRANT grant;
    if (Forbidden(s)) {
        grant.iError = EACCES;
        return grant;
    }
    if (uBytes == 0)
        return grant;
    std::uint64_t uAllowed = uBytes;
    if (Limited(s)) {
        const std::int64_t llLeft = s.llLimit - s.llDone - s.llReserved;
        if (llLeft <= 0) {
            grant.iError = dir == FLOW_WRITE ? EDQUOT : EACCES;
            return grant;
        }
        uAllowed = std::min<std::uint64_t>(uAllowed, static_cast<std::uint64_t>(llLeft));
    }
    s.llReserved = SaturatingAdd(s.llReserved, uAllowed);
    grant.uBytes = uAllowed;
    if (s.bucket)
        grant.delay = s.bucket->Take(uAllowed, m_Clock.Now());
    return grant;
}

void CFlowMeter::Settle(FLOW_DIRECTION dir, std::uint64_t uGranted, std::uint64_t uMoved) {
    std::lock_guard lock(m_Mutex);
    DIRECTION_STATE& s = m_Dir[dir];
    uMoved = std::min(uMoved, uGranted);
    const std::int64_t llGranted =
        static_cast<std::int64_t>(std::min<std::uint64_t>(uGranted, INT64_MAX));
    // A Reset between grant and settle may have left less reserved than granted.
    s.llReserved = std::max<std::int64_t>(s.llReserved - llGranted, 0);
    s.llDone = SaturatingAdd(s.llDone, uMoved);
    s.uInterval += uMoved;
    if (s.bucket && uGranted > uMoved)
        s.bucket->Refund(uGranted - uMoved, m_Clock.Now());
}

void CFlowMeter::Account(FLOW_DIRECTION dir, std::uint64_t uBytes) {
    std::lock_guard lock(m_Mutex);
    DIRECTION_STATE& s = m_Dir[dir];
    if (uBytes == 0)
        return;
    s.llDone = SaturatingAdd(s.llDone, uBytes);
    s.uInterval += uBytes;
    if (s.bucket)
        s.bucket->Take(uBytes, m_Clock.Now());
}

std::chrono::nanoseconds CFlowMeter::PaceDelay() {
    std::lock_guard lock(m_Mutex);
    const auto now = m_Clock.Now();
    std::chrono::nanoseconds delay{0};
    for (DIRECTION_STATE& s : m_Dir)
        if (s.bucket)
            delay = std::max(delay, s.bucket->DebtDelay(now));
    return delay;
}

bool CFlowMeter::IsUsedUp(FLOW_DIRECTION dir) const {
    std::lock_guard lock(m_Mutex);
    const DIRECTION_STATE& s = m_Dir[dir];
    return Forbidden(s) || (Limited(s) && s.llDone + s.llReserved >= s.llLimit);
}

bool CFlowMeter::IsForbidden(FLOW_DIRECTION dir) const {
    std::lock_guard lock(m_Mutex);
    return Forbidden(m_Dir[dir]);
}

METER_LOG CFlowMeter::TakeLog() {
    std::lock_guard lock(m_Mutex);
    METER_LOG log;
    log.uReadBytes = Saturate32(m_Dir[FLOW_READ].uInterval);
    log.uWriteBytes = Saturate32(m_Dir[FLOW_WRITE].uInterval);
    log.llAlreadyReads = m_Dir[FLOW_READ].llDone;
    log.llAlreadyWrites = m_Dir[FLOW_WRITE].llDone;
    m_Dir[FLOW_READ].uInterval = 0;
    m_Dir[FLOW_WRITE].uInterval = 0;
    return log;
}

METER_LOG CFlowMeter::Peek() const {
    std::lock_guard lock(m_Mutex);
    METER_LOG log;
    log.uReadBytes = Saturate32(m_Dir[FLOW_READ].uInterval);
    log.uWriteBytes = Saturate32(m_Dir[FLOW_WRITE].uInterval);
    log.llAlreadyReads = m_Dir[FLOW_READ].llDone;
    log.llAlreadyWrites = m_Dir[FLOW_WRITE].llDone;
    return log;
}

} // namespace quorbel
