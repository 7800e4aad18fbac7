// Placeholder until the filter compiler lands: every filter is refused.
#include <algorithm>

#include "dbf/filter.h"
#include "platform/error.h"

namespace erm::dbf {

std::unique_ptr<CompiledFilter> CompiledFilter::Compile(std::string_view, const FieldList&, char) {
  throw Error("Filter werden noch nicht unterst\xFCtzt");
}

size_t RecordSpan(const FieldList& fields) {
  size_t span = 1;
  for (const FieldDef& f : fields) span = std::max<size_t>(span, size_t{f.offset} + f.length);
  return span;
}

}  // namespace erm::dbf
