#include "transfer_clock.h"

#include <thread>

namespace patchwell::download {

namespace {

class SteadyClock final : public TransferClock {
public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
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
