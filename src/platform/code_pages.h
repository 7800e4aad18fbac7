// Single-byte code pages known without the operating system: for the simulated platform, and for
// turning the program's Windows-1252 texts into UTF-8 in the command-line tools.
#pragma once

#include <string>
#include <string_view>

namespace erm::platform {

// The 128 code points of bytes 0x80-0xFF, or nullptr when the code page is not one of
// 437, 850, 852, 865 and 1252.
const char16_t* SingleByteTable(int code_page);

// Converts between a known single-byte code page and another one through Unicode; characters
// the target lacks become "?". Unknown code pages leave the bytes as they are.
std::string ConvertSingleByte(int from_code_page, int to_code_page, std::string_view text);

// The Windows-1252 byte for a code point, or '?' when Windows-1252 has none.
char UnicodeToCp1252(char32_t c);

std::string Cp1252ToUtf8(std::string_view text);
// Characters outside Windows-1252 (and malformed UTF-8) become "?".
std::string Utf8ToCp1252(std::string_view text);

}  // namespace erm::platform
