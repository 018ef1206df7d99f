#include "service/engine/MeterClock.h"

namespace quorbel {

namespace {

class CSteadyClock final : public CMeterClock {
public:
    std::chrono::nanoseconds Now() const override {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }
};

} // namespace

const CMeterClock& CMeterClock::Steady() {
    static const CSteadyClock g_SteadyClock;
    return g_SteadyClock;
}

} // namespace quorbel
