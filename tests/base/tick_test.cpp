#include "base/tick.h"

#include <gtest/gtest.h>

namespace {

TEST(TextUtil, TickSpanHandlesWrap)
{
    EXPECT_EQ(TickSpan(0xFFFFFF00u, 0x100u), 0x200u);
    EXPECT_EQ(TickSpan(0x200u, 0x100u), 0x100u);
    EXPECT_EQ(TickSpan(5u, 5u), 0u);
    EXPECT_EQ(TickSpan(5u, 9u), 4u);
}

}
