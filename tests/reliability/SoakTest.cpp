// A long run of frames whose size and shape change between them: after warm-up the GL
// objects alive stay exactly the same and resident memory stays flat.
#include <gtest/gtest.h>

#include <algorithm>

#include "GLObserver.h"
#include "ReliabilityFixture.h"

namespace Corvane::Tessory::Testing {
namespace {

using ReliabilitySoak = ReliabilityTest;

TEST_F(ReliabilitySoak, ObjectsAndMemoryStayFlatWhileSizeAndShapeChange) {
    const uint64_t frames = std::max<uint64_t>(environmentCount("TESSORY_SOAK_FRAMES", 500), 60);
    const uint64_t warmUp = frames / 5;
    const int sizes[][2] = {{48, 32}, {17, 29}, {64, 8}, {1, 40}, {33, 33}};
    smallScene(1);
    std::map<std::string, int> settled;
    uint64_t settledRss = 0, peakRss = 0;
    int objectChanges = 0;
    for (uint64_t n = 0; n < frames; ++n) {
        // Shape and size change at different rates, so every pairing comes round.
        const auto& size = sizes[(n / 3) % std::size(sizes)];
        set("Shape Type", 1 + static_cast<int>((n / 2) % 9));
        set("Instances", 1 + static_cast<int>(n % 20));
        effect.setLayerSize(size[0], size[1]);
        Host::Layer output(size[0], size[1]);
        ASSERT_EQ(frame(size[0], size[1], output), PF_Err_NONE) << "frame " << n;
        probe.clearCalls();  // the host's own record of calls would grow otherwise
        if (n + 1 == warmUp) {
            settled = GLObserver::alive();
            settledRss = residentBytes();
        } else if (n + 1 > warmUp) {
            if (GLObserver::alive() != settled && ++objectChanges <= 3)
                ADD_FAILURE() << "frame " << n << ": " << GLObserver::describe();
            peakRss = std::max(peakRss, residentBytes());
        }
    }
    const uint64_t endRss = residentBytes();
    const double mib = 1024.0 * 1024.0;
    std::cout << "[ soak ] " << frames
              << " frames; GL objects after warm-up and at the end: " << GLObserver::describe()
              << "; resident " << settledRss / mib << " MiB after " << warmUp << " frames, peak "
              << peakRss / mib << " MiB, end " << endRss / mib << " MiB" << std::endl;
    EXPECT_EQ(objectChanges, 0);
    EXPECT_FALSE(settled.empty()) << "the counter saw no GL objects";
    // The frames are tiny: what a leak of one frame's buffers or of a program per shape
    // change would add up to over the run is far above this. The sanitizer's quarantine
    // keeps freed memory resident, so its build only reports the figures.
    if (!kUnderAddressSanitizer) {
        EXPECT_LT(peakRss, settledRss + 24 * 1024 * 1024);
    }
}

TEST_F(ReliabilitySoak, FullHDFramesKeepResidentMemoryFlat) {
    // Large frames take the driver's large-allocation paths, which tiny frames never do.
    const uint64_t frames = std::max<uint64_t>(environmentCount("TESSORY_SOAK_HD_FRAMES", 24), 12);
    effect.setLayerSize(1920, 1080);
    Host::Layer input(1920, 1080), output(1920, 1080);
    fillGradient(input);
    // The highest figure of the first frames against the highest of the rest.
    uint64_t settled = 0, peak = 0;
    for (uint64_t n = 0; n < frames; ++n) {
        ASSERT_EQ(effect.render(input, output), PF_Err_NONE) << "frame " << n;
        probe.clearCalls();
        uint64_t& into = n < 6 ? settled : peak;
        into = std::max(into, residentBytes());
    }
    const double mib = 1024.0 * 1024.0;
    std::cout << "[ soak ] " << frames << " frames of 1920x1080; resident at most " << settled / mib
              << " MiB in the first 6 frames, " << peak / mib << " MiB after" << std::endl;
    if (!kUnderAddressSanitizer) {
        EXPECT_LT(peak, settled + 32 * 1024 * 1024);
    }
}

}  // namespace
}  // namespace Corvane::Tessory::Testing
