// The words of filter expressions: what each first character starts and where each word ends.
#include "dbf/filter_lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace erm::dbf {
namespace {

// Words written as kind letter + ":" + text, and "=" + value where the value differs.
std::vector<std::string> Describe(std::string_view expression) {
  std::vector<std::string> out;
  for (const Word& w : SplitWords(expression)) {
    const char* kind = "?";
    switch (w.kind) {
      case WordKind::kText:
        kind = "T";
        break;
      case WordKind::kInteger:
        kind = "I";
        break;
      case WordKind::kFloat:
        kind = "F";
        break;
      case WordKind::kName:
        kind = "N";
        break;
      case WordKind::kSymbol:
        kind = "S";
        break;
    }
    std::string d = std::string(kind) + ":" + std::string(w.text);
    if (w.value != w.text) d += "=" + std::string(w.value);
    out.push_back(d);
  }
  return out;
}

struct LexCase {
  const char* name;
  std::string expression;
  std::vector<std::string> words;
};

class SplitWordsTest : public ::testing::TestWithParam<LexCase> {};

TEST_P(SplitWordsTest, ReadsWords) {
  EXPECT_EQ(Describe(GetParam().expression), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Words, SplitWordsTest,
    ::testing::Values(
        LexCase{"ReminderScanFilter",
                "ERINNERUNG<='20261207000000'",
                {"N:ERINNERUNG", "S:<=", "T:'20261207000000'=20261207000000"}},
        LexCase{"ControlCharactersAroundTheWholeTextAreDropped",
                "\t\r\n ERINNERUNG <= 'x' \r\n\x01",
                {"N:ERINNERUNG", "S:<=", "T:'x'=x"}},
        LexCase{"OnlyBlanksSeparateWords", "A\tB", {"N:A", "S:\t", "N:B"}},
        LexCase{"ManyBlanksBetweenWords", "A    AND     B", {"N:A", "N:AND", "N:B"}},
        LexCase{"DoubleQuotesHoldSingleOnes", "\"it's\"", {"T:\"it's\"=it's"}},
        LexCase{"BlanksInsideQuotesStay", "' a b '", {"T:' a b '= a b "}},
        LexCase{"UnclosedQuoteRunsToTheEndAndKeepsIt", "A='abc + B", {"N:A", "S:=", "T:'abc + B"}},
        LexCase{"EmptyTextConstant", "''", {"T:''="}},
        LexCase{"IntegerAndFloats",
                "12 1.5 .5 5. 1.5e-3 2.0e+7 3.e9",
                {"I:12", "F:1.5", "F:.5", "F:5.", "F:1.5e-3", "F:2.0e+7", "F:3.e9"}},
        LexCase{"ExponentWithoutPointIsStillAnInteger", "1e5", {"I:1e5"}},
        LexCase{"UpperCaseEIsNotAnExponent", "1.5E3", {"F:1.5", "N:E3"}},
        LexCase{"SecondPointStartsANewNumber", "1.2.3", {"F:1.2", "F:.3"}},
        LexCase{"NumberEndsBeforeLetters", "12abc", {"I:12", "N:abc"}},
        LexCase{"HexConstant", "$1F+$ff", {"I:$1F", "S:+", "I:$ff"}},
        LexCase{"DollarWithoutHexDigitsIsAName", "$xyz $", {"N:$xyz", "N:$"}},
        LexCase{"HexEndsAtTheFirstNonHexDigit", "$1G", {"I:$1", "N:G"}},
        LexCase{"NamesTakeLettersDigitsAndUnderscores", "_x1 a_B2", {"N:_x1", "N:a_B2"}},
        LexCase{"NonAsciiLettersStandAlone", "N\xE4he", {"N:N", "S:\xE4", "N:he"}},
        LexCase{"ComparisonSignsPair",
                "<> <= >= == =< << >",
                {"S:<>", "S:<=", "S:>=", "S:==", "S:=<", "S:<<", "S:>"}},
        LexCase{"ComparisonTakesOneFollower", "<=>", {"S:<=", "S:>"}},
        LexCase{"TwoCharacterOperatorsOfOtherLanguages",
                "!= && || := ! &",
                {"S:!=", "S:&&", "S:||", "S::=", "S:!", "S:&"}},
        LexCase{"BracketsAndCommas",
                "SUBSTR(A,1,2)",
                {"N:SUBSTR", "S:(", "N:A", "S:,", "I:1", "S:,", "I:2", "S:)"}},
        LexCase{"NothingButBlanks", " \t ", {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace erm::dbf
