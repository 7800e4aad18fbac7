// The operations of compiled filters and the machine that runs them. Nothing here allocates once
// a machine is built: text results go into the buffers sized at compile time, and numbers are
// formatted on the stack.
#include "dbf/filter_program.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>

#include "dbf/day_number.h"
#include "dbf/field_decode.h"
#include "platform/local_time.h"
#include "platform/text_case.h"

namespace erm::dbf {
namespace {

void TrimControls(const unsigned char*& p, size_t& n) {
  while (n > 0 && p[0] < 33) {
    ++p;
    --n;
  }
  while (n > 0 && p[n - 1] < 33)
    --n;
}

template <typename T>
bool Holds(Relation relation, T a, T b) {
  switch (relation) {
    case Relation::kEqual:
      return a == b;
    case Relation::kLess:
      return a < b;
    case Relation::kGreater:
      return a > b;
    case Relation::kLessEqual:
      return a <= b;
    case Relation::kGreaterEqual:
      return a >= b;
  }
  return false;
}

bool IsFloating(ValueType type) {
  return type == ValueType::kFloat || type == ValueType::kDateTime;
}

long double Extended(const Value& v, ValueType type) {
  return IsFloating(type) ? static_cast<long double>(v.number)
                          : static_cast<long double>(v.integer);
}

double AsDouble(const Value& v, ValueType type) {
  return IsFloating(type) ? v.number : static_cast<double>(v.integer);
}

int64_t WrappingAdd(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}

// `value` in fixed notation with `decimals` places, rounded half away from zero on its shortest
// decimal form (so 2.5 gives 3 and 1.005 gives 1.01, as a reader of the digits expects).
// Returns the length written to `out`, or 0 when the number has no such form.
size_t FormatFixed(double value, int64_t decimals, char separator, char* out, size_t capacity) {
  if (!std::isfinite(value)) return 0;
  std::array<char, 400> shortest;
  const auto converted = std::to_chars(shortest.data(), shortest.data() + shortest.size(), value,
                                       std::chars_format::fixed);
  if (converted.ec != std::errc()) return 0;
  const char* p = shortest.data();
  const char* end = converted.ptr;
  bool negative = false;
  if (p < end && *p == '-') {
    negative = true;
    ++p;
  }
  const char* point = std::find(p, end, '.');
  const char* fraction = point < end ? point + 1 : end;
  const size_t fraction_length = static_cast<size_t>(end - fraction);

  // A leading slot for the carry, the whole digits, then exactly `decimals` fraction digits.
  std::array<char, 700> digits;
  size_t n = 0;
  digits[n++] = '0';
  for (const char* q = p; q < point; ++q)
    digits[n++] = *q;
  for (int64_t k = 0; k < decimals; ++k) {
    digits[n++] = static_cast<size_t>(k) < fraction_length ? fraction[k] : '0';
  }
  if (static_cast<size_t>(decimals) < fraction_length && fraction[decimals] >= '5') {
    size_t i = n - 1;
    while (digits[i] == '9')
      digits[i--] = '0';
    ++digits[i];
  }
  const size_t whole_end = n - static_cast<size_t>(decimals);
  size_t first = 0;
  while (first + 1 < whole_end && digits[first] == '0')
    ++first;
  bool all_zero = true;
  for (size_t i = first; i < n; ++i)
    all_zero = all_zero && digits[i] == '0';

  const size_t length =
      (negative && !all_zero ? 1 : 0) + (whole_end - first) + (decimals > 0 ? decimals + 1 : 0);
  if (length > capacity) return 0;
  char* w = out;
  if (negative && !all_zero) *w++ = '-';
  for (size_t i = first; i < whole_end; ++i)
    *w++ = digits[i];
  if (decimals > 0) {
    *w++ = separator;
    for (size_t i = whole_end; i < n; ++i)
      *w++ = digits[i];
  }
  return length;
}

// STR(number [, width [, decimals]]): right-aligned in `width` (10 unless given), rounded to
// `decimals` places (none unless given); a number too wide for its field shows as asterisks.
void ApplyStr(Value* args, size_t count, ValueType number_type, TextBuffer out, char separator) {
  const double number = AsDouble(args[0], number_type);
  const int64_t width =
      count >= 2 ? std::clamp(args[1].integer, int64_t{1}, kMaxStrWidth) : kDefaultStrWidth;
  const int64_t decimals =
      count >= 3 ? std::clamp(args[2].integer, int64_t{0}, std::max<int64_t>(0, width - 2)) : 0;
  std::array<char, kMaxStrWidth> formatted;
  const size_t length =
      FormatFixed(number, decimals, separator, formatted.data(), static_cast<size_t>(width));
  const size_t w = static_cast<size_t>(width);
  if (length == 0) {
    std::memset(out.data, '*', w);
  } else {
    std::memset(out.data, ' ', w - length);
    std::memcpy(out.data + (w - length), formatted.data(), length);
  }
  args[0].text = out.data;
  args[0].length = w;
}

void PutDigits(char* out, int value, int count) {
  for (int i = count - 1; i >= 0; --i) {
    out[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
}

// DTOS(date): yyyymmdd; a value outside the years 1 to 9999 has no such form and gives blanks.
void ApplyDtos(Value& arg, TextBuffer out) {
  const double days = arg.number;
  if (IsInDateRange(days)) {
    const auto day = static_cast<int64_t>(days);  // the date part, as the date system counts it
    const platform::LocalTime t = platform::FromMilliseconds(day * kMsPerDay);
    PutDigits(out.data, t.year, 4);
    PutDigits(out.data + 4, t.month, 2);
    PutDigits(out.data + 6, t.day, 2);
  } else {
    std::memset(out.data, ' ', 8);
  }
  arg.text = out.data;
  arg.length = 8;
}

// SUBSTR(text, start, count): `count` bytes from the 1-based `start`, cut at the text's end; a
// start before the first byte counts from the first.
void ApplySubstr(Value* args) {
  const int64_t start = std::max<int64_t>(args[1].integer, 1);
  const int64_t count = std::max<int64_t>(args[2].integer, 0);
  Value& text = args[0];
  const auto from = static_cast<uint64_t>(start - 1);
  if (from >= text.length) {
    text.length = 0;
    return;
  }
  text.text += from;
  text.length = std::min<uint64_t>(text.length - from, static_cast<uint64_t>(count));
}

void ApplyCase(Value& arg, TextBuffer out, bool upper) {
  // The source may sit further on in the same buffer (a cut-out); copying forwards is safe.
  const auto* src = reinterpret_cast<const unsigned char*>(arg.text);
  for (size_t i = 0; i < arg.length; ++i) {
    const unsigned char c = src[i];
    out.data[i] = static_cast<char>(upper ? platform::AsciiUpper(c) : platform::AsciiLower(c));
  }
  arg.text = out.data;
}

void ApplyAddText(Value* args, TextBuffer out) {
  Value& left = args[0];
  const Value& right = args[1];
  // The left text may already be this level's buffer (a chain of joins) or a part of it.
  if (left.text != out.data && left.length > 0) std::memmove(out.data, left.text, left.length);
  if (right.length > 0) std::memcpy(out.data + left.length, right.text, right.length);
  left.text = out.data;
  left.length += right.length;
}

}  // namespace

size_t Arity(const Instruction& instruction) {
  switch (instruction.code) {
    case OpCode::kLoadText:
    case OpCode::kLoadInteger:
    case OpCode::kLoadNumber:
    case OpCode::kConstant:
      return 0;
    case OpCode::kNot:
    case OpCode::kDtos:
    case OpCode::kUpper:
    case OpCode::kLower:
      return 1;
    case OpCode::kStr:
      return instruction.index;
    case OpCode::kSubstr:
      return 3;
    default:
      return 2;
  }
}

int CompareTexts(const char* a, size_t a_length, const char* b, size_t b_length) {
  auto* pa = reinterpret_cast<const unsigned char*>(a);
  auto* pb = reinterpret_cast<const unsigned char*>(b);
  TrimControls(pa, a_length);
  TrimControls(pb, b_length);
  const size_t common = std::min(a_length, b_length);
  for (size_t i = 0; i < common; ++i) {
    const unsigned char ca = platform::AsciiUpper(pa[i]);
    const unsigned char cb = platform::AsciiUpper(pb[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a_length == b_length) return 0;
  return a_length < b_length ? -1 : 1;
}

void Apply(const Instruction& ins, Value* args, TextBuffer out, char decimal_separator) {
  Value& result = args[0];
  switch (ins.code) {
    case OpCode::kLoadText:
    case OpCode::kLoadInteger:
    case OpCode::kLoadNumber:
    case OpCode::kConstant:
      break;  // the machine pushes these itself
    case OpCode::kAddText:
      ApplyAddText(args, out);
      break;
    case OpCode::kAddFloat:
      result.number = AsDouble(args[0], ins.left) + AsDouble(args[1], ins.right);
      break;
    case OpCode::kAddInteger:
      result.integer = static_cast<int32_t>(static_cast<uint32_t>(args[0].integer) +
                                            static_cast<uint32_t>(args[1].integer));
      break;
    case OpCode::kAddLargeInt:
      result.integer = WrappingAdd(args[0].integer, args[1].integer);
      break;
    case OpCode::kCompareText:
      result.integer =
          Holds(ins.relation,
                CompareTexts(args[0].text, args[0].length, args[1].text, args[1].length), 0);
      break;
    case OpCode::kCompareFloat:
      result.integer =
          Holds(ins.relation, Extended(args[0], ins.left), Extended(args[1], ins.right));
      break;
    case OpCode::kCompareInteger:
      result.integer = Holds(ins.relation, args[0].integer, args[1].integer);
      break;
    case OpCode::kNot:
      result.integer = result.integer == 0;
      break;
    case OpCode::kAnd:
      result.integer = result.integer != 0 && args[1].integer != 0;
      break;
    case OpCode::kOr:
      result.integer = result.integer != 0 || args[1].integer != 0;
      break;
    case OpCode::kStr:
      ApplyStr(args, ins.index, ins.left, out, decimal_separator);
      break;
    case OpCode::kDtos:
      ApplyDtos(result, out);
      break;
    case OpCode::kSubstr:
      ApplySubstr(args);
      break;
    case OpCode::kUpper:
      ApplyCase(result, out, true);
      break;
    case OpCode::kLower:
      ApplyCase(result, out, false);
      break;
  }
}

bool Passes(const Value& result, ValueType type) {
  switch (type) {
    case ValueType::kText:
      return result.length > 0;
    case ValueType::kFloat:
    case ValueType::kDateTime:
      return result.number != 0.0;
    default:
      return result.integer != 0;
  }
}

FilterMachine::FilterMachine(const Program& program)
    : program_(program),
      field_values_(program.refs.size()),
      stack_(std::max<size_t>(program.buffer_sizes.size(), 1)) {
  for (const Constant& c : program.constants)
    constant_values_.push_back(c.value);
  buffers_.resize(stack_.size());
  for (size_t i = 0; i < program.buffer_sizes.size(); ++i) {
    const size_t size = program.buffer_sizes[i];
    if (size == 0) continue;
    // Whole steps of 32 bytes, so that neighbouring levels of similar size share a bucket.
    const size_t capacity = (size + 31) / 32 * 32;
    buffer_storage_.push_back(std::make_unique<char[]>(capacity));
    buffers_[i] = TextBuffer{buffer_storage_.back().get(), capacity};
  }
}

void FilterMachine::RefreshFields(const uint8_t* record) {
  for (size_t i = 0; i < program_.refs.size(); ++i) {
    const FieldRef& ref = program_.refs[i];
    Value& v = field_values_[i];
    if (ref.type == ValueType::kText) {
      // The field's bytes up to the first NUL among them, blanks included.
      const char* bytes = reinterpret_cast<const char*>(record) + ref.def.offset;
      const void* nul = std::memchr(bytes, 0, ref.def.length);
      v.text = bytes;
      v.length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - bytes)
                                : ref.def.length;
      continue;
    }
    const DecodedValue decoded = DecodeField(record, ref.def);
    switch (ref.type) {
      case ValueType::kInteger:
        v.integer = decoded.blank ? 0 : static_cast<int32_t>(decoded.integer);
        break;
      case ValueType::kLargeInt:
        v.integer = decoded.blank ? 0 : decoded.integer;
        break;
      case ValueType::kBoolean:
        v.integer = !decoded.blank && decoded.boolean;
        break;
      default:
        v.number = decoded.blank ? 0.0 : decoded.number;
        break;
    }
  }
}

const Value& FilterMachine::Run(const uint8_t* record) {
  RefreshFields(record);
  Value* stack = stack_.data();
  size_t depth = 0;
  for (const Instruction& ins : program_.code) {
    switch (ins.code) {
      case OpCode::kLoadText:
      case OpCode::kLoadInteger:
      case OpCode::kLoadNumber:
        stack[depth++] = field_values_[ins.index];
        break;
      case OpCode::kConstant:
        stack[depth++] = constant_values_[ins.index];
        break;
      default:
        depth -= Arity(ins) - 1;
        Apply(ins, &stack[depth - 1], buffers_[depth - 1], program_.decimal_separator);
        break;
    }
  }
  return stack[0];
}

ProgramFilter::ProgramFilter(Program program)
    : program_(std::make_unique<Program>(std::move(program))), machine_(*program_) {}

bool ProgramFilter::Test(const uint8_t* record) {
  return Passes(machine_.Run(record), program_->result);
}

}  // namespace erm::dbf
