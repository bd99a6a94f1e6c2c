// One host, one applied effect set up and registered, with the checks every reliability
// test makes after a command: the host's context is current again and the plug-in holds
// nothing of the host's.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "EffectFixture.h"
#include "PeakResident.h"

namespace Corvane::Tessory::Testing {

class ReliabilityTest : public EffectTest {
  protected:
    /// As EffectTest's, but counting GL objects instead of recording every call.
    void SetUp() override;
    void TearDown() override;

    /// A frame that shows a shape with a shadow and three echoes in a 48 x 32 frame.
    void smallScene(int shapeType = 1);
    /// Renders a gradient of that size into output (resized to match).
    PF_Err frame(int width, int height, Host::Layer& output);

    /// Suites, handles, blocks, streams and check-outs the plug-in still holds, for
    /// messages; empty when it holds none.
    std::string outstanding() const;
};

/// A reliability test run once with the host offering GL and once offering no GPU.
class RendererReliabilityTest : public ReliabilityTest,
                                public ::testing::WithParamInterface<Host::HostApp::Renderer> {
  protected:
    void SetUp() override {
        host.setRenderer(GetParam());
        ReliabilityTest::SetUp();
    }
    bool onCpu() const { return GetParam() == Host::HostApp::Renderer::CPU; }
};

#define TESSORY_ON_BOTH_RENDERERS(suite)                                              \
    INSTANTIATE_TEST_SUITE_P(                                                         \
        Renderers, suite,                                                             \
        ::testing::Values(Host::HostApp::Renderer::GL, Host::HostApp::Renderer::CPU), \
        [](const auto& info) { return info.param == Host::HostApp::Renderer::GL ? "GL" : "CPU"; })

/// Pixels that no frame of the effect can leave: the output is straight colour, and a
/// pixel with alpha 0 has every channel 0. A frame that leaves a pixel unwritten over a
/// layer filled with kUnwritten shows up here too.
int invalidPixels(const Host::Layer& layer);
/// Transparent but coloured: what a layer is filled with before a frame that must write
/// every pixel.
constexpr PF_Pixel kUnwritten{0, 9, 9, 9};
/// Largest difference of any channel; layers of different sizes differ by 256.
int maxDifference(const Host::Layer& a, const Host::Layer& b);
/// An unsigned count from the environment, or the fallback when unset or not a number.
uint64_t environmentCount(const char* name, uint64_t fallback);
/// True in a build with AddressSanitizer (memory figures mean little there).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUnderAddressSanitizer = true;
#else
constexpr bool kUnderAddressSanitizer = false;
#endif

}  // namespace Corvane::Tessory::Testing
