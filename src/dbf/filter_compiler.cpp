// The filter compiler: words to tokens, checks on brackets and neighbouring words, then one pass
// that arranges operators by level with explicit stacks (no recursion, so the depth of a text
// costs heap, not the call stack) and emits the operation list, folding as it goes.
#include "dbf/filter_compiler.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "dbf/filter_lexer.h"
#include "dbf/filter_operators.h"
#include "platform/error.h"
#include "platform/text_case.h"

namespace erm::dbf {
namespace {

constexpr char kOperandMissing[] = "Operand/function missing";

// The expression type of a field, or false for the kinds no expression can read.
bool TypeOfField(ValueKind kind, ValueType* type) {
  switch (kind) {
    case ValueKind::kText:
      *type = ValueType::kText;
      return true;
    case ValueKind::kSmallInt:
    case ValueKind::kInteger:
    case ValueKind::kBinaryInteger:
    case ValueKind::kAutoIncrement:
      *type = ValueType::kInteger;
      return true;
    case ValueKind::kLargeInt:
      *type = ValueType::kLargeInt;
      return true;
    case ValueKind::kFloat:
    case ValueKind::kBinaryDouble:
      *type = ValueType::kFloat;
      return true;
    case ValueKind::kBoolean:
      *type = ValueType::kBoolean;
      return true;
    case ValueKind::kDate:
    case ValueKind::kBinaryDateTime:
    case ValueKind::kTextDateTime:
      *type = ValueType::kDateTime;
      return true;
    case ValueKind::kMemo:
    case ValueKind::kBinary:
    case ValueKind::kObject:
      return false;
  }
  return false;
}

[[noreturn]] void ThrowNotInteger(std::string_view word) {
  throw Error("'" + std::string(word) + "' ist kein g\xFCltiger Integerwert");
}

int32_t ParseInteger(std::string_view word) {
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  if (word.front() == '$') {
    for (char c : word.substr(1)) {
      const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
      value = value * 16 + digit;
      if (value > kMax) ThrowNotInteger(word);
    }
  } else {
    for (char c : word) {
      if (c < '0' || c > '9') ThrowNotInteger(word);  // an exponent without a point
      value = value * 10 + (c - '0');
      if (value > kMax) ThrowNotInteger(word);
    }
  }
  return static_cast<int32_t>(value);
}

double ParseFloat(std::string_view word) {
  double value = 0.0;
  const char* end = word.data() + word.size();
  const auto parsed = std::from_chars(word.data(), end, value);
  if (parsed.ec != std::errc() || parsed.ptr != end) {
    throw Error("'" + std::string(word) + "' ist kein g\xFCltiger Gleitkommawert");
  }
  return value;
}

enum class TokenKind { kConstant, kField, kOperator, kFunction, kOpen, kClose, kComma };

struct Token {
  TokenKind kind = TokenKind::kConstant;
  std::string_view text;                 // the word as written
  const OperatorWord* word = nullptr;    // operators and functions
  size_t ref = 0;                        // fields: index into the program's references
  ValueType type = ValueType::kInteger;  // constants
  Value value;                           // constants; a text points into the expression
  std::string_view message_form;         // how a "missing operator" message names the word
};

bool IsOperandLike(const Token& t) {
  return t.kind == TokenKind::kConstant || t.kind == TokenKind::kField ||
         t.kind == TokenKind::kFunction;
}

class Compiler {
 public:
  Compiler(std::string_view text, const FieldList& fields, char decimal_separator)
      : text_(text), fields_(fields) {
    program_.decimal_separator = decimal_separator;
  }

  Program Run() {
    Tokenize();
    CheckBrackets();
    CheckNeighbours();
    Parse();
    program_.result = operands_.back().type;
    return std::move(program_);
  }

 private:
  struct Operand {
    ValueType type;
    bool constant;
    size_t code_start;      // this operand's operations are code[code_start ..]
    size_t constant_start;  // and the constants it added are constants[constant_start ..]
    size_t bound;           // a text's greatest length
  };

  enum class PendingKind { kBinary, kNot, kOpen, kCall };

  struct Pending {
    PendingKind kind;
    const OperatorWord* word;
    size_t operands_before;  // calls: operands on the stack before the first argument
  };

  void Tokenize() {
    for (const Word& w : SplitWords(text_)) {
      Token t;
      t.text = w.text;
      t.message_form = w.value;
      switch (w.kind) {
        case WordKind::kText: {
          const size_t nul = w.value.find('\0');
          const std::string_view bytes = w.value.substr(0, nul);
          t.type = ValueType::kText;
          t.value.text = bytes.data();
          t.value.length = bytes.size();
          break;
        }
        case WordKind::kInteger:
          t.type = ValueType::kInteger;
          t.value.integer = ParseInteger(w.text);
          break;
        case WordKind::kFloat:
          t.type = ValueType::kFloat;
          t.value.number = ParseFloat(w.text);
          break;
        case WordKind::kName:
        case WordKind::kSymbol:
          LookUp(w.text, &t);
          break;
      }
      tokens_.push_back(t);
    }
  }

  void LookUp(std::string_view word, Token* t) {
    if (word == "(") {
      t->kind = TokenKind::kOpen;
    } else if (word == ")") {
      t->kind = TokenKind::kClose;
    } else if (word == ",") {
      t->kind = TokenKind::kComma;
    } else if (const OperatorWord* op = FindOperatorWord(word)) {
      t->kind = op->function ? TokenKind::kFunction : TokenKind::kOperator;
      t->word = op;
    } else {
      t->kind = TokenKind::kField;
      t->ref = ReferenceField(word);
    }
  }

  size_t ReferenceField(std::string_view word) {
    const std::string name = platform::AsciiUpper(word);
    const auto field = std::find_if(fields_.begin(), fields_.end(),
                                    [&](const FieldDef& f) { return f.name == name; });
    if (field == fields_.end()) {
      throw Error("Index based on unknown field \"" + std::string(word) + "\".");
    }
    ValueType type;
    if (!TypeOfField(field->kind, &type)) {
      throw Error("Field \"" + field->name + "\" is an invalid field type to base index on.");
    }
    for (size_t i = 0; i < program_.refs.size(); ++i) {
      if (program_.refs[i].def.name == name) return i;
    }
    program_.refs.push_back(FieldRef{*field, type});
    return program_.refs.size() - 1;
  }

  void CheckBrackets() const {
    int64_t depth = 0;
    for (const Token& t : tokens_) {
      if (t.kind == TokenKind::kOpen) ++depth;
      if (t.kind == TokenKind::kClose && --depth < 0) break;
    }
    if (depth != 0) throw Error("Unequal brackets");
  }

  void CheckNeighbours() const {
    for (size_t i = 0; i + 1 < tokens_.size(); ++i) {
      const Token& a = tokens_[i];
      const Token& b = tokens_[i + 1];
      if (IsOperandLike(a) && IsOperandLike(b)) {
        throw Error("Missing operator between '" + platform::AsciiLower(a.message_form) +
                    "' and '" + platform::AsciiLower(b.message_form) + "'");
      }
      if (a.kind == TokenKind::kOpen && b.kind == TokenKind::kClose) {
        throw Error("Empty brackets ()");
      }
      if (a.kind == TokenKind::kClose && b.kind == TokenKind::kOpen) {
        throw Error("Missing operator between )(");
      }
      if (a.kind == TokenKind::kClose && IsOperandLike(b)) {
        throw Error("Missing operator between ) and constant/variable");
      }
      if ((a.kind == TokenKind::kConstant || a.kind == TokenKind::kField) &&
          b.kind == TokenKind::kOpen) {
        throw Error("Missing operator between constant/variable and (");
      }
    }
  }

  void Parse() {
    bool expect_operand = true;
    for (size_t i = 0; i < tokens_.size(); ++i) {
      const Token& t = tokens_[i];
      switch (t.kind) {
        case TokenKind::kConstant:
        case TokenKind::kField:
          if (!expect_operand) throw Error(kOperandMissing);
          if (t.kind == TokenKind::kConstant) {
            PushConstant(t.type, t.value, std::string(t.value.text, t.value.length));
          } else {
            PushField(t.ref);
          }
          expect_operand = false;
          break;
        case TokenKind::kFunction:
          if (!expect_operand) throw Error(kOperandMissing);
          if (i + 1 < tokens_.size() && tokens_[i + 1].kind == TokenKind::kOpen) {
            PushPending({PendingKind::kCall, t.word, operands_.size()});
            ++i;
          } else {
            Reduce(t.word->operation, 0);  // a function written without its brackets
            expect_operand = false;
          }
          break;
        case TokenKind::kOpen:
          if (!expect_operand) throw Error(kOperandMissing);
          PushPending({PendingKind::kOpen, nullptr, 0});
          break;
        case TokenKind::kClose: {
          if (expect_operand) throw Error(kOperandMissing);
          ReduceToBracket();
          const Pending bracket = PopPending();
          if (bracket.kind == PendingKind::kCall) {
            Reduce(bracket.word->operation, operands_.size() - bracket.operands_before);
          }
          break;
        }
        case TokenKind::kComma:
          if (expect_operand) throw Error(kOperandMissing);
          ReduceOperators();
          if (pending_.empty() || pending_.back().kind != PendingKind::kCall) {
            throw Error(kOperandMissing);  // a comma outside a function's brackets
          }
          expect_operand = true;
          break;
        case TokenKind::kOperator:
          if (t.word->operation == Operation::kNot) {
            if (!expect_operand) throw Error(kOperandMissing);
            PushPending({PendingKind::kNot, t.word, 0});
          } else {
            if (expect_operand) throw Error(kOperandMissing);
            while (!pending_.empty() && IsOperator(pending_.back()) &&
                   pending_.back().word->level <= t.word->level) {
              ReducePending(PopPending());
            }
            PushPending({PendingKind::kBinary, t.word, 0});
            expect_operand = true;
          }
          break;
      }
    }
    if (expect_operand) throw Error(kOperandMissing);
    while (!pending_.empty())
      ReducePending(PopPending());
    if (operands_.size() != 1) throw Error(kOperandMissing);
  }

  static bool IsOperator(const Pending& p) {
    return p.kind == PendingKind::kBinary || p.kind == PendingKind::kNot;
  }

  void PushPending(const Pending& p) {
    if (p.kind != PendingKind::kBinary && ++nesting_ > kMaxNesting) {
      throw Error("Expression nested too deeply (more than " + std::to_string(kMaxNesting) +
                  " levels of brackets and NOT)");
    }
    pending_.push_back(p);
  }

  Pending PopPending() {
    const Pending p = pending_.back();
    pending_.pop_back();
    if (p.kind != PendingKind::kBinary) --nesting_;
    return p;
  }

  void ReduceOperators() {
    while (!pending_.empty() && IsOperator(pending_.back()))
      ReducePending(PopPending());
  }

  void ReduceToBracket() {
    ReduceOperators();
    if (pending_.empty()) throw Error("Unequal brackets");
  }

  void ReducePending(const Pending& p) {
    if (!IsOperator(p)) throw Error("Unequal brackets");
    Reduce(p.word->operation, p.kind == PendingKind::kNot ? 1 : 2);
  }

  void NoteDepth() {
    if (operands_.size() > program_.buffer_sizes.size()) {
      program_.buffer_sizes.resize(operands_.size(), 0);
    }
  }

  void PushConstant(ValueType type, Value value, std::string text) {
    operands_.push_back({type, true, program_.code.size(), program_.constants.size(), text.size()});
    Constant& c = program_.constants.emplace_back();
    c.text = std::move(text);
    c.value = value;
    if (type == ValueType::kText) {
      c.value.text = c.text.c_str();
      c.value.length = c.text.size();
    } else {
      c.value.text = "";
      c.value.length = 0;
    }
    Instruction ins;
    ins.code = OpCode::kConstant;
    ins.index = static_cast<uint32_t>(program_.constants.size() - 1);
    program_.code.push_back(ins);
    NoteDepth();
  }

  void PushField(size_t ref) {
    const FieldRef& r = program_.refs[ref];
    Instruction ins;
    ins.index = static_cast<uint32_t>(ref);
    switch (r.type) {
      case ValueType::kText:
        ins.code = OpCode::kLoadText;
        break;
      case ValueType::kFloat:
      case ValueType::kDateTime:
        ins.code = OpCode::kLoadNumber;
        break;
      default:
        ins.code = OpCode::kLoadInteger;
        break;
    }
    operands_.push_back(
        {r.type, false, program_.code.size(), program_.constants.size(), r.def.length});
    program_.code.push_back(ins);
    NoteDepth();
  }

  // A constant operand consists of exactly one constant operation.
  const Value& ConstantValue(const Operand& operand) const {
    return program_.constants[program_.code[operand.code_start].index].value;
  }

  void Reduce(Operation operation, size_t count) {
    if (operands_.size() < count) throw Error(kOperandMissing);
    const size_t first = operands_.size() - count;
    ValueType types[3] = {};
    for (size_t i = 0; i < count && i < 3; ++i)
      types[i] = operands_[first + i].type;
    const Signature& signature = Match(operation, types, count);
    const Instruction ins = MakeInstruction(operation, signature, types, count);
    const Operand* args = operands_.data() + first;
    ArgumentBound bounds[3];
    for (size_t i = 0; i < count && i < 3; ++i) {
      bounds[i].bound = args[i].bound;
      if (args[i].constant) bounds[i].constant = &ConstantValue(args[i]);
    }
    const size_t bound = ResultBound(ins, bounds);
    const Operand head = args[0];

    bool all_constant = true;
    for (size_t i = 0; i < count; ++i)
      all_constant = all_constant && args[i].constant;
    if (all_constant) {
      Fold(ins, signature.result, args, count, bound);
      return;
    }
    program_.code.push_back(ins);
    if (WritesBuffer(ins.code)) {
      program_.buffer_sizes[first] = std::max(program_.buffer_sizes[first], bound);
    }
    operands_.resize(first);
    operands_.push_back({signature.result, false, head.code_start, head.constant_start, bound});
  }

  // Computes an operation on constants now and leaves one constant in place of its operands.
  void Fold(const Instruction& ins, ValueType result_type, const Operand* args, size_t count,
            size_t bound) {
    Value values[3];
    for (size_t i = 0; i < count; ++i)
      values[i] = ConstantValue(args[i]);
    std::string scratch(bound, '\0');
    Apply(ins, values, TextBuffer{scratch.data(), scratch.size()}, program_.decimal_separator);
    std::string text;
    if (result_type == ValueType::kText) text.assign(values[0].text, values[0].length);
    const Operand head = args[0];
    program_.code.resize(head.code_start);
    program_.constants.resize(head.constant_start);
    operands_.resize(operands_.size() - count);
    PushConstant(result_type, values[0], std::move(text));
  }

  std::string_view text_;
  const FieldList& fields_;
  std::vector<Token> tokens_;
  Program program_;
  std::vector<Operand> operands_;
  std::vector<Pending> pending_;
  size_t nesting_ = 0;
};

}  // namespace

Program CompileProgram(std::string_view text, const FieldList& fields, char decimal_separator) {
  return Compiler(text, fields, decimal_separator).Run();
}

}  // namespace erm::dbf
