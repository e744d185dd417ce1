#include "patchwell/download/transfer/transfer_clock.h"

#include <thread>

#include <time.h>

namespace patchwell::download {

namespace {

class SteadyClock final : public TransferClock {
public:
    // The transfer reads the time once for every chunk it hands out, which
    // at 1 KiB chunks is hundreds of thousands of times a second. Its time-
    // outs and the event hook's pace are tens of milliseconds and more, so
    // the coarse monotonic clock (the same time line, advanced once a tick,
    // read without touching the hardware clock) is all they need.
    TimePoint Now() override {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
        return TimePoint(std::chrono::duration_cast<Duration>(
            std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec)));
    }
    std::time_t WallSeconds() override { return std::time(nullptr); }
    void Sleep(Duration d) override { std::this_thread::sleep_for(d); }
    void Polled(Duration) override {}
};

}  // namespace

std::shared_ptr<TransferClock> SteadyTransferClock() {
    static const auto clock = std::make_shared<SteadyClock>();
    return clock;
}

}  // namespace patchwell::download
