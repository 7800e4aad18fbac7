// Reading a filter expression into its words: constants, names and operator symbols. The words
// are views into the expression text.
#pragma once

#include <string_view>
#include <vector>

namespace erm::dbf {

enum class WordKind {
  kText,     // between quotes
  kInteger,  // digits without a point, or "$" and hexadecimal digits
  kFloat,    // digits with a point
  kName,     // an operator, function or field name
  kSymbol,   // anything else: brackets, comma, comparison signs, unknown characters
};

struct Word {
  WordKind kind = WordKind::kSymbol;
  std::string_view text;   // as written, quotes included
  std::string_view value;  // a text constant's bytes; for every other word its text
};

// The words of `expression`. Characters below 33 around the whole text and blanks between the
// words are not part of any word. Never fails: every character belongs to some word.
std::vector<Word> SplitWords(std::string_view expression);

}  // namespace erm::dbf
