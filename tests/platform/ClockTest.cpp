#include <gtest/gtest.h>

#include "platform/os/Clock.h"

TEST(Clock, ReplaceableSourceAndRealFallback) {
    long fake = 1234;
    os::SetClockSource([&] { return fake; });
    EXPECT_EQ(os::ClockMs(), 1234);
    fake += 70;
    EXPECT_EQ(os::ClockMs(), 1304);

    os::SetClockSource({});
    const long a = os::ClockMs();
    const long b = os::ClockMs();
    EXPECT_GE(a, 0);
    EXPECT_GE(b, a);  // real time never runs backwards
}
