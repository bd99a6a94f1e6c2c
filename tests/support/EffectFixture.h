// The built effect module in the host runtime: one host, one applied effect, set up and
// with its parameters registered; helpers to set a whole frame's parameters and to render
// and compare with the CPU reference.
#pragma once

#include <gtest/gtest.h>

#include "Host/EffectInstance.h"
#include "Host/HostApp.h"
#include "Host/HostProbe.h"
#include "Host/Layer.h"
#include "Host/PluginModule.h"
#include "Reference.h"

namespace Corvane::Tessory::Testing {

class EffectTest : public ::testing::Test {
  protected:
    EffectTest();
    void SetUp() override;
    void TearDown() override;

    /// Position of a parameter by name; fails the test when it is missing.
    int param(const char* name) const;
    void set(const char* name, double v0, double v1 = 0, double v2 = 0, double v3 = 0);
    /// Every parameter the settings name.
    void apply(const EffectSettings& s);
    /// Applies s, renders a gradient frame of the given size and compares it with the
    /// reference; reports the comparison and the outline pixels in the test output.
    Comparison renderAndCompare(const EffectSettings& s, int width, int height,
                                int paddingBytes = 0, A_long num = 1, A_u_long den = 1);
    /// True when eglGetCurrentContext is the calling thread's host context (no context
    /// at all when the host offers no GPU).
    bool hostContextCurrent();

    Host::HostApp host;

    Host::HostProbe probe{host};
    Host::PluginModule module;
    Host::EffectInstance effect;
};

/// A frame setting that shows the shape, its band and three echoes inside a 64 x 48 frame.
EffectSettings smallFrame(int shapeType);

}  // namespace Corvane::Tessory::Testing
