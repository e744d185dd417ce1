#pragma once

// The time source of the transfer's time-outs and waits. The steady clock in
// use; tests give a simulated one, so that stalls, low-speed floors, retry
// waits and Retry-After run without sleeping.

#include <chrono>
#include <ctime>
#include <memory>

namespace patchwell::download {

class TransferClock {
public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~TransferClock() = default;
    virtual TimePoint Now() = 0;
    // Seconds since the epoch, for HTTP dates (Retry-After).
    virtual std::time_t WallSeconds() = 0;
    // Waits this long doing nothing (between two attempts of a body).
    virtual void Sleep(Duration d) = 0;
    // Called after each wait on the sockets of at most `d`; a simulated clock
    // moves on by `d` here, the steady clock has moved by itself.
    virtual void Polled(Duration d) = 0;
};

// The system's monotonic clock at the resolution of a scheduler tick (a few
// milliseconds), on the time line of std::chrono::steady_clock.
std::shared_ptr<TransferClock> SteadyTransferClock();

}  // namespace patchwell::download
