#include "platform/text_case.h"

#include <gtest/gtest.h>

namespace erm::platform {
namespace {

TEST(TextCaseTest, AsciiFoldingLeavesEveryOtherByteAlone) {
  EXPECT_EQ(AsciiUpper("abz@[`{\xE4\xFF"), "ABZ@[`{\xE4\xFF");
  EXPECT_EQ(AsciiLower("ABZ@[`{\xC4\x9F"), "abz@[`{\xC4\x9F");
  EXPECT_TRUE(EqualsIgnoringAsciiCase("Brevantoliske.EXE", "brevantoliske.exe"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("\xC4", "\xE4"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("@", "`"));
  EXPECT_FALSE(EqualsIgnoringAsciiCase("ab", "abc"));
}

TEST(TextCaseTest, Cp1252OrderFoldsToLowerCase) {
  // Windows-1252 capitals with accents fold onto their small letters, the multiplication sign
  // and the sharp s do not.
  EXPECT_EQ(CompareTextIgnoringCase("\xC4rger", "\xE4rger"), 0);
  EXPECT_EQ(CompareTextIgnoringCase("\x8A", "\x9A"), 0);
  EXPECT_EQ(CompareTextIgnoringCase("\x9F", "\xFF"), 0);
  EXPECT_NE(CompareTextIgnoringCase("\xD7", "\xF7"), 0);
  EXPECT_LT(CompareTextIgnoringCase("Zoo", "\xC4rger"), 0);
  EXPECT_LT(CompareTextIgnoringCase("ab", "abc"), 0);
  EXPECT_LT(CompareTextIgnoringCase("_", "a"), 0);
  EXPECT_LT(CompareTextIgnoringCase("[", "A"), 0);
  EXPECT_LT(CompareTextIgnoringCase("\xD7", "\xC0"), 0);
}

TEST(TextCaseTest, LongTextsDifferingOnlyInCaseOrAtOneByteCompareByThatByte) {
  // Past the first eight bytes, on either side of a word's end, and in the last bytes.
  const std::string base = "20261208090000 [B\xFCro] Sitzung mit Frau M\xFCller";
  for (size_t at = 0; at < base.size(); ++at) {
    SCOPED_TRACE(at);
    std::string upper = base, later = base;
    upper[at] = static_cast<char>(AsciiUpper(static_cast<unsigned char>(base[at])));
    if (upper[at] == '\xFC') upper[at] = '\xDC';
    later[at] = static_cast<char>(base[at] + 1);
    EXPECT_EQ(CompareTextIgnoringCase(base, upper), 0);
    EXPECT_LT(CompareTextIgnoringCase(base, later), 0);
    EXPECT_GT(CompareTextIgnoringCase(later, base), 0);
    EXPECT_LT(CompareTextIgnoringCase(base.substr(0, at), base), 0);
  }
}

}  // namespace
}  // namespace erm::platform
