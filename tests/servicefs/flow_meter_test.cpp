// The meter shared by both enforcement modes, driven by a fake clock: pacing
// is checked to the nanosecond here so that the mount tests and the
// benchmarks only need to measure loosely.
#include "service/engine/FlowMeter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <thread>
#include <vector>

using namespace quorbel;
using namespace std::chrono_literals;

namespace {

class CFakeClock final : public CMeterClock {
public:
    std::chrono::nanoseconds Now() const override { return std::chrono::nanoseconds(m_ns.load()); }
    void Advance(std::chrono::nanoseconds d) { m_ns += d.count(); }

private:
    std::atomic<std::int64_t> m_ns{1'000'000'000};
};

constexpr std::uint32_t MiB = 1u << 20;

METER_LIMITS Speeds(std::uint32_t uRead, std::uint32_t uWrite) {
    METER_LIMITS l;
    l.uLimitReadSpeed = uRead;
    l.uLimitWriteSpeed = uWrite;
    return l;
}

METER_LIMITS Totals(std::int64_t llReads, std::int64_t llWrites) {
    METER_LIMITS l;
    l.llLimitTotalReads = llReads;
    l.llLimitTotalWrites = llWrites;
    return l;
}

// Moves bytes through the meter the way the mount does: ask, wait out the
// delay on the fake clock, move everything granted.
std::uint64_t Pump(CFlowMeter& meter, CFakeClock& clock, FLOW_DIRECTION dir, std::uint64_t uChunk,
                   std::chrono::nanoseconds span) {
    const auto end = clock.Now() + span;
    std::uint64_t moved = 0;
    while (true) {
        METER_GRANT g = meter.Request(dir, uChunk);
        EXPECT_EQ(g.iError, 0);
        if (clock.Now() + g.delay > end) {
            meter.Settle(dir, g.uBytes, 0);
            break;
        }
        clock.Advance(g.delay);
        meter.Settle(dir, g.uBytes, g.uBytes);
        moved += g.uBytes;
    }
    return moved;
}

} // namespace

TEST(FlowMeter, PacedRateMatchesTheLimitOverTime) {
    // Rates the benchmarks use, with request sizes from 4 KiB to 1 MiB: over
    // ten seconds the bytes moved are the limit's worth plus at most the
    // initial burst (a twentieth of a second).
    for (std::uint32_t rate : {4 * MiB, 16 * MiB, 64 * MiB}) {
        for (std::uint64_t chunk : {4096ull, 65536ull, 1ull << 20}) {
            CFakeClock clock;
            CFlowMeter meter(Speeds(rate, rate), clock);
            const std::uint64_t moved = Pump(meter, clock, FLOW_READ, chunk, 10s);
            const std::uint64_t expected = 10ull * rate;
            EXPECT_GE(moved + chunk, expected) << rate << "/" << chunk;
            EXPECT_LE(moved, expected + rate / 20) << rate << "/" << chunk;
        }
    }
}

TEST(FlowMeter, BurstThenDebtDelaysInArrivalOrder) {
    CFakeClock clock;
    CFlowMeter meter(Speeds(1000 * 20, FLOW_NO_SPEED_LIMIT), clock); // burst 1000 bytes
    // The full bucket covers the first 1000 bytes at once.
    EXPECT_EQ(meter.Request(FLOW_READ, 1000).delay, 0ns);
    // Then each request waits for its own bytes behind the ones before it.
    EXPECT_EQ(meter.Request(FLOW_READ, 2000).delay, 100ms);
    EXPECT_EQ(meter.Request(FLOW_READ, 2000).delay, 200ms);
    clock.Advance(150ms);
    EXPECT_EQ(meter.Request(FLOW_READ, 0).delay, 0ns);
    EXPECT_EQ(meter.Request(FLOW_READ, 1).delay, 50ms + 50us);
    // The other direction has its own bucket (here: none).
    EXPECT_EQ(meter.Request(FLOW_WRITE, 1 << 30).delay, 0ns);
}

TEST(FlowMeter, IdleTimeBuysNoMoreThanTheBurst) {
    CFakeClock clock;
    CFlowMeter meter(Speeds(20000, 20000), clock);
    clock.Advance(1h);
    EXPECT_EQ(meter.Request(FLOW_WRITE, 1000).delay, 0ns);
    EXPECT_EQ(meter.Request(FLOW_WRITE, 20000).delay, 1s);
}

TEST(FlowMeter, UnmovedBytesAreGivenBack) {
    CFakeClock clock;
    CFlowMeter meter(Speeds(20000, FLOW_NO_SPEED_LIMIT), clock);
    meter.Request(FLOW_READ, 1000);
    METER_GRANT g = meter.Request(FLOW_READ, 20000);
    EXPECT_EQ(g.delay, 1s);
    // A read at the end of a file moved nothing: the next reader must not wait for it.
    meter.Settle(FLOW_READ, g.uBytes, 0);
    EXPECT_EQ(meter.Request(FLOW_READ, 1000).delay, 50ms);
    EXPECT_EQ(meter.Peek().llAlreadyReads, 0);
}

TEST(FlowMeter, ForbiddingLimitsRefuseWithEacces) {
    struct CASE {
        const char* what;
        METER_LIMITS limits;
        FLOW_DIRECTION forbidden;
    };
    METER_LIMITS readSpeedZero = Speeds(0, FLOW_NO_SPEED_LIMIT);
    METER_LIMITS writeSpeedZero = Speeds(FLOW_NO_SPEED_LIMIT, 0);
    METER_LIMITS readTotalZero = Totals(0, FLOW_NO_TOTAL_LIMIT);
    METER_LIMITS writeTotalZero = Totals(FLOW_NO_TOTAL_LIMIT, 0);
    METER_LIMITS writeTotalNegative = Totals(FLOW_NO_TOTAL_LIMIT, -5);
    const CASE cases[] = {
        {"read speed 0", readSpeedZero, FLOW_READ},
        {"write speed 0", writeSpeedZero, FLOW_WRITE},
        {"read total 0", readTotalZero, FLOW_READ},
        {"write total 0", writeTotalZero, FLOW_WRITE},
        {"negative write total", writeTotalNegative, FLOW_WRITE},
    };
    for (const CASE& c : cases) {
        CFakeClock clock;
        CFlowMeter meter(c.limits, clock);
        const FLOW_DIRECTION other = c.forbidden == FLOW_READ ? FLOW_WRITE : FLOW_READ;
        EXPECT_EQ(meter.Request(c.forbidden, 4096).iError, EACCES) << c.what;
        EXPECT_EQ(meter.Request(c.forbidden, 0).iError, EACCES) << c.what;
        EXPECT_TRUE(meter.IsForbidden(c.forbidden)) << c.what;
        EXPECT_TRUE(meter.IsUsedUp(c.forbidden)) << c.what;
        METER_GRANT g = meter.Request(other, 4096);
        EXPECT_EQ(g.iError, 0) << c.what;
        EXPECT_EQ(g.uBytes, 4096u) << c.what;
        EXPECT_FALSE(meter.IsUsedUp(other)) << c.what;
    }
}

TEST(FlowMeter, TotalsStopExactlyAtTheLimit) {
    // A request that would cross the total is shortened to what is left;
    // then writes get EDQUOT and reads EACCES. Starting counters count.
    struct CASE {
        FLOW_DIRECTION dir;
        std::int64_t llAlready;
        std::vector<std::uint64_t> granted;
        int iThen;
    };
    const CASE cases[] = {
        {FLOW_WRITE, 0, {4096, 4096, 1808}, EDQUOT},
        {FLOW_WRITE, 9000, {1000}, EDQUOT},
        {FLOW_READ, 0, {4096, 4096, 1808}, EACCES},
        {FLOW_READ, 10000, {}, EACCES},
        {FLOW_READ, 20000, {}, EACCES},
    };
    for (const CASE& c : cases) {
        CFakeClock clock;
        METER_LIMITS l = Totals(10000, 10000);
        (c.dir == FLOW_READ ? l.llAlreadyReads : l.llAlreadyWrites) = c.llAlready;
        CFlowMeter meter(l, clock);
        for (std::uint64_t expected : c.granted) {
            METER_GRANT g = meter.Request(c.dir, 4096);
            ASSERT_EQ(g.iError, 0);
            EXPECT_EQ(g.uBytes, expected);
            meter.Settle(c.dir, g.uBytes, g.uBytes);
        }
        EXPECT_TRUE(meter.IsUsedUp(c.dir));
        EXPECT_EQ(meter.Request(c.dir, 1).iError, c.iThen);
        // Nothing asked, nothing refused: a read at the end of a file still answers.
        EXPECT_EQ(meter.Request(c.dir, 0).iError, 0);
        const METER_LOG log = meter.Peek();
        EXPECT_EQ(c.dir == FLOW_READ ? log.llAlreadyReads : log.llAlreadyWrites,
                  std::max<std::int64_t>(c.llAlready, 10000));
    }
}

TEST(FlowMeter, GrantsInFlightCountAgainstTheTotal) {
    CFakeClock clock;
    CFlowMeter meter(Totals(FLOW_NO_TOTAL_LIMIT, 10000), clock);
    METER_GRANT a = meter.Request(FLOW_WRITE, 6000);
    METER_GRANT b = meter.Request(FLOW_WRITE, 6000);
    EXPECT_EQ(a.uBytes, 6000u);
    EXPECT_EQ(b.uBytes, 4000u);
    EXPECT_EQ(meter.Request(FLOW_WRITE, 1).iError, EDQUOT);
    // The first write failed on disk: its share of the total comes back.
    meter.Settle(FLOW_WRITE, a.uBytes, 0);
    meter.Settle(FLOW_WRITE, b.uBytes, b.uBytes);
    METER_GRANT c = meter.Request(FLOW_WRITE, 8000);
    EXPECT_EQ(c.uBytes, 6000u);
    meter.Settle(FLOW_WRITE, c.uBytes, c.uBytes);
    EXPECT_EQ(meter.Peek().llAlreadyWrites, 10000);
}

TEST(FlowMeter, NoLimitsNeverDelayOrRefuse) {
    CFakeClock clock;
    CFlowMeter meter(METER_LIMITS{}, clock);
    for (FLOW_DIRECTION dir : {FLOW_READ, FLOW_WRITE}) {
        for (int i = 0; i < 3; ++i) {
            METER_GRANT g = meter.Request(dir, 1ull << 40);
            EXPECT_EQ(g.iError, 0);
            EXPECT_EQ(g.uBytes, 1ull << 40);
            EXPECT_EQ(g.delay, 0ns);
            meter.Settle(dir, g.uBytes, g.uBytes);
        }
        EXPECT_FALSE(meter.IsUsedUp(dir));
    }
    EXPECT_EQ(meter.PaceDelay(), 0ns);
    EXPECT_EQ(meter.Peek().llAlreadyWrites, 3ll << 40);
}

TEST(FlowMeter, GetLogTakesTheIntervalAndKeepsTheTotals) {
    CFakeClock clock;
    METER_LIMITS l;
    l.llAlreadyReads = 5'000'000'000;
    l.llAlreadyWrites = -7; // a damaged counter starts from nothing
    CFlowMeter meter(l, clock);
    meter.Account(FLOW_READ, 100);
    meter.Settle(FLOW_WRITE, meter.Request(FLOW_WRITE, 300).uBytes, 200);
    METER_LOG log = meter.TakeLog();
    EXPECT_EQ(log.uReadBytes, 100u);
    EXPECT_EQ(log.uWriteBytes, 200u);
    EXPECT_EQ(log.llAlreadyReads, 5'000'000'100);
    EXPECT_EQ(log.llAlreadyWrites, 200);
    log = meter.TakeLog();
    EXPECT_EQ(log.uReadBytes, 0u);
    EXPECT_EQ(log.uWriteBytes, 0u);
    EXPECT_EQ(log.llAlreadyReads, 5'000'000'100);
    // An interval larger than the record's 32 bits saturates instead of wrapping.
    meter.Account(FLOW_WRITE, 5ull << 30);
    log = meter.TakeLog();
    EXPECT_EQ(log.uWriteBytes, 0xFFFFFFFFu);
    EXPECT_EQ(log.llAlreadyWrites, 200 + (5ll << 30));
}

TEST(FlowMeter, ResetTakesNewLimitsAndCountersButKeepsTheInterval) {
    CFakeClock clock;
    CFlowMeter meter(Speeds(0, 0), clock);
    meter.Account(FLOW_READ, 50);
    METER_LIMITS l = Totals(1000, 1000);
    l.llAlreadyReads = 900;
    meter.Reset(l);
    EXPECT_FALSE(meter.IsForbidden(FLOW_READ));
    EXPECT_EQ(meter.Request(FLOW_READ, 500).uBytes, 100u);
    const METER_LOG log = meter.TakeLog();
    EXPECT_EQ(log.uReadBytes, 50u);
    EXPECT_EQ(log.llAlreadyReads, 900);
}

TEST(FlowMeter, ObservedBytesSayHowLongToHold) {
    // Process mode: the bytes have already moved; the meter says how long the
    // process must stay stopped for its rate to fall back to the limit.
    CFakeClock clock;
    CFlowMeter meter(Speeds(1 * MiB, 2 * MiB), clock);
    meter.Account(FLOW_READ, MiB / 20); // the burst: no hold
    EXPECT_EQ(meter.PaceDelay(), 0ns);
    meter.Account(FLOW_READ, MiB / 2);
    EXPECT_EQ(meter.PaceDelay(), 500ms);
    meter.Account(FLOW_WRITE, 2 * MiB + MiB / 10); // a full second over the write limit
    EXPECT_EQ(meter.PaceDelay(), 1s);
    clock.Advance(600ms);
    EXPECT_EQ(meter.PaceDelay(), 400ms);
    clock.Advance(400ms);
    EXPECT_EQ(meter.PaceDelay(), 0ns);
}

TEST(FlowMeter, ObservedBytesPastATotalAreCountedAndUseItUp) {
    CFakeClock clock;
    CFlowMeter meter(Totals(1000, FLOW_NO_TOTAL_LIMIT), clock);
    meter.Account(FLOW_READ, 999);
    EXPECT_FALSE(meter.IsUsedUp(FLOW_READ));
    meter.Account(FLOW_READ, 500);
    EXPECT_TRUE(meter.IsUsedUp(FLOW_READ));
    EXPECT_FALSE(meter.IsUsedUp(FLOW_WRITE));
    EXPECT_EQ(meter.Peek().llAlreadyReads, 1499);
    EXPECT_EQ(meter.Request(FLOW_READ, 1).iError, EACCES);
}

TEST(FlowMeter, ConcurrentRequestsNeverPassTheTotalNorLoseBytes) {
    CFakeClock clock;
    const std::int64_t limit = 1'000'003;
    CFlowMeter meter(Totals(FLOW_NO_TOTAL_LIMIT, limit), clock);
    std::atomic<std::uint64_t> moved{0};
    std::atomic<int> refused{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 5000; ++i) {
                meter.Account(FLOW_READ, 1);
                METER_GRANT g = meter.Request(FLOW_WRITE, 100 + t);
                if (g.iError) {
                    EXPECT_EQ(g.iError, EDQUOT);
                    ++refused;
                    continue;
                }
                // Every third write "fails" half way, giving part of its grant back.
                const std::uint64_t done = i % 3 == 0 ? g.uBytes / 2 : g.uBytes;
                meter.Settle(FLOW_WRITE, g.uBytes, done);
                moved += done;
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    const METER_LOG log = meter.TakeLog();
    EXPECT_EQ(static_cast<std::uint64_t>(log.llAlreadyWrites), moved.load());
    EXPECT_EQ(log.llAlreadyWrites, limit);
    EXPECT_GT(refused.load(), 0);
    EXPECT_EQ(log.llAlreadyReads, 8 * 5000);
}
