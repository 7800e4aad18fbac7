// The words of a filter expression. A word's first character decides its kind; a text constant
// without its closing quote runs to the end and keeps the opening quote in its value.
#include "dbf/filter_lexer.h"

namespace erm::dbf {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameChar(char c) {
  return IsLetter(c) || IsDigit(c);
}
bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 33;
}

// The end of a number starting at `i`: digits, "." and digits, "e", a sign and digits.
size_t NumberEnd(std::string_view s, size_t i, bool* has_point) {
  while (i < s.size() && IsDigit(s[i]))
    ++i;
  *has_point = i < s.size() && s[i] == '.';
  if (*has_point) {
    ++i;
    while (i < s.size() && IsDigit(s[i]))
      ++i;
  }
  if (i < s.size() && s[i] == 'e') {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    while (i < s.size() && IsDigit(s[i]))
      ++i;
  }
  return i;
}

size_t NameEnd(std::string_view s, size_t i) {
  while (i < s.size() && IsNameChar(s[i]))
    ++i;
  return i;
}

bool IsTwoCharacterSymbol(std::string_view s, size_t i) {
  if (i + 1 >= s.size()) return false;
  const std::string_view pair = s.substr(i, 2);
  return pair == "!=" || pair == "&&" || pair == "||" || pair == ":=";
}

}  // namespace

std::vector<Word> SplitWords(std::string_view expression) {
  while (!expression.empty() && IsControl(expression.front()))
    expression.remove_prefix(1);
  while (!expression.empty() && IsControl(expression.back()))
    expression.remove_suffix(1);
  const std::string_view s = expression;

  std::vector<Word> words;
  size_t i = 0;
  while (i < s.size()) {
    if (s[i] == ' ') {
      ++i;
      continue;
    }
    const char c = s[i];
    Word word;
    size_t end = i + 1;
    if (c == '\'' || c == '"') {
      const size_t close = s.find(c, i + 1);
      word.kind = WordKind::kText;
      if (close == std::string_view::npos) {
        end = s.size();
        word.value = s.substr(i);
      } else {
        end = close + 1;
        word.value = s.substr(i + 1, close - i - 1);
      }
    } else if (IsDigit(c) || c == '.') {
      bool has_point = false;
      end = NumberEnd(s, i, &has_point);
      word.kind = has_point ? WordKind::kFloat : WordKind::kInteger;
    } else if (c == '$') {
      while (end < s.size() && IsHexDigit(s[end]))
        ++end;
      if (end > i + 1) {
        word.kind = WordKind::kInteger;
      } else {
        word.kind = WordKind::kName;
        end = NameEnd(s, i + 1);
      }
    } else if (IsLetter(c)) {
      word.kind = WordKind::kName;
      end = NameEnd(s, i + 1);
    } else if (c == '<' || c == '>' || c == '=') {
      if (end < s.size() && (s[end] == '<' || s[end] == '=' || s[end] == '>')) ++end;
    } else if (IsTwoCharacterSymbol(s, i)) {
      end = i + 2;
    }
    word.text = s.substr(i, end - i);
    if (word.kind != WordKind::kText) word.value = word.text;
    words.push_back(word);
    i = end;
  }
  return words;
}

}  // namespace erm::dbf
