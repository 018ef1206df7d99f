// The time source of the flow meters. Pacing is pure arithmetic over this
// clock, so tests drive it with a fake one and never sleep.
#pragma once

#include <chrono>

namespace quorbel {

class CMeterClock {
public:
    virtual ~CMeterClock() = default;

    // Monotonic time; only differences between two readings mean anything.
    virtual std::chrono::nanoseconds Now() const = 0;

    // The process-wide monotonic clock (CLOCK_MONOTONIC), for production use.
    static const CMeterClock& Steady();
};

} // namespace quorbel
