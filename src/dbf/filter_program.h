// A compiled filter expression as a flat list of typed stack operations, and the machine that
// runs it on the bytes of one record. Every buffer the run needs is sized when the program is
// built, so running it never allocates and never recurses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "dbf/field_def.h"
#include "dbf/filter.h"

namespace erm::dbf {

// The value types of the expression language, by their signature letters.
enum class ValueType : char {
  kBoolean = 'B',
  kInteger = 'I',   // 32-bit signed
  kLargeInt = 'L',  // 64-bit signed
  kFloat = 'F',     // double
  kDateTime = 'D',  // double: days since 30 December 1899, time of day as fraction
  kText = 'S',
};

// One value on the machine's stack. Texts are views: into the record, into the program's
// constants, or into the buffer of the stack level they sit on; never NUL inside.
struct Value {
  int64_t integer = 0;  // B (0 or 1), I, L
  double number = 0.0;  // F, D
  const char* text = "";
  size_t length = 0;
};

enum class Relation : uint8_t { kEqual, kLess, kGreater, kLessEqual, kGreaterEqual };

enum class OpCode : uint8_t {
  kLoadText,     // index: field reference
  kLoadInteger,  // index: field reference (B, I, L)
  kLoadNumber,   // index: field reference (F, D)
  kConstant,     // index: constant
  kAddText,
  kAddFloat,        // left, right: operand types
  kAddInteger,      // 32-bit, wrapping
  kAddLargeInt,     // 64-bit, wrapping
  kCompareText,     // relation
  kCompareFloat,    // relation, left, right
  kCompareInteger,  // relation (I and L alike)
  kNot,
  kAnd,
  kOr,
  kStr,  // index: argument count (1 to 3), left: type of the number
  kDtos,
  kSubstr,
  kUpper,
  kLower,
};

struct Instruction {
  OpCode code = OpCode::kConstant;
  Relation relation = Relation::kEqual;
  ValueType left = ValueType::kInteger;
  ValueType right = ValueType::kInteger;
  uint32_t index = 0;
};

// STR's field width when none is given, and the widest it formats.
constexpr int64_t kDefaultStrWidth = 10;
constexpr int64_t kMaxStrWidth = 254;

// Operands an instruction takes from the stack (0 for the loads and constants).
size_t Arity(const Instruction& instruction);

// Where a text-producing operation writes: the buffer of the stack level its result lands on.
struct TextBuffer {
  char* data = nullptr;
  size_t capacity = 0;
};

// Runs one operation on args[0 .. Arity) and leaves the result in args[0]. A text result is
// written to `out` unless it is a view of args[0]; `out` holds at least the result's bound.
void Apply(const Instruction& instruction, Value* args, TextBuffer out, char decimal_separator);

// Comparison of two texts: blanks and control characters (below 33) at both ends do not count,
// bytes compare unsigned with only a-z folded to A-Z, and a prefix sorts first. <0, 0, >0.
int CompareTexts(const char* a, size_t a_length, const char* b, size_t b_length);

// A field the expression names: refreshed from every record before the operations run.
struct FieldRef {
  FieldDef def;
  ValueType type = ValueType::kText;
};

struct Constant {
  Value value;
  std::string text;  // owns the bytes of a text constant; value.text points here
};

struct Program {
  std::vector<Instruction> code;
  std::vector<FieldRef> refs;
  std::deque<Constant> constants;  // a deque, so that the text pointers stay put
  // Bytes each stack level's text buffer must hold; its size is the deepest level reached.
  std::vector<size_t> buffer_sizes;
  ValueType result = ValueType::kBoolean;
  char decimal_separator = ',';
};

// Runs a program. Owns the stack and the text buffers, allocated once in the constructor.
class FilterMachine {
 public:
  explicit FilterMachine(const Program& program);
  // The expression's value for the record; `record` spans every referenced field. The result
  // stays valid until the next run.
  const Value& Run(const uint8_t* record);

 private:
  void RefreshFields(const uint8_t* record);

  const Program& program_;
  std::vector<Value> field_values_;
  std::vector<Value> constant_values_;
  std::vector<Value> stack_;
  std::vector<std::unique_ptr<char[]>> buffer_storage_;
  std::vector<TextBuffer> buffers_;
};

// Whether a result of `type` lets the record through: a truth value when true, a number when not
// zero, a text when not empty.
bool Passes(const Value& result, ValueType type);

// The general filter: the program run on every record.
class ProgramFilter : public CompiledFilter {
 public:
  explicit ProgramFilter(Program program);
  bool Test(const uint8_t* record) override;
  // The expression's value for the record, valid until the next call.
  const Value& Evaluate(const uint8_t* record) { return machine_.Run(record); }
  const Program& program() const { return *program_; }

 private:
  std::unique_ptr<Program> program_;  // on the heap, so that the machine's reference survives moves
  FilterMachine machine_;
};

}  // namespace erm::dbf
