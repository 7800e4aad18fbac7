// From a filter expression's text and a table's fields to a checked program: the words looked
// up, the brackets and neighbours checked, the operators arranged by level and matched against
// their signatures, and every part without a field folded into a constant.
#pragma once

#include <cstddef>
#include <string_view>

#include "dbf/field_def.h"
#include "dbf/filter_program.h"

namespace erm::dbf {

// Brackets and NOTs that may enclose one another. Real filters use a handful; the limit keeps a
// pathological text from costing more than a clear error.
constexpr size_t kMaxNesting = 256;

// Throws Error with the compiler's message.
Program CompileProgram(std::string_view text, const FieldList& fields, char decimal_separator);

}  // namespace erm::dbf
