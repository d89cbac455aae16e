#include "tools/nvmaild/FaultSwitches.h"

#include <gtest/gtest.h>

namespace nvmaild {
namespace {

class FaultSwitchesTest : public ::testing::Test {
protected:
    bool arm(const std::string& fault) {
        error.clear();
        return faults.arm(QueryParams::parse(fault), error);
    }

    FaultSwitches faults;
    std::string error;
};

TEST_F(FaultSwitchesTest, SwitchFiresForItsTargetAsOftenAsCountedThenClears) {
    ASSERT_TRUE(arm("target=block&kind=drop&count=2&bytes=100")) << error;
    EXPECT_FALSE(faults.take(FaultTarget::Query).drop) << "another target";
    FaultPlan first = faults.take(FaultTarget::Block);
    EXPECT_TRUE(first.drop);
    EXPECT_EQ(100u, first.dropAfterBytes);
    EXPECT_EQ("target=block&kind=drop&count=1&bytes=100\n", faults.describe());
    EXPECT_TRUE(faults.take(FaultTarget::Block).drop);
    EXPECT_FALSE(faults.take(FaultTarget::Block).drop);
    EXPECT_EQ("", faults.describe());
}

TEST_F(FaultSwitchesTest, SwitchesOfOneTargetFireTogetherAndAlwaysStays) {
    ASSERT_TRUE(arm("target=block&kind=partial"));
    ASSERT_TRUE(arm("target=block&kind=delay&ms=250&count=always"));
    ASSERT_TRUE(arm("target=query&kind=garbage&text=S_OK%20but%20no%20id"));
    const FaultPlan block = faults.take(FaultTarget::Block);
    EXPECT_TRUE(block.storeHalf);
    EXPECT_EQ(250u, block.delayMs);
    EXPECT_FALSE(block.garbage);
    EXPECT_EQ("S_OK but no id", faults.take(FaultTarget::Query).garbage);
    for (int i = 0; i < 3; ++i) {
        const FaultPlan later = faults.take(FaultTarget::Block);
        EXPECT_FALSE(later.storeHalf);
        EXPECT_EQ(250u, later.delayMs);
    }
    faults.clear();
    EXPECT_EQ(0u, faults.take(FaultTarget::Block).delayMs);
}

TEST_F(FaultSwitchesTest, ArmingTheSameKindAgainReplacesIt) {
    ASSERT_TRUE(arm("target=download&kind=throttle&ms=5&count=3"));
    ASSERT_TRUE(arm("target=download&kind=throttle&ms=7"));
    EXPECT_EQ("target=download&kind=throttle&count=1&ms=7\n", faults.describe());
}

TEST_F(FaultSwitchesTest, BadSwitchesAreRefusedAndArmNothing) {
    for (const char* fault :
         {"kind=drop", "target=block", "target=mail&kind=drop", "target=block&kind=explode",
          "target=query&kind=partial", "target=block&kind=throttle&ms=5",
          "target=download&kind=garbage", "target=block&kind=drop&count=0",
          "target=block&kind=drop&count=-1", "target=block&kind=delay",
          "target=block&kind=delay&ms=600001", "target=block&kind=drop&bytes=x"}) {
        EXPECT_FALSE(arm(fault)) << fault;
        EXPECT_FALSE(error.empty()) << fault;
    }
    EXPECT_EQ("", faults.describe());
}

} // namespace
} // namespace nvmaild
