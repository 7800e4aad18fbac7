#include "platform/code_pages.h"

#include <gtest/gtest.h>

#include "platform/wildcard.h"

namespace erm::platform {
namespace {

TEST(CodePagesTest, OemUmlautsBecomeTheirAnsiLetters) {
  // 0x84 is "ä" in code page 850 and 437; 0xE4 is "ä" in Windows-1252.
  EXPECT_EQ(ConvertSingleByte(850, 1252, "\x84\x94\x81\xE1"), "\xE4\xF6\xFC\xDF");
  EXPECT_EQ(ConvertSingleByte(437, 1252, "A\x8E"), "A\xC4");
  // Box drawing has no Windows-1252 letter.
  EXPECT_EQ(ConvertSingleByte(850, 1252, "\xC9"), "?");
  EXPECT_EQ(ConvertSingleByte(620, 1252, "\x84"), "\x84");
}

TEST(CodePagesTest, Utf8RoundTripOfWindows1252) {
  EXPECT_EQ(Cp1252ToUtf8("Pfad nicht gew\xE4hlt!"), "Pfad nicht gew\xC3\xA4hlt!");
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC \xC3\x9F"), "\x80 \xDF");
  EXPECT_EQ(Utf8ToCp1252("\xE6\x97\xA5"), "?");
  EXPECT_EQ(Utf8ToCp1252("\xC3"), "?");
}

TEST(WildcardTest, WindowsPatterns) {
  EXPECT_TRUE(MatchesWildcard("*.*", "ohne_punkt"));
  EXPECT_TRUE(MatchesWildcard("*.TRM", "20261207.trm"));
  EXPECT_FALSE(MatchesWildcard("*.trm", "20261207.trmx"));
  EXPECT_TRUE(MatchesWildcard("a?c*", "abcdef"));
  EXPECT_FALSE(MatchesWildcard("a?c", "ac"));
}

}  // namespace
}  // namespace erm::platform
