// "Edge Type" shows either the shadow or the stroke controls, through the streams' hidden
// flags; the interface is asked to redraw all six every time.
#include <gtest/gtest.h>

#include "EffectFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

class VisibilityTest : public EffectTest {
  protected:
    /// The shadow's three controls (10-12) shown and the stroke's (13-15) hidden, or the
    /// other way round.
    void expectShadowShown(bool shadow) const {
        for (int i = 10; i <= 15; ++i) {
            const bool hidden = effect.params()[i].streamFlags & AEGP_DynStreamFlag_HIDDEN;
            EXPECT_EQ(hidden, shadow == (i >= 13)) << i;
        }
    }
    std::vector<std::string> flagCalls() const {
        std::vector<std::string> out;
        for (const std::string& c : probe.calls())
            if (c.rfind("AEGP_SetDynamicStreamFlag", 0) == 0) out.push_back(c);
        return out;
    }
    std::vector<int> redrawn() const {
        std::vector<int> out;
        for (const auto& u : effect.uiUpdates()) out.push_back(u.index);
        return out;
    }
    void expectClean() const {
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveEffectHandles(), 0);
        EXPECT_EQ(probe.liveStreamHandles(), 0);
    }
    const std::vector<int> kAllSix{10, 11, 12, 13, 14, 15};
};

TEST_F(VisibilityTest, UpdateOnAFreshEffectHidesTheStrokeControls) {
    probe.clearCalls();
    ASSERT_EQ(effect.updateParamsUI(), PF_Err_NONE);
    expectShadowShown(true);
    // Only the three stroke streams change; "Stroke Opacity" too, which registration left
    // visible.
    EXPECT_EQ(flagCalls(), (std::vector<std::string>{"AEGP_SetDynamicStreamFlag 13 2 1",
                                                     "AEGP_SetDynamicStreamFlag 14 2 1",
                                                     "AEGP_SetDynamicStreamFlag 15 2 1"}));
    EXPECT_EQ(redrawn(), kAllSix);
    // The definitions go back as they came: the registered invisible flag stays.
    EXPECT_EQ(effect.uiUpdates()[3].uiFlags, PF_PUI_INVISIBLE);
    EXPECT_EQ(effect.uiUpdates()[5].uiFlags, 0);
    expectClean();
}

TEST_F(VisibilityTest, SwitchingEdgeTypeSwapsTheSetsAndBack) {
    ASSERT_EQ(effect.updateParamsUI(), PF_Err_NONE);
    set("Edge Type", 2);
    probe.clearCalls();
    ASSERT_EQ(effect.userChangedParam(9), PF_Err_NONE);
    expectShadowShown(false);
    EXPECT_EQ(flagCalls(), (std::vector<std::string>{
                               "AEGP_SetDynamicStreamFlag 10 2 1",
                               "AEGP_SetDynamicStreamFlag 11 2 1",
                               "AEGP_SetDynamicStreamFlag 12 2 1",
                               "AEGP_SetDynamicStreamFlag 13 2 0",
                               "AEGP_SetDynamicStreamFlag 14 2 0",
                               "AEGP_SetDynamicStreamFlag 15 2 0",
                           }));

    // Already in the wanted state: no flag call, but every control is redrawn.
    probe.clearCalls();
    const size_t before = effect.uiUpdates().size();
    ASSERT_EQ(effect.userChangedParam(9), PF_Err_NONE);
    EXPECT_TRUE(flagCalls().empty());
    EXPECT_EQ(effect.uiUpdates().size(), before + 6);

    set("Edge Type", 1);
    ASSERT_EQ(effect.userChangedParam(9), PF_Err_NONE);
    expectShadowShown(true);
    expectClean();
}

TEST_F(VisibilityTest, OtherChangedParametersDoNothing) {
    probe.clearCalls();
    const size_t before = effect.uiUpdates().size();
    for (int index : {1, 6, 10, 13, 18}) {
        EXPECT_EQ(effect.userChangedParam(index), PF_Err_NONE) << index;
    }
    EXPECT_TRUE(probe.calls().empty());
    EXPECT_EQ(effect.uiUpdates().size(), before);
    for (int i = 10; i <= 15; ++i)
        EXPECT_FALSE(effect.params()[i].streamFlags & AEGP_DynStreamFlag_HIDDEN) << i;
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
