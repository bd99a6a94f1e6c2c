// Loading modules, and the host's image buffers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "Host/HostError.h"
#include "Host/Layer.h"
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

TEST(PluginModule, DefaultPathFollowsTheEnvironment) {
    ::setenv("TESSORY_PLUGIN", "/somewhere/else.so", 1);
    EXPECT_EQ(PluginModule::defaultPath(), "/somewhere/else.so");
    ::setenv("TESSORY_PLUGIN", "", 1);
    const std::string built = PluginModule::defaultPath();
    ::unsetenv("TESSORY_PLUGIN");
    EXPECT_EQ(PluginModule::defaultPath(), built);
    EXPECT_NE(built.find("/plugins/Tessory.so"), std::string::npos) << built;
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

TEST(Layer, RowsArePaddedAndPaddingIsWatched) {
    Layer layer(5, 3, 8, 12);
    EXPECT_EQ(layer.rowbytes(), 5 * 4 + 12);
    EXPECT_EQ(layer.def()->rowbytes, 32);
    EXPECT_EQ(layer.def()->width, 5);
    EXPECT_EQ(layer.def()->height, 3);
    EXPECT_EQ(layer.pixelFormat(), PF_PixelFormat_ARGB32);
    // Pixels sit row by row at rowbytes apart.
    layer.pixel8(4, 2) = PF_Pixel{1, 2, 3, 4};
    EXPECT_EQ(layer.row(2)[16], 1);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(layer.def()->data) + 2 * 32 + 16 + 3, &layer.row(2)[19]);
    layer.fill(PF_Pixel{255, 10, 20, 30});
    EXPECT_TRUE(layer.paddingIntact());
    EXPECT_EQ(layer.pixel8(0, 0).green, 20);
    // One byte past the last pixel of a row is padding.
    layer.row(1)[20] = 0;
    EXPECT_FALSE(layer.paddingIntact());
}

TEST(Layer, DeepLayersConvertTheFillColour) {
    Layer deep(2, 2, 16, 6);
    EXPECT_EQ(deep.rowbytes(), 2 * 8 + 6);
    EXPECT_EQ(deep.pixelFormat(), PF_PixelFormat_ARGB64);
    deep.fill(PF_Pixel{255, 0, 51, 255});
    EXPECT_EQ(deep.pixel16(1, 1).alpha, 32768);
    EXPECT_EQ(deep.pixel16(1, 1).red, 0);
    EXPECT_EQ(deep.pixel16(1, 1).green, 6554);  // 51/255 of 32768, rounded
    EXPECT_TRUE(deep.paddingIntact());

    Layer flt(3, 1, 32, 4);
    EXPECT_EQ(flt.rowbytes(), 3 * 16 + 4);
    flt.fill(PF_Pixel{255, 0, 51, 255});
    EXPECT_FLOAT_EQ(flt.pixelF(2, 0).green, 0.2f);
    EXPECT_FLOAT_EQ(flt.pixelF(2, 0).alpha, 1.0f);
    EXPECT_TRUE(flt.paddingIntact());
}

}  // namespace
