#include "cli/retry_wait.h"

#include <gtest/gtest.h>

namespace {

// 1994-11-06 08:49:37 UTC.
constexpr std::int64_t now = 784111777;

struct WaitCase {
    const char* retryAfter;
    std::int64_t seconds;
};

using RetryWaitTest = testing::TestWithParam<WaitCase>;

TEST_P(RetryWaitTest, AsksForSecondsOrADateWithinBounds)
{
    EXPECT_EQ(RetryWait(GetParam().retryAfter, now), std::chrono::seconds(GetParam().seconds));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Values, RetryWaitTest, testing::Values(
    WaitCase { "1", 1 }, WaitCase { " 7\t", 7 }, WaitCase { "0", 0 }, WaitCase { "31", 30 },
    WaitCase { "99999999999999999999", 2 }, WaitCase { "-1", 2 }, WaitCase { "1.5", 2 }, WaitCase { "", 2 },
    WaitCase { "soon", 2 }, WaitCase { "Sun, 06 Nov 1994 08:49:47 GMT", 10 },
    WaitCase { "Sun, 06 Nov 1994 08:49:37 GMT", 0 }, WaitCase { "Sat, 05 Nov 1994 08:49:37 GMT", 0 },
    WaitCase { "Mon, 07 Nov 1994 08:49:37 GMT", 30 }, WaitCase { "Tue, 01 Mar 2000 00:00:00 GMT", 30 },
    WaitCase { "Sun, 06 Nov 1994 08:49:47 UTC", 2 }, WaitCase { "Sun, 06 Xyz 1994 08:49:47 GMT", 2 },
    WaitCase { "Sun, 06 Nov 1994 25:49:47 GMT", 2 }, WaitCase { "Sunday, 06-Nov-94 08:49:47 GMT", 2 }));
// clang-format on

}
