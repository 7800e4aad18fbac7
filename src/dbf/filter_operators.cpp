#include "dbf/filter_operators.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

#include "platform/error.h"
#include "platform/text_case.h"

namespace erm::dbf {
namespace {

constexpr OperatorWord kOperatorWords[] = {
    {"+", Operation::kAdd, 40, false},         {"=", Operation::kEqual, 80, false},
    {"<", Operation::kLess, 80, false},        {">", Operation::kGreater, 80, false},
    {"<=", Operation::kLessEqual, 80, false},  {">=", Operation::kGreaterEqual, 80, false},
    {"NOT", Operation::kNot, 85, false},       {"AND", Operation::kAnd, 90, false},
    {"OR", Operation::kOr, 100, false},        {"STR", Operation::kStr, 0, true},
    {"DTOS", Operation::kDtos, 0, true},       {"SUBSTR", Operation::kSubstr, 0, true},
    {"UPPERCASE", Operation::kUpper, 0, true}, {"UPPER", Operation::kUpper, 0, true},
    {"LOWERCASE", Operation::kLower, 0, true}, {"LOWER", Operation::kLower, 0, true},
};

constexpr Signature kAddSignatures[] = {
    {"SS", 2, ValueType::kText},     {"FF", 2, ValueType::kFloat},
    {"FI", 2, ValueType::kFloat},    {"IF", 2, ValueType::kFloat},
    {"FL", 2, ValueType::kFloat},    {"LF", 2, ValueType::kFloat},
    {"II", 2, ValueType::kInteger},  {"IL", 2, ValueType::kLargeInt},
    {"LI", 2, ValueType::kLargeInt}, {"LL", 2, ValueType::kLargeInt},
};
constexpr Signature kCompareSignatures[] = {
    {"SS", 2, ValueType::kBoolean}, {"FF", 2, ValueType::kBoolean}, {"FI", 2, ValueType::kBoolean},
    {"IF", 2, ValueType::kBoolean}, {"II", 2, ValueType::kBoolean}, {"LL", 2, ValueType::kBoolean},
    {"LF", 2, ValueType::kBoolean}, {"FL", 2, ValueType::kBoolean}, {"LI", 2, ValueType::kBoolean},
    {"IL", 2, ValueType::kBoolean},
};
constexpr Signature kNotSignatures[] = {{"B", 1, ValueType::kBoolean}};
constexpr Signature kLogicSignatures[] = {{"BB", 2, ValueType::kBoolean}};
constexpr Signature kStrSignatures[] = {{"FII", 1, ValueType::kText}, {"III", 1, ValueType::kText}};
constexpr Signature kDtosSignatures[] = {{"D", 1, ValueType::kText}};
constexpr Signature kSubstrSignatures[] = {{"SII", 3, ValueType::kText}};
constexpr Signature kCaseSignatures[] = {{"S", 1, ValueType::kText}};

struct SignatureList {
  const Signature* begin;
  const Signature* end;
};

template <size_t N>
constexpr SignatureList ListOf(const Signature (&list)[N]) {
  return {list, list + N};
}

SignatureList SignaturesOf(Operation operation) {
  switch (operation) {
    case Operation::kAdd:
      return ListOf(kAddSignatures);
    case Operation::kNot:
      return ListOf(kNotSignatures);
    case Operation::kAnd:
    case Operation::kOr:
      return ListOf(kLogicSignatures);
    case Operation::kStr:
      return ListOf(kStrSignatures);
    case Operation::kDtos:
      return ListOf(kDtosSignatures);
    case Operation::kSubstr:
      return ListOf(kSubstrSignatures);
    case Operation::kUpper:
    case Operation::kLower:
      return ListOf(kCaseSignatures);
    default:
      return ListOf(kCompareSignatures);
  }
}

bool Fits(const Signature& s, const ValueType* types, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (static_cast<char>(types[i]) != s.arguments[i]) return false;
  }
  return true;
}

bool IsFloating(ValueType t) {
  return t == ValueType::kFloat || t == ValueType::kDateTime;
}

}  // namespace

const OperatorWord* FindOperatorWord(std::string_view word) {
  const std::string upper = platform::AsciiUpper(word);
  for (const OperatorWord& w : kOperatorWords) {
    if (w.word == upper) return &w;
  }
  return nullptr;
}

const Signature& Match(Operation operation, const ValueType* types, size_t count) {
  const SignatureList list = SignaturesOf(operation);
  size_t fewest = std::numeric_limits<size_t>::max();
  for (const Signature* s = list.begin; s != list.end; ++s)
    fewest = std::min(fewest, s->required);
  if (count < fewest) throw Error("Function or operand has too few arguments");
  for (const Signature* s = list.begin; s != list.end; ++s) {
    if (count >= s->required && count <= s->arguments.size() && Fits(*s, types, count)) {
      return *s;
    }
  }
  for (const Signature* s = list.begin; s != list.end; ++s) {
    if (count > s->arguments.size() && Fits(*s, types, s->arguments.size())) {
      throw Error("Function or operand has too many arguments");
    }
  }
  throw Error("Argument type mismatch");
}

Instruction MakeInstruction(Operation operation, const Signature& signature, const ValueType* types,
                            size_t count) {
  Instruction ins;
  if (count >= 1) ins.left = types[0];
  if (count >= 2) ins.right = types[1];
  switch (operation) {
    case Operation::kAdd:
      switch (signature.result) {
        case ValueType::kText:
          ins.code = OpCode::kAddText;
          break;
        case ValueType::kFloat:
          ins.code = OpCode::kAddFloat;
          break;
        case ValueType::kInteger:
          ins.code = OpCode::kAddInteger;
          break;
        default:
          ins.code = OpCode::kAddLargeInt;
          break;
      }
      break;
    case Operation::kEqual:
    case Operation::kLess:
    case Operation::kGreater:
    case Operation::kLessEqual:
    case Operation::kGreaterEqual:
      ins.relation =
          static_cast<Relation>(static_cast<int>(operation) - static_cast<int>(Operation::kEqual));
      if (types[0] == ValueType::kText) {
        ins.code = OpCode::kCompareText;
      } else if (IsFloating(types[0]) || IsFloating(types[1])) {
        ins.code = OpCode::kCompareFloat;
      } else {
        ins.code = OpCode::kCompareInteger;
      }
      break;
    case Operation::kNot:
      ins.code = OpCode::kNot;
      break;
    case Operation::kAnd:
      ins.code = OpCode::kAnd;
      break;
    case Operation::kOr:
      ins.code = OpCode::kOr;
      break;
    case Operation::kStr:
      ins.code = OpCode::kStr;
      ins.index = static_cast<uint32_t>(count);
      break;
    case Operation::kDtos:
      ins.code = OpCode::kDtos;
      break;
    case Operation::kSubstr:
      ins.code = OpCode::kSubstr;
      break;
    case Operation::kUpper:
      ins.code = OpCode::kUpper;
      break;
    case Operation::kLower:
      ins.code = OpCode::kLower;
      break;
  }
  return ins;
}

size_t ResultBound(const Instruction& ins, const ArgumentBound* args) {
  switch (ins.code) {
    case OpCode::kAddText:
      return args[0].bound + args[1].bound;
    case OpCode::kStr: {
      if (ins.index < 2) return kDefaultStrWidth;
      if (args[1].constant == nullptr) return kMaxStrWidth;
      const int64_t width = args[1].constant->integer;
      return static_cast<size_t>(std::clamp<int64_t>(width, 1, kMaxStrWidth));
    }
    case OpCode::kDtos:
      return 8;
    case OpCode::kSubstr:
    case OpCode::kUpper:
    case OpCode::kLower:
      return args[0].bound;
    default:
      return 0;
  }
}

bool WritesBuffer(OpCode code) {
  return code == OpCode::kAddText || code == OpCode::kStr || code == OpCode::kDtos ||
         code == OpCode::kUpper || code == OpCode::kLower;
}

}  // namespace erm::dbf
