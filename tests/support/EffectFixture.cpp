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

PF_Err EffectTest::render(Host::Layer& input, Host::Layer& output) {
    return effect.render(input, output);
}

Comparison EffectTest::renderAndCompare(const EffectSettings& s, int width, int height,
                                        int paddingBytes, A_long num, A_u_long den) {
    apply(s);
    effect.setDownsample(num, den);
    Host::Layer input(width, height, 8, paddingBytes);
    fillGradient(input);
    Host::Layer output(width, height, 8, paddingBytes);
    output.fill(PF_Pixel{7, 7, 7, 7});
    EXPECT_EQ(render(input, output), PF_Err_NONE);
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
    EffectSettings s;
    s.shapeType = shapeType;
    s.size1 = 14;
    s.size2 = 5;
    s.centerX = 30;
    s.centerY = 22;
    s.rotation = 20;
    s.fillType = 1;
    s.edgeType = 1;
    s.shadowSize = 6;
    s.shadowColor = PF_Pixel{255, 255, 40, 0};
    s.shadowOpacity = 80;
    s.strokeSize = 2;
    s.strokeColor = PF_Pixel{255, 0, 0, 255};
    s.strokeOpacity = 90;
    s.instances = 3;
    s.size1Offset = 2;
    s.size2Offset = 0;
    s.positionXOffset = 9;
    s.positionYOffset = -4;
    s.scaleXOffset = 15;
    s.scaleYOffset = 5;
    s.rotationOffset = 17;
    s.opacityOffset = 0;
    return s;
}

}  // namespace Corvane::Tessory::Testing
