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

TEST(TrimStringWhiteSpaces, KeepsHighBytesAtTheEnds) {
    // 0x85 and 0xA0 are white space in some 8-bit locales; here they are text.
    EXPECT_EQ(trim("\xA0 x \xA0"), "\xA0 x \xA0");
    EXPECT_EQ(trim(" \x85x\x85 "), "\x85x\x85");
    EXPECT_EQ(trim("\t\xC3\xA9t\xC3\xA9\n"), "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(trim("\xFF"), "\xFF");
    EXPECT_EQ(trim("\x80"), "\x80");
}

}  // namespace
}  // namespace Corvane::Tessory
