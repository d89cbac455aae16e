#include "tools/nvmaild/FaultSwitches.h"

#include <gtest/gtest.h>

namespace nvmaild {
namespace {

TEST(FaultSwitchesTest, ASwitchFiresAsOftenAsCountedAndBadOnesArmNothing) {
    FaultSwitches faults;
    std::string error;
    for (const char* fault :
         {"kind=drop", "target=block", "target=mail&kind=drop", "target=block&kind=explode",
          "target=query&kind=partial", "target=block&kind=throttle&ms=5",
          "target=download&kind=garbage", "target=block&kind=drop&count=0",
          "target=block&kind=drop&count=-1", "target=block&kind=delay",
          "target=block&kind=delay&ms=600001", "target=block&kind=drop&bytes=x"}) {
        error.clear();
        EXPECT_FALSE(faults.arm(QueryParams::parse(fault), error)) << fault;
        EXPECT_FALSE(error.empty()) << fault;
    }
    EXPECT_EQ("", faults.describe());

    ASSERT_TRUE(faults.arm(QueryParams::parse("target=block&kind=drop&count=2&bytes=100"), error));
    EXPECT_FALSE(faults.take(FaultTarget::Query).drop) << "another target";
    FaultPlan first = faults.take(FaultTarget::Block);
    EXPECT_TRUE(first.drop);
    EXPECT_EQ(100u, first.dropAfterBytes);
    EXPECT_EQ("target=block&kind=drop&count=1&bytes=100\n", faults.describe());
    EXPECT_TRUE(faults.take(FaultTarget::Block).drop);
    EXPECT_FALSE(faults.take(FaultTarget::Block).drop);
    EXPECT_EQ("", faults.describe());
}

} // namespace
} // namespace nvmaild
