#include "EffectFixture.h"

#include <EGL/egl.h>

#include "GLObserver.h"

namespace Corvane::Tessory::Testing {

EffectTest::EffectTest() : module(Host::PluginModule::defaultPath()), effect(host, module) {
    EGLContextProbe::clear();
}

void EffectTest::SetUp() {
    GLObserver::install();
    ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);
    ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE);
    ASSERT_EQ(effect.params().size(), 28u);
}

void EffectTest::TearDown() {
    EXPECT_EQ(effect.globalSetdown(), PF_Err_NONE);
}

int EffectTest::param(const char* name) const {
    const int index = effect.findParam(name);
    EXPECT_GE(index, 0) << name;
    return index;
}

void EffectTest::set(const char* name, double v0, double v1, double v2, double v3) {
    effect.setValue(param(name), Host::ParamValue{v0, v1, v2, v3});
}

void EffectTest::apply(const EffectSettings& s) {
    auto color = [&](const char* name, const PF_Pixel& c) {
        set(name, c.alpha, c.red, c.green, c.blue);
    };
    set("Shape Type", s.shapeType);
    set("Shape Size 1", s.size1);
    set("Shape Size 2", s.size2);
    set("Shape Center", s.centerX, s.centerY);
    set("Shape Rotation", s.rotation);
    set("Fill Type", s.fillType);
    set("Transparent Background", s.transparentBackground ? 1 : 0);
    set("Edge Type", s.edgeType);
    set("Shadow Size", s.shadowSize);
    color("Shadow Color", s.shadowColor);
    set("Shadow Opacity", s.shadowOpacity);
    set("Stroke Size", s.strokeSize);
    color("Stroke Color", s.strokeColor);
    set("Stroke Opacity", s.strokeOpacity);
    set("Instances", s.instances);
    set("Shape Size 1 Offset", s.size1Offset);
    set("Shape Size 2 Offset", s.size2Offset);
    set("Position X Offset", s.positionXOffset);
    set("Position Y Offset", s.positionYOffset);
    set("Scale X Offset", s.scaleXOffset);
    set("Scale Y Offset", s.scaleYOffset);
    set("Rotation Offset", s.rotationOffset);
    set("Opacity Offset", s.opacityOffset);
}

Comparison EffectTest::renderAndCompare(const EffectSettings& s, int width, int height,
                                        int paddingBytes, A_long num, A_u_long den) {
    apply(s);
    effect.setDownsample(num, den);
    Host::Layer input(width, height, 8, paddingBytes);
    fillGradient(input);
    Host::Layer output(width, height, 8, paddingBytes);
    output.fill(PF_Pixel{7, 7, 7, 7});
    EXPECT_EQ(effect.render(input, output), PF_Err_NONE);
    EXPECT_TRUE(output.paddingIntact());
    EXPECT_TRUE(input.paddingIntact());
    const ReferenceFrame ref = renderReference(input, s, s.shapeType, num, den);
    const Comparison c = compare(ref, output);
    std::cout << "[ outline ] " << ::testing::UnitTest::GetInstance()->current_test_info()->name()
              << " shape " << s.shapeType << ": " << c.describe() << std::endl;
    // Enough of the frame must be off the outlines for the comparison to mean something.
    EXPECT_GT(c.compared, c.nearOutline);
    EXPECT_LE(c.worst, 2) << c.describe();
    return c;
}

bool EffectTest::hostContextCurrent() {
    // A host that offers no GPU makes no context current, and the effect must not either.
    if (host.gpuFramework() == PF_GPU_Framework_NONE)
        return eglGetCurrentContext() == EGL_NO_CONTEXT;
    return eglGetCurrentContext() == static_cast<EGLContext>(host.hostContext());
}

EffectSettings smallFrame(int shapeType) {
    return EffectSettings{.shapeType = shapeType,
                          .size1 = 14,
                          .size2 = 5,
                          .centerX = 30,
                          .centerY = 22,
                          .rotation = 20,
                          .shadowSize = 6,
                          .shadowColor = PF_Pixel{255, 255, 40, 0},
                          .shadowOpacity = 80,
                          .strokeSize = 2,
                          .strokeColor = PF_Pixel{255, 0, 0, 255},
                          .strokeOpacity = 90,
                          .instances = 3,
                          .size1Offset = 2,
                          .positionXOffset = 9,
                          .positionYOffset = -4,
                          .scaleXOffset = 15,
                          .scaleYOffset = 5,
                          .rotationOffset = 17};
}

}  // namespace Corvane::Tessory::Testing
