#include "transfer_clock.h"

#include <gtest/gtest.h>

#include <chrono>

#include <time.h>

using patchwell::download::SteadyTransferClock;
using patchwell::download::TransferClock;

// The transfer's clock runs on the steady clock's time line, never ahead of
// it and behind it by at most one of its ticks, and never goes back.
TEST(SteadyTransferClock, FollowsTheSteadyClockWithinOneTick) {
    timespec resolution{};
    ASSERT_EQ(clock_getres(CLOCK_MONOTONIC_COARSE, &resolution), 0);
    const auto tick =
        std::chrono::seconds(resolution.tv_sec) + std::chrono::nanoseconds(resolution.tv_nsec);
    // Room for the scheduler taking the thread away between two readings.
    const auto slack = tick + std::chrono::milliseconds(50);
    auto clock = SteadyTransferClock();
    TransferClock::TimePoint previous = clock->Now();
    for (int i = 0; i < 1000; ++i) {
        const auto before = std::chrono::steady_clock::now();
        const auto ours = clock->Now();
        const auto after = std::chrono::steady_clock::now();
        EXPECT_LE(ours, after);
        EXPECT_GE(ours, before - slack);
        EXPECT_GE(ours, previous);
        previous = ours;
    }
}

// Waiting moves it on by about the wait.
TEST(SteadyTransferClock, AdvancesAcrossASleep) {
    auto clock = SteadyTransferClock();
    const auto start = clock->Now();
    const auto steadyStart = std::chrono::steady_clock::now();
    clock->Sleep(std::chrono::milliseconds(30));
    const auto steadyElapsed = std::chrono::steady_clock::now() - steadyStart;
    const auto elapsed = clock->Now() - start;
    timespec resolution{};
    ASSERT_EQ(clock_getres(CLOCK_MONOTONIC_COARSE, &resolution), 0);
    const auto tick = std::chrono::nanoseconds(resolution.tv_nsec);
    EXPECT_GE(elapsed, std::chrono::milliseconds(30) - tick);
    EXPECT_LE(elapsed, steadyElapsed + tick);
}
