#include "patchwell/download/transfer/ring_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using patchwell::download::RingBuffer;

namespace {

// A step of a case: push `push` bytes (taken from the running source), or
// take `take` bytes and check them against the bytes pushed in order.
struct Step {
    std::size_t push = 0;
    std::size_t take = 0;
    std::size_t grow = 0;  // grow to this capacity first (0: no growing)
};

struct Case {
    const char* name;
    std::size_t capacity;
    std::vector<Step> steps;
    std::size_t peak;
};

}  // namespace

TEST(RingBuffer, EveryWrapCaseHandsOutTheBytesInOrder) {
    const Case cases[] = {
        {"fill and empty exactly", 8, {{8, 0}, {0, 8}}, 8},
        {"a take that ends at the ring's end", 8, {{5, 0}, {0, 3}, {3, 0}, {0, 5}}, 5},
        {"a push that wraps", 8, {{6, 0}, {0, 4}, {5, 0}, {0, 7}}, 7},
        {"a take that wraps (handed out as a copy)", 8, {{6, 0}, {0, 5}, {6, 0}, {0, 7}}, 7},
        {"emptied, the next push starts at the front", 8, {{7, 0}, {0, 7}, {8, 0}, {0, 8}}, 8},
        {"single bytes all the way round",
         3,
         {{1, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 0}, {0, 1}, {1, 0}, {0, 1}},
         1},
        {"grown while wrapped keeps the order",
         8,
         {{6, 0}, {0, 5}, {6, 0}, {4, 0, 16}, {0, 11}},
         11},
        {"a chunk larger than the first ring", 4, {{3, 0}, {0, 2}, {9, 0, 12}, {0, 10}}, 10},
        {"a take of nothing", 4, {{2, 0}, {0, 0}, {0, 2}}, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RingBuffer ring(c.capacity);
        std::string pushed;
        std::size_t taken = 0;
        char next = 'a';
        for (const Step& step : c.steps) {
            if (step.grow > 0) {
                ring.Grow(step.grow);
                EXPECT_EQ(ring.capacity(), step.grow);
            }
            if (step.push > 0) {
                std::string bytes;
                for (std::size_t i = 0; i < step.push; ++i) {
                    bytes += next;
                    next = next == 'z' ? 'a' : static_cast<char>(next + 1);
                }
                ASSERT_LE(step.push, ring.free());
                ring.Push(bytes.data(), bytes.size());
                pushed += bytes;
            }
            if (step.push == 0) {
                const auto view = ring.Take(step.take);
                EXPECT_EQ(view, pushed.substr(taken, step.take));
                taken += step.take;
            }
            EXPECT_EQ(ring.size(), pushed.size() - taken);
            EXPECT_EQ(ring.free(), ring.capacity() - ring.size());
        }
        EXPECT_EQ(ring.size(), 0u);
        EXPECT_EQ(ring.peak(), c.peak);
    }
}
