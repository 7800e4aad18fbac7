// Compiling filter expressions: every error with its exact message, the order in which the
// checks find them, the result types of the signatures, folding of constant parts, and the
// nesting limit.
#include "dbf/filter_compiler.h"

#include <gtest/gtest.h>

#include <string>

#include "dbf/filter.h"
#include "dbf/filter_test_support.h"
#include "platform/error.h"

namespace erm::dbf {
namespace {

using testing::MakeFields;
using testing::TestField;

// The reminder table's fields and one of every other kind an expression may meet.
const FieldList& Fields() {
  static const FieldList fields = MakeFields({
      {"ERINNERUNG", 'C', 14},
      {"TERMINDATU", 'N', 14, 0},
      {"NOTIZ", 'M', 10},
      {"FLAG", 'L', 1},
      {"DATUM", 'D', 8},
      {"ANZAHL", 'N', 4, 0},
      {"GROSS", 'N', 12, 0, false},
      {"BETRAG", 'N', 10, 2},
      {"BILD", 'B', 10},
      {"OBJEKT", 'G', 10},
  });
  return fields;
}

std::string CompileError(const std::string& text) {
  try {
    CompiledFilter::Compile(text, Fields(), ',');
  } catch (const Error& e) {
    return e.message();
  }
  return "";
}

struct ErrorCase {
  const char* name;
  std::string filter;
  std::string message;
};

class CompileErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CompileErrorTest, FailsWithMessage) {
  EXPECT_EQ(CompileError(GetParam().filter), GetParam().message);
}

const std::string kMissing = "Operand/function missing";
const std::string kTooFew = "Function or operand has too few arguments";
const std::string kTooMany = "Function or operand has too many arguments";
const std::string kMismatch = "Argument type mismatch";

INSTANTIATE_TEST_SUITE_P(
    Messages, CompileErrorTest,
    ::testing::Values(
        ErrorCase{"UnsupportedOperatorIsAnUnknownField", "ERINNERUNG<>'x'",
                  "Index based on unknown field \"<>\"."},
        ErrorCase{"UnknownFieldNamedAsWritten", "erinerung<='20261207000000'",
                  "Index based on unknown field \"erinerung\"."},
        ErrorCase{"MinusIsNoOperator", "ANZAHL - 1", "Index based on unknown field \"-\"."},
        ErrorCase{"OtherLanguagesOperators", "FLAG && FLAG",
                  "Index based on unknown field \"&&\"."},
        ErrorCase{"MemoField", "notiz = 'x'",
                  "Field \"NOTIZ\" is an invalid field type to base index on."},
        ErrorCase{"BinaryField", "BILD = 'x'",
                  "Field \"BILD\" is an invalid field type to base index on."},
        ErrorCase{"ObjectField", "OBJEKT = 'x'",
                  "Field \"OBJEKT\" is an invalid field type to base index on."},
        ErrorCase{"OpenBracketLeftOpen", "(ERINNERUNG = 'x'", "Unequal brackets"},
        ErrorCase{"CloseBracketWithoutOpen", "ERINNERUNG = 'x')", "Unequal brackets"},
        ErrorCase{"BracketsBalancedInCountButNotInOrder", ")FLAG(", "Unequal brackets"},
        ErrorCase{"OperandAfterOperand", "ERINNERUNG 'ABC'",
                  "Missing operator between 'erinnerung' and 'abc'"},
        ErrorCase{"NumbersSideBySide", "1 2.5", "Missing operator between '1' and '2.5'"},
        ErrorCase{"FunctionWithoutBracketsBeforeOperand", "UPPER ERINNERUNG",
                  "Missing operator between 'upper' and 'erinnerung'"},
        ErrorCase{"EmptyBrackets", "FLAG AND ()", "Empty brackets ()"},
        ErrorCase{"FunctionWithEmptyBrackets", "UPPER() = 'x'", "Empty brackets ()"},
        ErrorCase{"BracketsSideBySide", "(FLAG)(FLAG)", "Missing operator between )("},
        ErrorCase{"OperandAfterBracket", "(FLAG) FLAG",
                  "Missing operator between ) and constant/variable"},
        ErrorCase{"OperandBeforeBracket", "FLAG (FLAG)",
                  "Missing operator between constant/variable and ("},
        ErrorCase{"NothingAfterOperator", "FLAG AND", kMissing},
        ErrorCase{"NothingBeforeOperator", "AND FLAG", kMissing},
        ErrorCase{"TwoOperators", "FLAG AND OR FLAG", kMissing},
        ErrorCase{"NotBetweenOperands", "FLAG NOT FLAG", kMissing},
        ErrorCase{"NotAlone", "NOT", kMissing},
        ErrorCase{"CommaOutsideFunction", "FLAG, FLAG", kMissing},
        ErrorCase{"CommaInPlainBrackets", "(FLAG, FLAG)", kMissing},
        ErrorCase{"MissingLastArgument", "SUBSTR(ERINNERUNG, 1, )", kMissing},
        ErrorCase{"OperatorBeforeClosingBracket", "(FLAG AND)", kMissing},
        ErrorCase{"NothingButBlanks", "   ", kMissing},
        ErrorCase{"TooFewArguments", "SUBSTR(ERINNERUNG, 1) = 'x'", kTooFew},
        ErrorCase{"FunctionWithoutBrackets", "UPPER = 'x'", kTooFew},
        ErrorCase{"TooManyArguments", "STR(TERMINDATU, 10, 2, 1) = 'x'", kTooMany},
        ErrorCase{"TooManyForOneArgument", "UPPER(ERINNERUNG, 1) = 'x'", kTooMany},
        ErrorCase{"QuotedConstantForNumericField", "TERMINDATU <= '20261207000000'", kMismatch},
        ErrorCase{"TruthValuesDoNotCompare", "FLAG = FLAG", kMismatch},
        ErrorCase{"DatesDoNotCompare", "DATUM = DATUM", kMismatch},
        ErrorCase{"NotOfText", "NOT ERINNERUNG", kMismatch},
        ErrorCase{"AndOfNumbers", "ANZAHL AND FLAG", kMismatch},
        ErrorCase{"TextPlusNumber", "ERINNERUNG + 1 = 'x'", kMismatch},
        ErrorCase{"TruthValuesDoNotAdd", "FLAG + FLAG", kMismatch},
        ErrorCase{"DtosOfText", "DTOS(ERINNERUNG) = 'x'", kMismatch},
        ErrorCase{"StrWidthMustBeInteger", "STR(BETRAG, 2.0) = 'x'", kMismatch},
        ErrorCase{"StrOfLargeInteger", "STR(GROSS) = 'x'", kMismatch},
        ErrorCase{"UnquotedTimestampOverflowsInteger", "TERMINDATU <= 20261207000000",
                  "'20261207000000' ist kein g\xFCltiger Integerwert"},
        ErrorCase{"OneBeyondTheIntegerRange", "ANZAHL < 2147483648",
                  "'2147483648' ist kein g\xFCltiger Integerwert"},
        ErrorCase{"HexBeyondTheIntegerRange", "ANZAHL < $80000000",
                  "'$80000000' ist kein g\xFCltiger Integerwert"},
        ErrorCase{"ExponentWithoutPoint", "ANZAHL < 1e5", "'1e5' ist kein g\xFCltiger Integerwert"},
        ErrorCase{"PointAlone", "BETRAG < .", "'.' ist kein g\xFCltiger Gleitkommawert"},
        ErrorCase{"ExponentWithoutDigits", "BETRAG < 1.5e",
                  "'1.5e' ist kein g\xFCltiger Gleitkommawert"},
        ErrorCase{"TextResultOverAHundredCharacters",
                  "ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+"
                  "ERINNERUNG",
                  "Index result for \"ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+"
                  "ERINNERUNG+ERINNERUNG+ERINNERUNG\" too long, >100 characters (112)."},
        ErrorCase{"WideStrResult", "STR(TERMINDATU, 101)",
                  "Index result for \"STR(TERMINDATU, 101)\" too long, >100 characters (101)."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompileErrorOrder, WordsAreLookedUpBeforeBracketsAreCounted) {
  EXPECT_EQ(CompileError("(nichtda = 'x'"), "Index based on unknown field \"nichtda\".");
  EXPECT_EQ(CompileError("(ANZAHL < 99999999999"),
            "'99999999999' ist kein g\xFCltiger Integerwert");
}

TEST(CompileErrorOrder, FirstBadWordFromTheLeftIsNamed) {
  EXPECT_EQ(CompileError("eins = zwei"), "Index based on unknown field \"eins\".");
}

TEST(CompileErrorOrder, BracketsAreCheckedBeforeNeighbours) {
  EXPECT_EQ(CompileError("FLAG FLAG )"), "Unequal brackets");
}

TEST(CompileErrorOrder, TextResultOfExactlyAHundredCharactersIsAccepted) {
  EXPECT_EQ(CompileError("STR(TERMINDATU, 100)"), "");
}

TEST(CompileErrorOrder, TextLengthIsMeasuredOnBlankFieldsNotTheirSize) {
  // SUBSTR cuts the 112 bytes of the blank record down; only the result's length counts.
  EXPECT_EQ(CompileError("SUBSTR(ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+ERINNERUNG+"
                         "ERINNERUNG+ERINNERUNG+ERINNERUNG, 1, 100)"),
            "");
}

TEST(CompileNames, OperatorsFunctionsAndFieldsIgnoreLetterCase) {
  EXPECT_EQ(CompileError("erinnerung <= '20261207000000' and not Flag or flag"), "");
  EXPECT_EQ(CompileError("upper(Erinnerung) = Lowercase('X') OR uppercase('a') = lower('b')"), "");
  EXPECT_EQ(CompileError("dtos(datum) = 'x' AND substr(ERINNERUNG, 1, 2) = Str(anzahl, 2)"), "");
}

// --- nesting ---

std::string Repeat(const std::string& s, size_t n) {
  std::string out;
  out.reserve(s.size() * n);
  for (size_t i = 0; i < n; ++i)
    out += s;
  return out;
}

const std::string kTooDeep =
    "Expression nested too deeply (more than 256 levels of brackets and NOT)";

TEST(CompileNesting, HundredThousandBracketsFailWithAMessage) {
  EXPECT_EQ(CompileError(Repeat("(", 100000) + "FLAG" + Repeat(")", 100000)), kTooDeep);
}

TEST(CompileNesting, UnbalancedHundredThousandBracketsAreUnequal) {
  EXPECT_EQ(CompileError(Repeat("(", 100000)), "Unequal brackets");
}

TEST(CompileNesting, LongChainOfNotFails) {
  EXPECT_EQ(CompileError(Repeat("NOT ", 100000) + "FLAG"), kTooDeep);
}

TEST(CompileNesting, NestedFunctionCallsCount) {
  EXPECT_EQ(CompileError(Repeat("UPPER(", 300) + "ERINNERUNG" + Repeat(")", 300) + " = 'x'"),
            kTooDeep);
}

TEST(CompileNesting, LimitItselfIsAccepted) {
  EXPECT_EQ(CompileError(Repeat("(", kMaxNesting) + "FLAG" + Repeat(")", kMaxNesting)), "");
  EXPECT_EQ(CompileError(Repeat("(", kMaxNesting + 1) + "FLAG" + Repeat(")", kMaxNesting + 1)),
            kTooDeep);
  EXPECT_EQ(CompileError(Repeat("NOT ", kMaxNesting) + "FLAG"), "");
}

TEST(CompileNesting, LongFlatChainsNeedNoNesting) {
  // Left-grouped chains grow the program, not the depth.
  EXPECT_EQ(CompileError("FLAG" + Repeat(" OR FLAG", 100000)), "");
  EXPECT_EQ(CompileError("SUBSTR(ERINNERUNG" + Repeat("+ERINNERUNG", 20000) + ", 1, 5) = 'x'"), "");
}

// --- result types and chosen operations ---

struct TypeCase {
  const char* name;
  std::string expression;
  ValueType result;
};

class ResultTypeTest : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ResultTypeTest, SignatureGivesType) {
  EXPECT_EQ(CompileProgram(GetParam().expression, Fields(), ',').result, GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, ResultTypeTest,
    ::testing::Values(TypeCase{"TextPlusText", "ERINNERUNG + ERINNERUNG", ValueType::kText},
                      TypeCase{"IntegerPlusInteger", "ANZAHL + ANZAHL", ValueType::kInteger},
                      TypeCase{"IntegerPlusLarge", "ANZAHL + GROSS", ValueType::kLargeInt},
                      TypeCase{"LargePlusInteger", "GROSS + 1", ValueType::kLargeInt},
                      TypeCase{"LargePlusLarge", "GROSS + GROSS", ValueType::kLargeInt},
                      TypeCase{"FloatPlusInteger", "TERMINDATU + ANZAHL", ValueType::kFloat},
                      TypeCase{"IntegerPlusFloat", "ANZAHL + BETRAG", ValueType::kFloat},
                      TypeCase{"LargePlusFloat", "GROSS + TERMINDATU", ValueType::kFloat},
                      TypeCase{"FloatPlusLarge", "BETRAG + GROSS", ValueType::kFloat},
                      TypeCase{"Comparison", "GROSS < BETRAG", ValueType::kBoolean},
                      TypeCase{"Not", "NOT FLAG", ValueType::kBoolean},
                      TypeCase{"StrOfFloat", "STR(BETRAG, 8, 2)", ValueType::kText},
                      TypeCase{"StrOfInteger", "STR(ANZAHL)", ValueType::kText},
                      TypeCase{"Dtos", "DTOS(DATUM)", ValueType::kText},
                      TypeCase{"SingleField", "DATUM", ValueType::kDateTime}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CompileOperations, ComparisonIsFloatingWhenEitherSideIsFloat) {
  EXPECT_EQ(CompileProgram("ANZAHL < TERMINDATU", Fields(), ',').code.back().code,
            OpCode::kCompareFloat);
  EXPECT_EQ(CompileProgram("GROSS < ANZAHL", Fields(), ',').code.back().code,
            OpCode::kCompareInteger);
  EXPECT_EQ(CompileProgram("ERINNERUNG < 'x'", Fields(), ',').code.back().code,
            OpCode::kCompareText);
}

TEST(CompileReferences, OneReferencePerFieldHoweverOftenNamed) {
  const Program p = CompileProgram(
      "ERINNERUNG = 'a' OR erinnerung = 'b' OR FLAG OR Erinnerung = 'c'", Fields(), ',');
  ASSERT_EQ(p.refs.size(), 2u);
  EXPECT_EQ(p.refs[0].def.name, "ERINNERUNG");
  EXPECT_EQ(p.refs[1].def.name, "FLAG");
}

// --- folding ---

std::string ConstantText(const Program& p, size_t at) {
  const Value& v = p.constants[p.code[at].index].value;
  return std::string(v.text, v.length);
}

TEST(CompileFolding, ConstantSideOfAComparisonBecomesOneConstant) {
  const Program p =
      CompileProgram("ERINNERUNG <= '2026' + UPPER('12') + '07000000'", Fields(), ',');
  ASSERT_EQ(p.code.size(), 3u);
  EXPECT_EQ(p.code[0].code, OpCode::kLoadText);
  EXPECT_EQ(p.code[1].code, OpCode::kConstant);
  EXPECT_EQ(ConstantText(p, 1),
            "202612"
            "07000000");
  EXPECT_EQ(p.constants.size(), 1u) << "the folded operands' constants are gone";
}

TEST(CompileFolding, FunctionsOfConstantsAreComputedOnce) {
  const Program p = CompileProgram("UPPER('abc\xE4') = ERINNERUNG", Fields(), ',');
  ASSERT_EQ(p.code.size(), 3u);
  EXPECT_EQ(ConstantText(p, 0), "ABC\xE4");
}

TEST(CompileFolding, WholeConstantExpressionFoldsToItsValue) {
  const Program t = CompileProgram("'a' = 'A' AND NOT 1.5 > 2", Fields(), ',');
  ASSERT_EQ(t.code.size(), 1u);
  EXPECT_EQ(t.constants[t.code[0].index].value.integer, 1);
  const Program n = CompileProgram("1 + 2 + $10", Fields(), ',');
  ASSERT_EQ(n.code.size(), 1u);
  EXPECT_EQ(n.constants[n.code[0].index].value.integer, 19);
}

TEST(CompileFolding, OnlyPartsWithoutFieldsFold) {
  // (1 + 2) + ANZAHL folds its left part; (ANZAHL + 1) + 2 has no part without the field.
  EXPECT_EQ(CompileProgram("1 + 2 + ANZAHL", Fields(), ',').code.size(), 3u);
  EXPECT_EQ(CompileProgram("ANZAHL + 1 + 2", Fields(), ',').code.size(), 5u);
  EXPECT_EQ(CompileProgram("ANZAHL + (1 + 2)", Fields(), ',').code.size(), 3u);
}

TEST(CompileFolding, LongConstantChainFoldsWithoutKeepingEveryStep) {
  const Program p = CompileProgram("'a'" + Repeat("+'a'", 2000) + " = ERINNERUNG", Fields(), ',');
  ASSERT_EQ(p.code.size(), 3u);
  EXPECT_EQ(ConstantText(p, 0), std::string(2001, 'a'));
  EXPECT_EQ(p.constants.size(), 1u);
}

}  // namespace
}  // namespace erm::dbf
