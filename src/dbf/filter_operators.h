// The filter's operators and functions: the words that name them, how tightly they bind, the
// argument types each accepts with the result type, and the operation each becomes in a program.
#pragma once

#include <cstddef>
#include <string_view>

#include "dbf/filter_program.h"

namespace erm::dbf {

enum class Operation {
  kAdd,
  kEqual,
  kLess,
  kGreater,
  kLessEqual,
  kGreaterEqual,
  kNot,
  kAnd,
  kOr,
  kStr,
  kDtos,
  kSubstr,
  kUpper,
  kLower,
};

struct OperatorWord {
  std::string_view word;  // upper case
  Operation operation;
  int level;  // a smaller level binds more tightly; 0 for the functions
  bool function;
};

struct Signature {
  std::string_view arguments;  // operand letters, left first
  size_t required;             // the leading arguments that must be present
  ValueType result;
};

// What the greatest length of an operation's text result depends on, per argument.
struct ArgumentBound {
  size_t bound = 0;                 // a text's greatest length
  const Value* constant = nullptr;  // the value of a constant argument
};

// The operator or function a word names, in any ASCII case, or nullptr.
const OperatorWord* FindOperatorWord(std::string_view word);

// The first signature of `operation` that `count` arguments of `types` fit. Throws Error for too
// few or too many arguments and for types that fit none.
const Signature& Match(Operation operation, const ValueType* types, size_t count);

Instruction MakeInstruction(Operation operation, const Signature& signature, const ValueType* types,
                            size_t count);

// The greatest length a text result can have; 0 for the other types.
size_t ResultBound(const Instruction& ins, const ArgumentBound* args);

// Whether the operation leaves its result in the buffer of its stack level.
bool WritesBuffer(OpCode code);

}  // namespace erm::dbf
