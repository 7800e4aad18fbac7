// TField: a field of an open table, read from the table's current record.
#pragma once

#include <cstddef>
#include <string>

#include "dbf/field_def.h"

namespace erm::dbf {

class TDbfTable;

// A field of an open table. Values come from the table's current record, decoded at every call.
class TField {
 public:
  TField(TDbfTable& table, size_t index, const FieldDef& def)
      : table_(&table), index_(index), def_(&def) {}
  const std::string& Name() const { return def_->name; }
  const FieldDef& Def() const { return *def_; }
  size_t Index() const { return index_; }
  bool IsBlank() const;
  // Throws Error "'<text>' ist kein g\xFCltiger Gleitkommawert" for a text that is no number.
  double AsNumber() const;
  std::string AsText() const;

 private:
  TDbfTable* table_;
  size_t index_;
  const FieldDef* def_;
};

}  // namespace erm::dbf
