// Code pages from the language driver names of dBase 7 headers.
#include "dbf/code_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace erm::dbf {
namespace {

struct NameCase {
  std::string name;
  int code_page;  // 0: none selected
};

TEST(CodePageTest, DriverNameSpellsTheCodePage) {
  const std::vector<NameCase> cases = {
      {"DBWINUS0", 1252}, {"DBWINWE0", 1252}, {"DBHEBREW", 1255}, {"DB437DE0", 437},
      {"DB850DE0", 850},  {"DB865NO0", 865},  {"DB852", 852},     {"DBX37DE0", 0},
      {"DB43", 0},        {"DB", 0},          {"DBHEBRE", 0},     {"FOXDEWIN", 1252},
      {"FOXDE437", 437},  {"FOXDE850", 850},  {"FOXWIN", 0},      {"FOXDE43", 0},
      {"FOXDEABC", 0},    {"WINUS0", 0},      {"XXWIN", 0},       {"", 0},
  };
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CodePageFromDriverName(c.name), c.code_page);
  }
}

TEST(CodePageTest, DriverIdsOutsideTheTableSelectNone) {
  for (int id : {0x00, 0x01, 0x07, 0x1E, 0x21, 0x30, 0x58 + 0x80, 0xFF}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(CodePageFromDriverId(static_cast<uint8_t>(id)), 0);
  }
  EXPECT_EQ(CodePageFromDriverId(0x08), 865);
  EXPECT_EQ(CodePageFromDriverId(0x69), 620);
  EXPECT_EQ(CodePageFromDriverId(0x9C), 850);
}

}  // namespace
}  // namespace erm::dbf
