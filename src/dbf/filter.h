// Filter expressions over the fields of a record: compiled once when a table opens, then tested
// against the bytes of every record a walk looks at.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "dbf/field_def.h"

namespace erm::dbf {

class CompiledFilter {
 public:
  virtual ~CompiledFilter() = default;

  // Compiles `text` against the table's fields. Throws Error with the compiler's message when
  // the text is not a valid expression over these fields. `decimal_separator` is the user's,
  // used where numbers turn into text.
  static std::unique_ptr<CompiledFilter> Compile(std::string_view text, const FieldList& fields,
                                                 char decimal_separator);

  // True when the record passes. `record` holds at least RecordSpan(fields) bytes (the table pads
  // a short record with blanks). Never throws and allocates nothing.
  virtual bool Test(const uint8_t* record) = 0;
};

// Bytes a record buffer must hold so that every field lies inside it: at least one past the
// furthest byte of any field.
size_t RecordSpan(const FieldList& fields);

}  // namespace erm::dbf
