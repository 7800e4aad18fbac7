// Language driver IDs are the dBase convention of naming a code page and a collation in one
// byte; the names of dBase 7 spell the code page in digits after a prefix.
#include "dbf/code_page.h"

#include <array>
#include <utility>

#include "dbf/dbf_table.h"

namespace erm::dbf {
namespace {

constexpr std::array<std::pair<uint8_t, int>, 51> kDriverIds = {{
    {0x08, 865},  {0x09, 437},  {0x0A, 850},  {0x0B, 437}, {0x0C, 850}, {0x0D, 437}, {0x0E, 850},
    {0x0F, 437},  {0x10, 850},  {0x11, 437},  {0x12, 850}, {0x13, 932}, {0x14, 850}, {0x15, 437},
    {0x16, 850},  {0x17, 865},  {0x18, 437},  {0x19, 437}, {0x1A, 850}, {0x1B, 437}, {0x1C, 863},
    {0x1D, 850},  {0x1F, 852},  {0x20, 867},  {0x22, 852}, {0x23, 852}, {0x24, 860}, {0x25, 850},
    {0x26, 866},  {0x37, 850},  {0x4D, 936},  {0x4E, 949}, {0x4F, 950}, {0x50, 874}, {0x56, 932},
    {0x57, 1252}, {0x58, 1252}, {0x59, 1252}, {0x5E, 437}, {0x5F, 437}, {0x60, 850}, {0x61, 1252},
    {0x62, 1252}, {0x69, 620},  {0x85, 862},  {0x86, 437}, {0x87, 852}, {0x88, 857}, {0x8E, 868},
    {0x9B, 1250}, {0x9C, 850},
}};

// Three decimal digits, or 0.
int ThreeDigits(std::string_view text) {
  if (text.size() < 3) return 0;
  int value = 0;
  for (size_t i = 0; i < 3; ++i) {
    if (text[i] < '0' || text[i] > '9') return 0;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

int CodePageFromDriverId(uint8_t id) {
  if (id == 0) return 0;
  for (const auto& [driver, code_page] : kDriverIds) {
    if (driver == id) return code_page;
  }
  return 0;
}

int CodePageFromFoxProMark(uint8_t mark) {
  switch (mark) {
    case 0x01:
      return 437;
    case 0x02:
      return 850;
    case 0x03:
      return 1252;
    default:
      return CodePageFromDriverId(mark);
  }
}

int CodePageFromDriverName(std::string_view name) {
  if (name.substr(0, 2) == "DB") {
    const std::string_view rest = name.substr(2);
    if (rest.substr(0, 3) == "WIN") return 1252;
    if (rest.substr(0, 6) == "HEBREW") return 1255;
    return ThreeDigits(rest);
  }
  if (name.substr(0, 3) == "FOX") {
    const std::string_view rest = name.size() > 5 ? name.substr(5) : std::string_view();
    if (rest.substr(0, 3) == "WIN") return 1252;
    return ThreeDigits(rest);
  }
  return 0;
}

TextTranslation DecideTranslation(int code_page, platform::System& system) {
  TextTranslation t{code_page, Translation::kNone, true};
  if (t.code_page == 0) t.code_page = system.OemCodePage();
  if (t.code_page == system.AnsiCodePage()) {
    t.translation = Translation::kNone;
  } else if (t.code_page == system.OemCodePage()) {
    t.translation = Translation::kOem;
  } else if (system.IsCodePageSupported(t.code_page)) {
    t.translation = Translation::kCodePage;
  } else {
    t.translation = Translation::kNone;
    t.modifiable = false;
  }
  return t;
}

}  // namespace erm::dbf
