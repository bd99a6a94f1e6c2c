// Loading modules, and the host's image buffers.
#include <gtest/gtest.h>
#include <unistd.h>

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
