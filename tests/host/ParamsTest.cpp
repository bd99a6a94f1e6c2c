// The parameter store: registration, check-out at a time, keyframes, points and downsampling.
#include <cstring>

#include "Host/Layer.h"
#include "HostFixture.h"

namespace Corvane::Tessory::Host::Testing {
namespace {

class Params : public HostFixture {
  protected:
    /// The definition check-out hands over for position index at seconds (30 fps time base).
    PF_ParamDef checkout(int index, double seconds) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof(def));
        const PF_Err err = inCommand([&](const Command& c) -> PF_Err {
            const A_long time = static_cast<A_long>(seconds * 30000);
            if (PF_Err e =
                    c.in->inter.checkout_param(c.in->effect_ref, index, time, 1000, 30000, &def)) {
                return e;
            }
            return c.in->inter.checkin_param(c.in->effect_ref, &def);
        });
        EXPECT_EQ(err, PF_Err_NONE);
        return def;
    }
};

TEST_F(Params, CheckoutGivesTheValueAtTheAskedTimeNotTheCurrentOne) {
    ASSERT_EQ(registerParams({slider("Size", 0, 0, 1000), floatSlider("Amount", 0),
                              color("Tint", PF_Pixel{255, 0, 0, 0})}),
              PF_Err_NONE);
    effect.setKeyframes(1, {{0.0, {0}}, {2.0, {101}}});
    effect.setKeyframes(2, {{2.0, {-10}}, {0.0, {10}}});  // sorted by the host
    effect.setKeyframes(3, {{0.0, {255, 0, 100, 200}}, {1.0, {255, 255, 0, 200}}});
    effect.setTime(5.0);
    EXPECT_EQ(checkout(1, 1.0).u.sd.value, 51);  // 50.5 rounds away from zero
    EXPECT_DOUBLE_EQ(checkout(2, 0.5).u.fs_d.value, 5.0);
    const PF_Pixel mid = checkout(3, 0.5).u.cd.value;
    EXPECT_EQ(mid.alpha, 255);
    EXPECT_EQ(mid.red, 128);
    EXPECT_EQ(mid.green, 50);
    EXPECT_EQ(mid.blue, 200);
    // The registered ranges come along with the value.
    EXPECT_EQ(checkout(1, 1.0).u.sd.valid_max, 1000);
    EXPECT_EQ(effect.outstandingCheckouts(), 0);
}

TEST_F(Params, KeysAreHeldOutsideTheirRangeAndStepForPopupsAndCheckboxes) {
    ASSERT_EQ(registerParams(
                  {slider("Size", 0), popup("Mode", 3, 1, "a|b|c"), checkbox("On", false, "")}),
              PF_Err_NONE);
    effect.setKeyframes(1, {{1.0, {10}}, {2.0, {20}}});
    effect.setKeyframes(2, {{0.0, {1}}, {1.0, {3}}});
    effect.setKeyframes(3, {{0.0, {0}}, {1.0, {1}}});
    EXPECT_EQ(effect.valueAt(1, 0.0)[0], 10);
    EXPECT_EQ(effect.valueAt(1, 1.5)[0], 15);
    EXPECT_EQ(effect.valueAt(1, 9.0)[0], 20);
    EXPECT_EQ(effect.valueAt(2, 0.99)[0], 1);
    EXPECT_EQ(effect.valueAt(2, 1.0)[0], 3);
    EXPECT_EQ(effect.valueAt(3, 0.9)[0], 0);
    EXPECT_EQ(checkout(2, 0.9).u.pd.value, 1);
    EXPECT_EQ(checkout(3, 1.0).u.bd.value, 1);
    // Without keys the plain value counts again.
    effect.setKeyframes(1, {});
    effect.setValue(1, {7});
    EXPECT_EQ(checkout(1, 1.5).u.sd.value, 7);
}

TEST_F(Params, PointDefaultIsPerCentOfTheLayerAndScaledByDownsampling) {
    ASSERT_EQ(registerParams({point("Center", 50, 25)}), PF_Err_NONE);
    effect.setLayerSize(200, 100);
    PF_ParamDef def = checkout(1, 0);
    EXPECT_EQ(def.u.td.x_value, 100 * 65536);
    EXPECT_EQ(def.u.td.y_value, 25 * 65536);
    EXPECT_EQ(def.u.td.x_dephault, 50 * 65536);  // the registered default is kept

    // A set value is in full-size pixels and comes back in downsampled ones.
    effect.setValue(1, {80, 30});
    effect.setDownsample(1, 2);
    def = checkout(1, 0);
    EXPECT_EQ(def.u.td.x_value, 40 * 65536);
    EXPECT_EQ(def.u.td.y_value, 15 * 65536);

    // During a render the default refers to the render's (downsampled) input layer.
    ASSERT_EQ(registerParams({point("Center", 50, 50)}), PF_Err_NONE);
    Layer in(61, 40), out(61, 40);
    PF_Fixed x = 0, y = 0;
    onCommand = [&](const Command& c) -> PF_Err {
        if (c.cmd != PF_Cmd_RENDER) return PF_Err_NONE;
        x = c.params[1]->u.td.x_value;
        y = c.params[1]->u.td.y_value;
        EXPECT_EQ(c.params[0]->u.ld.width, 61);
        EXPECT_EQ(c.params[0]->u.ld.data, in.def()->data);
        EXPECT_EQ(c.output, out.def());
        EXPECT_EQ(c.in->downsample_x.den, 2u);
        return PF_Err_NONE;
    };
    EXPECT_EQ(effect.render(in, out), PF_Err_NONE);
    EXPECT_EQ(x, static_cast<PF_Fixed>(30.5 * 65536));
    EXPECT_EQ(y, 20 * 65536);
}

}  // namespace
}  // namespace Corvane::Tessory::Host::Testing
