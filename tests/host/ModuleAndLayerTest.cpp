// Loading modules, and the host's image buffers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "Host/HostError.h"
#include "Host/Layer.h"
#include "Host/PixelBuffer.h"
#include "Host/PluginModule.h"
#include "PixelFormat.h"

using namespace Corvane::Tessory::Host;

namespace {

std::string loadError(const std::string& path) {
    try {
        PluginModule module(path);
    } catch (const HostError& e) {
        return e.what();
    }
    return "";
}

TEST(PluginModule, LoadFailuresNameThePathAndTheReason) {
    const std::string missing = "/nonexistent/dir/Missing.so";
    const std::string why = loadError(missing);
    EXPECT_NE(why.find(missing), std::string::npos) << why;
    EXPECT_NE(why.find("No such file"), std::string::npos) << why;

    const std::string noEntry = loadError(HOST_TEST_NOENTRY);
    EXPECT_NE(noEntry.find(HOST_TEST_NOENTRY), std::string::npos) << noEntry;
    EXPECT_NE(noEntry.find("EntryPointFunc"), std::string::npos) << noEntry;
}

// Where a binary finds the effect: in the build tree, and installed, for the frei0r filter
// in lib/frei0r-1/ and a program in bin/; never a library in the frei0r folder itself.
TEST(PluginModule, FindsTheEffectBesideTheBinaryBuiltOrInstalled) {
    struct Case {
        const char* binary;
        const char* module;  // "" when none may be found
    };
    const Case cases[] = {
        {"build/frei0r/tessory.so", "build/plugins/Tessory.so"},
        {"build/bin/tessory", "build/plugins/Tessory.so"},
        {"usr/lib/frei0r-1/tessory.so", "usr/lib/tessory/Tessory.so"},
        {"usr/bin/tessory", "usr/lib/tessory/Tessory.so"},
        {"opt/lib/frei0r-1/tessory.so", ""},
    };
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("modules" + std::to_string(::getpid()));
    for (const char* module : {"build/plugins/Tessory.so", "usr/lib/tessory/Tessory.so",
                               "opt/lib/frei0r-1/Tessory.so"}) {
        std::filesystem::create_directories((root / module).parent_path());
        std::ofstream(root / module) << "x";
    }
    for (const Case& c : cases) {
        const std::string expected = *c.module ? (root / c.module).string() : std::string();
        EXPECT_EQ(PluginModule::moduleNear((root / c.binary).string()), expected) << c.binary;
    }
    std::filesystem::remove_all(root);
}

}  // namespace

// Sizes either side of where memory starts to be mapped in huge pages: zeroed, writable to
// the last byte, copied and moved whole.
TEST(PixelBuffer, ZeroedWritableCopiedAndMovedAtEverySize) {
    constexpr size_t kHuge = size_t(2) << 20;
    for (const size_t size :
         {size_t(1), size_t(4096), kHuge - 1, kHuge, kHuge + 1, size_t(8294400)}) {
        SCOPED_TRACE(size);
        PixelBuffer a(size);
        ASSERT_EQ(a.size(), size);
        EXPECT_EQ(size_t(std::count(a.data(), a.data() + size, 0)), size);
        a.data()[0] = 1;
        a.data()[size - 1] = 2;
        const PixelBuffer b = a.copy();
        EXPECT_NE(b.data(), a.data());
        EXPECT_TRUE(std::equal(a.data(), a.data() + size, b.data()));
        PixelBuffer c(std::move(a));
        EXPECT_TRUE(a.empty());
        EXPECT_EQ(c.data()[size - 1], 2);
        if (size >= kHuge) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(c.data()) % kHuge, 0u);
        }
    }
}

TEST(Layer, PixelsTradeWithABufferOfTheirSizeOnly) {
    Layer layer(3, 2);
    PixelBuffer frame(3 * 2 * 4);
    frame.data()[5] = 7;  // the second pixel's red
    const uint8_t* own = layer.row(0);
    layer.swapPixels(frame);
    EXPECT_EQ(layer.pixel8(1, 0).red, 7);
    EXPECT_EQ(layer.def()->data, reinterpret_cast<PF_PixelPtr>(layer.row(0)));
    EXPECT_EQ(frame.data(), own);
    PixelBuffer small(3 * 2 * 4 - 1);
    EXPECT_THROW(layer.swapPixels(small), HostError);
    Layer padded(3, 2, 8, 4);
    PixelBuffer unpadded(3 * 2 * 4);
    EXPECT_THROW(padded.swapPixels(unpadded), HostError);
}
