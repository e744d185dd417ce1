#include "patchwell/download/transfer/transfer_clock.h"

#include <gtest/gtest.h>

#include <time.h>

using patchwell::download::SteadyTransferClock;

// The transfer's clock runs on the steady clock's time line, never ahead of
// it nor behind by more than one of its ticks, never goes back, and moves on
// across a wait.
TEST(SteadyTransferClock, FollowsTheSteadyClockWithinOneTick) {
    timespec resolution{};
    ASSERT_EQ(clock_getres(CLOCK_MONOTONIC_COARSE, &resolution), 0);
    const auto tick = std::chrono::nanoseconds(resolution.tv_nsec);
    const auto slack = tick + std::chrono::milliseconds(50);  // the thread may be taken away
    auto clock = SteadyTransferClock();
    auto previous = clock->Now();
    for (int i = 0; i < 1000; ++i) {
        const auto before = std::chrono::steady_clock::now();
        const auto ours = clock->Now();
        EXPECT_LE(ours, std::chrono::steady_clock::now());
        EXPECT_GE(ours, before - slack);
        EXPECT_GE(ours, previous);
        previous = ours;
    }
    clock->Sleep(std::chrono::milliseconds(30));
    EXPECT_GE(clock->Now() - previous, std::chrono::milliseconds(30) - tick);
}
