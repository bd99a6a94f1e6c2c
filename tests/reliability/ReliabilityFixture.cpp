#include "ReliabilityFixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "GLObserver.h"

namespace Corvane::Tessory::Testing {

void ReliabilityTest::SetUp() {
    // Resident memory then follows what is alive, not what the heap keeps for later.
    keepLargeBlocksMapped();
    GLObserver::install(GLObserver::Watch::Objects);
    ASSERT_EQ(effect.globalSetup(), PF_Err_NONE);
    ASSERT_EQ(effect.paramsSetup(), PF_Err_NONE);
    ASSERT_EQ(effect.params().size(), 28u);
}

void ReliabilityTest::TearDown() {
    probe.clearFaults();
    EffectTest::TearDown();
    EXPECT_TRUE(hostContextCurrent());
    EXPECT_EQ(outstanding(), "");
}

void ReliabilityTest::smallScene(int shapeType) {
    effect.setLayerSize(48, 32);
    set("Shape Type", shapeType);
    set("Shape Size 1", 10);
    set("Shape Size 2", 4);
    set("Shape Center", 20, 15);
    set("Shape Rotation", 15);
    set("Shadow Size", 5);
    set("Instances", 3);
    set("Position X Offset", 8);
    set("Position Y Offset", -3);
}

PF_Err ReliabilityTest::frame(int width, int height, Host::Layer& output) {
    Host::Layer input(width, height);
    fillGradient(input);
    if (output.width() != width || output.height() != height) output = Host::Layer(width, height);
    return effect.render(input, output);
}

std::string ReliabilityTest::outstanding() const {
    std::ostringstream s;
    auto add = [&](const char* what, int n) {
        if (n) s << (s.tellp() > 0 ? ", " : "") << n << " " << what;
    };
    add("suites", probe.outstandingSuites());
    add("PF handles", probe.liveHandles());
    add("memory handles", probe.liveMemHandles());
    add("effect handles", probe.liveEffectHandles());
    add("stream handles", probe.liveStreamHandles());
    add("blocks", probe.liveBlocks());
    add("check-outs", effect.outstandingCheckouts());
    return s.str();
}

int invalidPixels(const Host::Layer& layer) {
    int n = 0;
    for (int y = 0; y < layer.height(); ++y) {
        for (int x = 0; x < layer.width(); ++x) {
            const PF_Pixel& p = layer.pixel8(x, y);
            if (p.alpha == 0 && (p.red || p.green || p.blue)) ++n;
        }
    }
    return n;
}

int maxDifference(const Host::Layer& a, const Host::Layer& b) {
    if (a.width() != b.width() || a.height() != b.height()) return 256;
    int worst = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const PF_Pixel &p = a.pixel8(x, y), &q = b.pixel8(x, y);
            worst = std::max({worst, std::abs(p.alpha - q.alpha), std::abs(p.red - q.red),
                              std::abs(p.green - q.green), std::abs(p.blue - q.blue)});
        }
    }
    return worst;
}

uint64_t environmentCount(const char* name, uint64_t fallback) {
    const char* text = std::getenv(name);
    if (!text || !*text) return fallback;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    return *end ? fallback : value;
}

}  // namespace Corvane::Tessory::Testing
