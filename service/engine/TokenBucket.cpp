#include "service/engine/TokenBucket.h"

#include <algorithm>

namespace quorbel {

namespace {

constexpr std::int64_t NANOS_PER_SECOND = 1'000'000'000;

// A bucket holds a twentieth of a second of traffic: enough that requests of
// a few pages pass without a timer, small enough that an idle spell buys only
// a short burst above the limit.
constexpr std::uint64_t BURST_DIVISOR = 20;

// Refills after a longer idle spell than this add nothing more (the bucket is
// full long before), and capping keeps the products below within 128 bits.
constexpr std::int64_t MAX_REFILL_NANOS = 3600 * NANOS_PER_SECOND;

} // namespace

CTokenBucket::CTokenBucket(std::uint64_t uRate, std::chrono::nanoseconds now)
    : m_uRate(std::max<std::uint64_t>(uRate, 1)),
      m_llBurst(static_cast<std::int64_t>(std::max<std::uint64_t>(m_uRate / BURST_DIVISOR, 1))),
      m_llTokens(m_llBurst), m_Last(now) {}

void CTokenBucket::Refill(std::chrono::nanoseconds now) {
    std::int64_t elapsed = (now - m_Last).count();
    if (elapsed <= 0)
        return;
    m_Last = now;
    if (m_llTokens >= m_llBurst) {
        m_llCarry = 0;
        return;
    }
    elapsed = std::min(elapsed, MAX_REFILL_NANOS);
    __int128 earned = static_cast<__int128>(elapsed) * m_uRate + m_llCarry;
    __int128 bytes = earned / NANOS_PER_SECOND;
    __int128 level = m_llTokens + bytes;
    if (level >= m_llBurst) {
        m_llTokens = m_llBurst;
        m_llCarry = 0;
    } else {
        m_llTokens = static_cast<std::int64_t>(level);
        m_llCarry = static_cast<std::int64_t>(earned % NANOS_PER_SECOND);
    }
}

std::chrono::nanoseconds CTokenBucket::Take(std::uint64_t uBytes, std::chrono::nanoseconds now) {
    Refill(now);
    // Debt is bounded by what callers can ask for; clamp so that absurd
    // figures from /proc cannot overflow the level.
    constexpr std::int64_t MAX_DEBT = INT64_MAX / 4;
    std::int64_t take = static_cast<std::int64_t>(std::min<std::uint64_t>(uBytes, MAX_DEBT));
    m_llTokens = std::max(m_llTokens - take, -MAX_DEBT);
    return DebtDelay(now);
}

void CTokenBucket::Refund(std::uint64_t uBytes, std::chrono::nanoseconds now) {
    Refill(now);
    std::int64_t give = static_cast<std::int64_t>(
        std::min<std::uint64_t>(uBytes, static_cast<std::uint64_t>(m_llBurst - m_llTokens)));
    m_llTokens += give;
}

std::chrono::nanoseconds CTokenBucket::DebtDelay(std::chrono::nanoseconds now) {
    Refill(now);
    if (m_llTokens >= 0)
        return std::chrono::nanoseconds(0);
    // Time until the refills, carry included, reach zero; rounded up so that
    // a caller waking at the deadline finds the bytes earned.
    __int128 owed = static_cast<__int128>(-m_llTokens) * NANOS_PER_SECOND - m_llCarry;
    __int128 nanos = (owed + m_uRate - 1) / m_uRate;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(nanos));
}

std::int64_t CTokenBucket::Level(std::chrono::nanoseconds now) {
    Refill(now);
    return m_llTokens;
}

} // namespace quorbel
