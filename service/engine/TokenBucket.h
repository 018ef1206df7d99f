// Pacing arithmetic for one direction of one mission: a token bucket that
// may go into debt. A request takes its bytes at once and learns how long it
// must wait until the bucket has earned them, so concurrent requests queue
// up behind each other in arrival order and the long-run rate is exact.
// Not thread-safe: CFlowMeter serialises access.
#pragma once

#include <chrono>
#include <cstdint>

namespace quorbel {

class CTokenBucket {
public:
    // uRate: bytes per second, at least 1. The bucket starts full.
    CTokenBucket(std::uint64_t uRate, std::chrono::nanoseconds now);

    // Takes uBytes (possibly into debt) and returns how long from now the
    // caller must wait before moving them; zero when the bucket covered them.
    std::chrono::nanoseconds Take(std::uint64_t uBytes, std::chrono::nanoseconds now);

    // Gives back bytes that were taken but never moved (a short read, a
    // failed write), so they do not slow down the requests behind them.
    void Refund(std::uint64_t uBytes, std::chrono::nanoseconds now);

    // How long from now until the current debt is paid off; zero when none.
    std::chrono::nanoseconds DebtDelay(std::chrono::nanoseconds now);

    std::uint64_t Rate() const { return m_uRate; }
    // Most bytes that may move at once after an idle spell.
    std::uint64_t Burst() const {
        return m_llBurst > 0 ? static_cast<std::uint64_t>(m_llBurst) : 0;
    }
    // Current level in bytes; negative while in debt (for tests and traces).
    std::int64_t Level(std::chrono::nanoseconds now);

private:
    void Refill(std::chrono::nanoseconds now);

    std::uint64_t m_uRate;
    std::int64_t m_llBurst;
    std::int64_t m_llTokens;
    // Sub-byte credit carried between refills, in byte-nanoseconds, so that
    // frequent small refills do not lose fractions of a byte.
    std::int64_t m_llCarry = 0;
    std::chrono::nanoseconds m_Last;
};

} // namespace quorbel
