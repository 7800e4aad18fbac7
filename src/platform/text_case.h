// Letter case in the program's texts, which are Windows-1252 bytes. ASCII case is how file
// names, field names and the dBase filter's words compare; Windows-1252 case is how the lists the
// user reads are ordered.
#pragma once

#include <string>
#include <string_view>

namespace erm::platform {

constexpr char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
constexpr char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr unsigned char AsciiUpper(unsigned char c) {
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}
constexpr unsigned char AsciiLower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

std::string AsciiUpper(std::string_view text);
std::string AsciiLower(std::string_view text);
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The Windows-1252 letters folded to lower case: A-Z, the accented capitals 0xC0-0xDE but the
// multiplication sign 0xD7, and the four whose pairs live elsewhere (0x8A/0x9A, 0x8C/0x9C,
// 0x8E/0x9E, 0x9F/0xFF).
unsigned char FoldCp1252Case(unsigned char c);

// The one case-insensitive order of the lists the user reads (the due list, the sorted list
// boxes): ascending by the Windows-1252 bytes folded to lower case, so "[" and "_" come before
// the letters; a text sorts before every longer text it begins. The same on every system.
// Negative, zero or positive as `a` sorts before, with or after `b`.
int CompareTextIgnoringCase(std::string_view a, std::string_view b);

}  // namespace erm::platform
