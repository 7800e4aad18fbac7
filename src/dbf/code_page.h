// The code page a table's texts are written in, from the language driver its header names, and
// how its texts reach the program's ANSI code page.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/system.h"

namespace erm::dbf {

enum class Translation;

// The code page of a language driver ID (dBase III and IV headers), or 0 for none.
int CodePageFromDriverId(uint8_t id);
// FoxPro's code page mark in the same byte: 1, 2 and 3 name 437, 850 and 1252; other marks
// are read as language driver IDs.
int CodePageFromFoxProMark(uint8_t mark);
// The code page of a language driver name (dBase 7 headers, "DBWINUS0", "DB437DE0", ...), or 0.
int CodePageFromDriverName(std::string_view name);

struct TextTranslation {
  int code_page = 0;
  Translation translation;
  bool modifiable = true;
};

// `code_page` 0 (none selected) takes the system's OEM code page.
TextTranslation DecideTranslation(int code_page, platform::System& system);

}  // namespace erm::dbf
