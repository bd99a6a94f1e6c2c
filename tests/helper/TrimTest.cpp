#include <gtest/gtest.h>

#include <string>

#include "Helper/ScriptHelper.h"

namespace Corvane::Tessory {
namespace {

std::string trim(const std::string& text) {
    return ScriptHelper::TrimStringWhiteSpaces(text);
}

TEST(TrimStringWhiteSpaces, EmptyAndAllBlankTextsBecomeEmpty) {
    EXPECT_EQ(trim(""), "");
    EXPECT_EQ(trim(" \t  \t"), "");
    EXPECT_EQ(trim(" \t\n\v\f\r"), "");
}

TEST(TrimStringWhiteSpaces, RemovesEveryKindOfBlankAtBothEndsOnly) {
    EXPECT_EQ(trim("  a  b\t c \n"), "a  b\t c");
    EXPECT_EQ(trim("\r\n\v\fword\f\v\n\r"), "word");
    EXPECT_EQ(trim("x"), "x");
    EXPECT_EQ(trim("\tx"), "x");
    EXPECT_EQ(trim("x\t"), "x");
    EXPECT_EQ(trim("no-blanks"), "no-blanks");
    // Other control characters are not white space.
    EXPECT_EQ(trim(std::string("\x01 a \x1f", 5)), std::string("\x01 a \x1f", 5));
    EXPECT_EQ(trim(std::string(" \0 ", 3)), std::string("\0", 1));
}

}  // namespace
}  // namespace Corvane::Tessory
