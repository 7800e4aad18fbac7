#include "dbf/field_decode.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace erm::dbf {
namespace {

FieldDef Def(ValueKind kind, uint32_t length, uint32_t decimals = 0) {
  FieldDef f;
  f.name = "F";
  f.offset = 1;
  f.length = length;
  f.decimals = decimals;
  f.kind = kind;
  return f;
}

// The record is a deletion flag followed by the field's bytes.
DecodedValue Decode(ValueKind kind, const std::string& bytes, uint32_t decimals = 0) {
  static std::string record;
  record = " " + bytes;
  return DecodeField(reinterpret_cast<const uint8_t*>(record.data()),
                     Def(kind, static_cast<uint32_t>(bytes.size()), decimals));
}

struct NumberCase {
  const char* name;
  ValueKind kind;
  std::string bytes;
  bool blank;
  double number;
};

TEST(FieldDecodeTest, NumericFieldsReadTheirDigitsAndMalformedBytesAsZero) {
  const std::vector<NumberCase> cases = {
      {"timestamp", ValueKind::kFloat, "20261207103000", false, 20261207103000.0},
      {"right_aligned", ValueKind::kFloat, "  20261207103000", false, 20261207103000.0},
      {"all_blank", ValueKind::kFloat, "              ", true, 0},
      {"hyphen_date", ValueKind::kFloat, "2026-12-07    ", false, 0},
      {"decimals", ValueKind::kFloat, "    123.50", false, 123.5},
      {"negative", ValueKind::kFloat, "   -0.25", false, -0.25},
      {"plus_sign", ValueKind::kFloat, "    +7", false, 7},
      {"exponent", ValueKind::kFloat, " 1.5E3", false, 1500},
      {"lower_exponent", ValueKind::kFloat, "2e-1", false, 0.2},
      {"point_first", ValueKind::kFloat, "  .5", false, 0.5},
      {"point_last", ValueKind::kFloat, "  5.", false, 5},
      {"comma_is_no_point", ValueKind::kFloat, "  1,5", false, 0},
      {"bare_exponent", ValueKind::kFloat, "  1E", false, 0},
      {"infinity_word", ValueKind::kFloat, "   inf", false, 0},
      {"nan_word", ValueKind::kFloat, "   nan", false, 0},
      {"hex_form", ValueKind::kFloat, "  0x10", false, 0},
      {"double_sign", ValueKind::kFloat, "  +-1", false, 0},
      {"only_sign", ValueKind::kFloat, "     -", false, 0},
      {"inner_blank", ValueKind::kFloat, " 1 2", false, 0},
      {"nul_padding", ValueKind::kFloat, std::string("12\0\0", 4), false, 0},
      {"out_of_range", ValueKind::kFloat, "1e999", false, 0},
      {"small_int", ValueKind::kSmallInt, "  12", false, 12},
      {"small_int_negative", ValueKind::kSmallInt, "-999", false, -999},
      {"small_int_blank", ValueKind::kSmallInt, "    ", true, 0},
      {"small_int_point", ValueKind::kSmallInt, " 1.5", false, 0},
      {"integer", ValueKind::kInteger, "123456789", false, 123456789},
      {"integer_plus", ValueKind::kInteger, "   +42", false, 42},
      {"integer_letters", ValueKind::kInteger, "   4x2", false, 0},
      {"large_int", ValueKind::kLargeInt, "  20261207103000", false, 20261207103000.0},
      {"large_int_overflow", ValueKind::kLargeInt, "99999999999999999999", false, 0},
      {"large_int_min", ValueKind::kLargeInt, "-9223372036854775808", false,
       -9223372036854775808.0},
  };
  for (const NumberCase& c : cases) {
    SCOPED_TRACE(c.name);
    const DecodedValue v = Decode(c.kind, c.bytes);
    EXPECT_EQ(v.blank, c.blank);
    EXPECT_EQ(v.number, c.number);
  }
}

TEST(FieldDecodeTest, FourteenDigitTimestampIsExact) {
  const DecodedValue v = Decode(ValueKind::kFloat, "20261207103000");
  EXPECT_EQ(v.number, 20261207103000.0);
  EXPECT_EQ(static_cast<int64_t>(v.number), int64_t{20261207103000});
  EXPECT_EQ(Decode(ValueKind::kFloat, "99991231235959").number, 99991231235959.0);
}

TEST(FieldDecodeTest, IntegerKindsKeepTheExactInteger) {
  EXPECT_EQ(Decode(ValueKind::kLargeInt, " 9007199254740993").integer, int64_t{9007199254740993});
  EXPECT_EQ(Decode(ValueKind::kInteger, "-2147483648").integer, int64_t{-2147483648});
  // One past the 32-bit range does not form an integer of that kind.
  EXPECT_EQ(Decode(ValueKind::kInteger, " 2147483648").integer, 0);
  EXPECT_EQ(Decode(ValueKind::kSmallInt, "99999").integer, 0);
}

TEST(FieldDecodeTest, TextKeepsLeadingBlanksAndStopsAtNul) {
  EXPECT_EQ(Decode(ValueKind::kText, "  ABC         ").text, "  ABC");
  EXPECT_TRUE(Decode(ValueKind::kText, "      ").blank);
  EXPECT_EQ(Decode(ValueKind::kText, std::string("AB\0CD  ", 7)).text, "AB");
  // Only 0x20 counts as a blank: a trailing tab stays part of the text.
  EXPECT_EQ(Decode(ValueKind::kText, "AB\t ").text, "AB\t");
  // A field that starts with NUL is not blank, but its text is empty.
  const DecodedValue nul = Decode(ValueKind::kText, std::string("\0AB", 3));
  EXPECT_FALSE(nul.blank);
  EXPECT_EQ(nul.text, "");
  EXPECT_EQ(Decode(ValueKind::kText,
                   "\x84"
                   "rger ")
                .text,
            "\x84"
            "rger");
}

TEST(FieldDecodeTest, TruthValueIsTrueOnlyForT) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"T", true}, {"t", true}, {"Y", false}, {"y", false}, {"F", false}, {"?", false}};
  for (const auto& [bytes, expected] : cases) {
    SCOPED_TRACE(bytes);
    const DecodedValue v = Decode(ValueKind::kBoolean, bytes);
    EXPECT_FALSE(v.blank);
    EXPECT_EQ(v.boolean, expected);
  }
  EXPECT_TRUE(Decode(ValueKind::kBoolean, " ").blank);
}

TEST(FieldDecodeTest, DatesReadAsDayNumbersAndInvalidOnesAsBlank) {
  EXPECT_EQ(Decode(ValueKind::kDate, "18991230").number, 0);
  EXPECT_EQ(Decode(ValueKind::kDate, "20261207").number, 46363);
  EXPECT_EQ(Decode(ValueKind::kDate, "18991229").number, -1);
  for (const char* bad : {"20261301", "20260230", "2026-12-", "        ", "00000000", "2026120 "}) {
    SCOPED_TRACE(bad);
    EXPECT_TRUE(Decode(ValueKind::kDate, bad).blank);
  }
}

TEST(FieldDecodeTest, TextTimestampsAddTheTimeOfDay) {
  EXPECT_DOUBLE_EQ(Decode(ValueKind::kTextDateTime, "20261207120000").number, 46363.5);
  EXPECT_EQ(Decode(ValueKind::kTextDateTime, "20261207      ").number, 46363);
  EXPECT_TRUE(Decode(ValueKind::kTextDateTime, "20261207250000").blank);
  EXPECT_TRUE(Decode(ValueKind::kTextDateTime, "2026120712").blank);
  // Before day 0 the time of day still moves away from it.
  EXPECT_DOUBLE_EQ(Decode(ValueKind::kTextDateTime, "18991229060000").number, -1.25);
}

TEST(FieldDecodeTest, BinaryIntegersInvertTheTopBit) {
  EXPECT_EQ(Decode(ValueKind::kBinaryInteger, std::string("\x80\x00\x00\x2A", 4)).integer, 42);
  EXPECT_EQ(Decode(ValueKind::kBinaryInteger, std::string("\x7F\xFF\xFF\xFF", 4)).integer, -1);
  EXPECT_EQ(Decode(ValueKind::kAutoIncrement, std::string("\x80\x00\x00\x01", 4)).integer, 1);
  EXPECT_EQ(Decode(ValueKind::kBinaryInteger, std::string("\x80\x00\x00\x00", 4)).integer, 0);
  EXPECT_FALSE(Decode(ValueKind::kBinaryInteger, std::string("\x80\x00\x00\x00", 4)).blank);
  EXPECT_TRUE(Decode(ValueKind::kBinaryInteger, std::string(4, '\0')).blank);
}

TEST(FieldDecodeTest, BinaryDoublesSortLikeTheirValues) {
  // 1.5 is 0x3FF8000000000000; stored with the sign bit set. -1.5 is stored inverted.
  EXPECT_EQ(Decode(ValueKind::kBinaryDouble, std::string("\xBF\xF8\0\0\0\0\0\0", 8)).number, 1.5);
  EXPECT_EQ(
      Decode(ValueKind::kBinaryDouble, std::string("\x40\x07\xFF\xFF\xFF\xFF\xFF\xFF", 8)).number,
      -1.5);
  EXPECT_TRUE(Decode(ValueKind::kBinaryDouble, std::string(8, '\0')).blank);
}

TEST(FieldDecodeTest, BinaryTimestampCountsMillisecondsFromYearOne) {
  // 30 December 1899 is day 693594 when 1 January 0001 is day 1: 693594 * 86400000 ms.
  // 59926521600000 = 0x42CB405D842C0000 as a double.
  const DecodedValue v =
      Decode(ValueKind::kBinaryDateTime, std::string("\x42\xCB\x40\x5D\x84\x2C\x00\x00", 8));
  EXPECT_FALSE(v.blank);
  EXPECT_DOUBLE_EQ(v.number, 0.0);
  EXPECT_TRUE(Decode(ValueKind::kBinaryDateTime, std::string(8, '\0')).blank);
}

TEST(FieldDecodeTest, MemoFieldsGiveTheirBlockNumber) {
  const DecodedValue v = Decode(ValueKind::kMemo, "        12");
  EXPECT_EQ(v.integer, 12);
  EXPECT_EQ(v.text, "12");
  EXPECT_TRUE(Decode(ValueKind::kMemo, "          ").blank);
}

struct FormatCase {
  double value;
  const char* text;
};

TEST(FieldDecodeTest, GeneralFormatUsesFifteenSignificantDigits) {
  const std::vector<FormatCase> cases = {
      {0.0, "0"},
      {-0.0, "0"},
      {1.0, "1"},
      {-12.0, "-12"},
      {123.5, "123,5"},
      {0.1, "0,1"},
      {0.0001, "0,0001"},
      {0.00001, "1E-5"},
      {1.25e-7, "1,25E-7"},
      {20261207103000.0, "20261207103000"},
      {999999999999999.0, "999999999999999"},
      {1234567890123456.0, "1,23456789012346E15"},
      {1e16, "1E16"},
      {1e20, "1E20"},
      {-1234567890123456.0, "-1,23456789012346E15"},
      {2.0 / 3.0, "0,666666666666667"},
      {1234.5678, "1234,5678"},
      {0.1 + 0.2, "0,3"},
      // Rounding to fifteen digits can carry into a new digit before the point.
      {999999999999999.9, "1E15"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FormatGeneral(c.value, ','), c.text);
  }
  EXPECT_EQ(FormatGeneral(123.5, '.'), "123.5");
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::quiet_NaN(), ','), "NAN");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity(), ','), "-INF");
}

}  // namespace
}  // namespace erm::dbf
