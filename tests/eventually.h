#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>
#include <type_traits>

// Every wait of the end-to-end tests: a condition polled until it holds or a
// limit passes, never a sleep of a guessed length. The limit is generous, as a
// loaded machine or a sanitizer build may be slow to start a program or draw;
// a condition that holds costs no more than it takes.
inline constexpr std::chrono::milliseconds patience{30000};
inline constexpr std::chrono::milliseconds pollInterval{50};

// A condition's answer with what it saw, for the failure message.
inline ::testing::AssertionResult saw(bool holds, const std::string& what) {
    return (holds ? ::testing::AssertionSuccess() : ::testing::AssertionFailure()) << what;
}
// `actual` against `expected`, both shown when they differ.
template <class T>
::testing::AssertionResult sawEqual(const T& actual, const T& expected) {
    std::ostringstream what;
    what << "saw " << ::testing::PrintToString(actual);
    if (!(actual == expected)) what << ", not " << ::testing::PrintToString(expected);
    return saw(actual == expected, what.str());
}

// Polls `condition` (returning an AssertionResult, or a bool) every `interval`
// until it holds; past `limit`, a failure that gives the time waited and what
// the condition said at its last look. Use in EXPECT_TRUE or ASSERT_TRUE.
template <class Condition>
::testing::AssertionResult eventually(Condition condition, std::chrono::milliseconds limit = patience,
                                      std::chrono::milliseconds interval = pollInterval) {
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        const auto result = condition();
        const bool holds = static_cast<bool>(result);
        if (holds) return ::testing::AssertionSuccess();
        if (std::chrono::steady_clock::now() - start >= limit) {
            std::ostringstream waited;  // GoogleTest would print every digit of the double
            waited << "waited " << limit.count() / 1000.0 << " s; the last look: ";
            ::testing::AssertionResult failure = ::testing::AssertionFailure() << waited.str();
            if constexpr (std::is_same_v<std::decay_t<decltype(result)>, bool>) failure << "the condition did not hold";
            else failure << result.message();
            return failure;
        }
        std::this_thread::sleep_for(interval);
    }
}
