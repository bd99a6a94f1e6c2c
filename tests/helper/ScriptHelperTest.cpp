#include <gtest/gtest.h>

#include <string>

#include "AE_GeneralPlug.h"
#include "Helper/ScriptHelper.h"
#include "HostTest.h"

namespace Corvane::Tessory {
namespace {

using Testing::thrownCode;

class ScriptHelperTest : public Testing::HostTest {
  protected:
    std::string run(const char* script) {
        return ScriptHelper::RunSriptAndGetStringResult(host.basicSuite(), script);
    }
};

// Results come back as UTF-8 text; no result, a failing script or a failing host call give
// the empty string. Every run gives back its suites and memory handles.
TEST_F(ScriptHelperTest, ResultsAsTextAndNothingKept) {
    const struct {
        const char* script;
        const char* result;
    } cases[] = {
        {"'abc' + (1 + 2)", "abc3"},
        {"[1, 2].join(';') + ' ' + true", "1;2 true"},
        {"'\xC3\xA9t\xC3\xA9'", "\xC3\xA9t\xC3\xA9"},
        {"String.fromCharCode(0xE9).length + String.fromCharCode(0xE9)", "1\xC3\xA9"},
        {"var unused = 1;", ""},
        {"undefined", ""},
        {"throw new Error('boom')", ""},
        {"this is not javascript", ""},
        {"'still here'", "still here"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.script), c.result) << c.script;
        EXPECT_EQ(probe.outstandingSuites(), 0);
        EXPECT_EQ(probe.liveMemHandles(), 0);
    }
    probe.failCall("AEGP_ExecuteScript");
    EXPECT_EQ(run("'never seen'"), "");
    EXPECT_EQ(probe.outstandingSuites(), 0);
}

TEST(TrimStringWhiteSpaces, RemovesBlanksAtBothEndsOnly) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"", ""},
        {" \t\n\v\f\r", ""},
        {"  a  b\t c \n", "a  b\t c"},
        {"\r\n\v\fword\f\v\n\r", "word"},
        {"\tx", "x"},
        {"x\t", "x"},
        {std::string("\x01 a \x1f", 5), std::string("\x01 a \x1f", 5)},
        {std::string(" \0 ", 3), std::string("\0", 1)},
    };
    for (const auto& c : cases) EXPECT_EQ(ScriptHelper::TrimStringWhiteSpaces(c.in), c.out);
}

}  // namespace
}  // namespace Corvane::Tessory
