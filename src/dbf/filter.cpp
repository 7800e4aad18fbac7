// Compiling a filter for a table: the general program, or for the reminder scan's form (a text
// field compared with a text constant) a test that needs no machine at all.
#include "dbf/filter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/filter_compiler.h"
#include "dbf/filter_program.h"
#include "platform/error.h"
#include "platform/text_case.h"

namespace erm::dbf {
namespace {

constexpr size_t kMaxTextResult = 100;

Relation Mirrored(Relation relation) {
  switch (relation) {
    case Relation::kLess:
      return Relation::kGreater;
    case Relation::kGreater:
      return Relation::kLess;
    case Relation::kLessEqual:
      return Relation::kGreaterEqual;
    case Relation::kGreaterEqual:
      return Relation::kLessEqual;
    default:
      return relation;
  }
}

// FIELD <= 'constant' and its kin, the reminder scan's form: the field's bytes up to a NUL,
// compared as texts compare against a constant trimmed and folded once.
class TextComparisonFilter : public CompiledFilter {
 public:
  TextComparisonFilter(const FieldDef& field, std::string_view constant, Relation relation)
      : offset_(field.offset), length_(field.length), relation_(relation) {
    while (!constant.empty() && Ignored(constant.front()))
      constant.remove_prefix(1);
    while (!constant.empty() && Ignored(constant.back()))
      constant.remove_suffix(1);
    for (char c : constant)
      constant_.push_back(static_cast<char>(Fold(c)));
  }

  bool Test(const uint8_t* record) override {
    const uint8_t* p = record + offset_;
    size_t n = 0;
    while (n < length_ && p[n] != 0)
      ++n;
    while (n > 0 && p[n - 1] < 33)
      --n;
    while (n > 0 && p[0] < 33) {
      ++p;
      --n;
    }
    const auto* c = reinterpret_cast<const uint8_t*>(constant_.data());
    const size_t common = std::min(n, constant_.size());
    int order = 0;
    for (size_t i = 0; i < common; ++i) {
      if (p[i] == c[i]) continue;
      const uint8_t folded = Fold(p[i]);
      if (folded == c[i]) continue;
      order = folded < c[i] ? -1 : 1;
      break;
    }
    if (order == 0 && n != constant_.size()) order = n < constant_.size() ? -1 : 1;
    switch (relation_) {
      case Relation::kEqual:
        return order == 0;
      case Relation::kLess:
        return order < 0;
      case Relation::kGreater:
        return order > 0;
      case Relation::kLessEqual:
        return order <= 0;
      case Relation::kGreaterEqual:
        return order >= 0;
    }
    return false;
  }

 private:
  static bool Ignored(char c) { return static_cast<unsigned char>(c) < 33; }
  static uint8_t Fold(char c) { return platform::AsciiUpper(static_cast<uint8_t>(c)); }

  size_t offset_;
  size_t length_;
  Relation relation_;
  std::string constant_;
};

std::unique_ptr<CompiledFilter> MakeTextComparison(const Program& program) {
  const std::vector<Instruction>& code = program.code;
  if (code.size() != 3 || program.refs.size() != 1 || code[2].code != OpCode::kCompareText) {
    return nullptr;
  }
  const bool field_first = code[0].code == OpCode::kLoadText && code[1].code == OpCode::kConstant;
  const bool constant_first =
      code[0].code == OpCode::kConstant && code[1].code == OpCode::kLoadText;
  if (!field_first && !constant_first) return nullptr;
  const Value& constant = program.constants[code[field_first ? 1 : 0].index].value;
  return std::make_unique<TextComparisonFilter>(
      program.refs[0].def, std::string_view(constant.text, constant.length),
      field_first ? code[2].relation : Mirrored(code[2].relation));
}

}  // namespace

std::unique_ptr<CompiledFilter> CompiledFilter::Compile(std::string_view text,
                                                        const FieldList& fields,
                                                        char decimal_separator) {
  Program program = CompileProgram(text, fields, decimal_separator);
  if (auto fast = MakeTextComparison(program)) return fast;

  const ValueType result = program.result;
  auto filter = std::make_unique<ProgramFilter>(std::move(program));
  if (result == ValueType::kText) {
    // A text result is what an index would store; an index key holds at most 100 characters.
    const std::vector<uint8_t> blanks(RecordSpan(fields), ' ');
    const size_t length = filter->Evaluate(blanks.data()).length;
    if (length > kMaxTextResult) {
      throw Error("Index result for \"" + std::string(text) + "\" too long, >100 characters (" +
                  std::to_string(length) + ").");
    }
  }
  return filter;
}

size_t RecordSpan(const FieldList& fields) {
  size_t span = 1;
  for (const FieldDef& f : fields)
    span = std::max<size_t>(span, size_t{f.offset} + f.length);
  return span;
}

}  // namespace erm::dbf
