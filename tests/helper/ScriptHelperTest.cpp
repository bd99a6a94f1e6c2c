#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AE_GeneralPlug.h"
#include "Helper/ScriptHelper.h"
#include "HostFixture.h"

namespace Corvane::Tessory {
namespace {

using Strings = std::vector<std::string>;
using Testing::thrownCode;

class ScriptHelperTest : public Testing::HostTest {
  protected:
    std::string run(const char* script) {
        return ScriptHelper::RunSriptAndGetStringResult(host.basicSuite(), script);
    }

    // After every run: no suite and no memory handle is left with the plug-in.
    void expectEverythingGivenBack() {
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveMemHandles(), 0);
    }
};

TEST_F(ScriptHelperTest, ResultComesBackAsText) {
    EXPECT_EQ(run("'abc' + (1 + 2)"), "abc3");
    EXPECT_EQ(run("6 * 7"), "42");
    EXPECT_EQ(run("[1, 2].join(';') + ' ' + true"), "1;2 true");
    expectEverythingGivenBack();
}

TEST_F(ScriptHelperTest, ScriptAndResultTravelAsUtf8) {
    // "é" both in a string literal and built from its code point.
    EXPECT_EQ(run("'\xC3\xA9t\xC3\xA9'"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(run("String.fromCharCode(0xE9).length + String.fromCharCode(0xE9)"), "1\xC3\xA9");
    expectEverythingGivenBack();
}

TEST_F(ScriptHelperTest, NoResultTextGivesTheEmptyString) {
    EXPECT_EQ(run("''"), "");
    EXPECT_EQ(run("var unused = 1;"), "");
    EXPECT_EQ(run("undefined"), "");
    expectEverythingGivenBack();
}

TEST_F(ScriptHelperTest, FailingScriptGivesTheEmptyStringAndFreesItsHandles) {
    EXPECT_EQ(run("throw new Error('boom')"), "");
    EXPECT_EQ(run("this is not javascript"), "");
    expectEverythingGivenBack();
    // The engine still answers afterwards.
    EXPECT_EQ(run("'still here'"), "still here");
}

TEST_F(ScriptHelperTest, HostThatFailsTheCallGivesTheEmptyString) {
    probe.failCall("AEGP_ExecuteScript");
    EXPECT_EQ(run("'never seen'"), "");
    expectEverythingGivenBack();
}

TEST_F(ScriptHelperTest, SuitesAreTakenAndGivenBackInNestedOrderAroundTheScript) {
    EXPECT_EQ(run("'x'"), "x");
    EXPECT_EQ(probe.calls(),
              (Strings{"AcquireSuite AEGP Utility Suite 11", "AcquireSuite AEGP Memory Suite 1",
                       "AEGP_ExecuteScript", "AEGP_LockMemHandle", "AEGP_FreeMemHandle",
                       "ReleaseSuite AEGP Memory Suite 1", "ReleaseSuite AEGP Utility Suite 11"}));
}

TEST_F(ScriptHelperTest, MissingMemorySuiteThrows13AndGivesBackTheUtilitySuite) {
    probe.withholdSuite(kAEGPMemorySuite);
    EXPECT_EQ(thrownCode([&] { run("'x'"); }), A_Err_MISSING_SUITE);
    EXPECT_EQ(callsStartingWith("ReleaseSuite"), (Strings{"ReleaseSuite AEGP Utility Suite 11"}));
    EXPECT_EQ(probe.countCalls("AEGP_ExecuteScript"), 0);
    expectEverythingGivenBack();
}

TEST_F(ScriptHelperTest, MissingUtilitySuiteThrows13BeforeAnythingElse) {
    probe.withholdSuite(kAEGPUtilitySuite);
    EXPECT_EQ(thrownCode([&] { run("'x'"); }), A_Err_MISSING_SUITE);
    EXPECT_EQ(probe.countCalls("AcquireSuite AEGP Memory Suite"), 0);
    EXPECT_EQ(probe.countCalls("ReleaseSuite"), 0);
    expectEverythingGivenBack();
}

TEST_F(ScriptHelperTest, NullSuiteTableCountsAsMissing) {
    probe.nullSuite(kAEGPMemorySuite);
    EXPECT_EQ(thrownCode([&] { run("'x'"); }), A_Err_MISSING_SUITE);
    EXPECT_EQ(probe.countCalls("AEGP_ExecuteScript"), 0);
    expectEverythingGivenBack();

    probe.clearFaults();
    probe.nullSuite(kAEGPUtilitySuite);
    EXPECT_EQ(thrownCode([&] { run("'x'"); }), A_Err_MISSING_SUITE);
    expectEverythingGivenBack();
}

}  // namespace
}  // namespace Corvane::Tessory
