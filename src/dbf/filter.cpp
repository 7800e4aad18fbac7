// Compiling a filter for a table: the general program, or for the reminder scan's form (a text
// field compared with a text constant) a test that needs no machine at all.
#include "dbf/filter.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "dbf/filter_compiler.h"
#include "dbf/filter_program.h"
#include "platform/error.h"

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

// FIELD <= 'constant' and its kin: the field's bytes up to a NUL, compared as texts compare.
class TextComparisonFilter : public CompiledFilter {
 public:
  TextComparisonFilter(const FieldDef& field, std::string constant, Relation relation)
      : offset_(field.offset),
        length_(field.length),
        constant_(std::move(constant)),
        relation_(relation) {}

  bool Test(const uint8_t* record) override {
    const char* bytes = reinterpret_cast<const char*>(record) + offset_;
    const void* nul = std::memchr(bytes, 0, length_);
    const size_t length =
        nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : length_;
    const int order = CompareTexts(bytes, length, constant_.data(), constant_.size());
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
  size_t offset_;
  size_t length_;
  std::string constant_;
  Relation relation_;
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
      program.refs[0].def, std::string(constant.text, constant.length),
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
