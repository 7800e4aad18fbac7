// dbfcat: shows a dBase table as the reminder module's table component reads it: the field
// list, the count of visible records, and each visible record's values, one line each.
//
//   dbfcat [--filter EXPR] [--show-deleted] [--int-fields] [--field NAME]... FILE
//
// Texts are written as the component's bytes (Windows-1252). When the table does not open, its
// message alone goes to stderr and the exit code is 1.
#include <charconv>
#include <cstdio>
#include <string>
#include <vector>

#include "common/host_system.h"
#include "dbf/dbf_table.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace {

constexpr char kUsage[] =
    "usage: dbfcat [--filter EXPR] [--show-deleted] [--int-fields] [--field NAME]... FILE\n";

struct Options {
  bool has_filter = false;
  std::string filter;
  bool show_deleted = false;
  bool int_fields = false;
  std::vector<std::string> fields;
  std::string file;
};

bool ParseArguments(int argc, char** argv, Options* options) {
  bool have_file = false;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (options_end || arg.empty() || arg[0] != '-') {
      if (have_file) return false;
      options->file = arg;
      have_file = true;
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--filter" && i + 1 < argc) {
      options->has_filter = true;
      options->filter = argv[++i];
    } else if (arg == "--field" && i + 1 < argc) {
      options->fields.push_back(argv[++i]);
    } else if (arg == "--show-deleted") {
      options->show_deleted = true;
    } else if (arg == "--int-fields") {
      options->int_fields = true;
    } else {
      return false;
    }
  }
  return have_file;
}

void Write(std::string* out, const std::string& text) {
  out->append(text);
}

void WriteNumber(std::string* out, const erm::dbf::TField& field) {
  try {
    const double value = field.AsNumber();
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out->append(digits, result.ptr);
  } catch (const erm::Error& e) {
    out->append("!");
    out->append(e.message());
  }
}

void Flush(std::string* out) {
  std::fwrite(out->data(), 1, out->size(), stdout);
  out->clear();
}

int Fail(const erm::Error& e) {
  // The silent abort has no message to show.
  if (dynamic_cast<const erm::Abort*>(&e) == nullptr) {
    std::fwrite(e.message().data(), 1, e.message().size(), stderr);
    std::fputc('\n', stderr);
  }
  return 1;
}

int Run(const Options& options) {
  erm::tools::HostSystem system;
  erm::dbf::TDbfTable table("Dbf_erinnerung", system);
  // A relative FILE means the current directory, as for any command; the component on its own
  // would take it relative to the program folder.
  table.SetTableName(system.FullPath(erm::platform::FromHostPath(options.file)));
  table.SetExclusive(false);
  table.SetReadOnly(true);
  table.SetShowDeleted(options.show_deleted);
  table.SetUseFloatFields(!options.int_fields);
  if (options.has_filter) {
    table.SetFilter(options.filter);
    table.SetFiltered(true);
  }
  std::vector<erm::dbf::TField*> selected;
  try {
    table.Open();
    for (const std::string& name : options.fields)
      selected.push_back(&table.GetField(name));
  } catch (const erm::Error& e) {
    return Fail(e);
  }

  std::string out;
  for (const erm::dbf::FieldDef& f : table.Fields()) {
    Write(&out, "field\t" + f.name + "\t" + std::string(1, f.type) + "\t" +
                    std::to_string(f.length) + "\t" + std::to_string(f.decimals) + "\n");
  }
  try {
    Write(&out, "count\t" + std::to_string(table.CountVisibleRecords()) + "\n");
    std::vector<erm::dbf::TField*> all;
    for (size_t i = 0; i < table.Fields().size(); ++i) {
      all.push_back(&table.GetField(table.Fields()[i].name));
    }
    for (table.First(); !table.Eof(); table.Next()) {
      Write(&out, "record\t" + std::to_string(table.RecNo()));
      if (selected.empty()) {
        for (const erm::dbf::TField* field : all)
          Write(&out, "\t" + field->AsText());
      } else {
        for (const erm::dbf::TField* field : selected) {
          Write(&out, "\t" + field->AsText() + "\t");
          WriteNumber(&out, *field);
        }
      }
      Write(&out, "\n");
      if (out.size() > 1 << 16) Flush(&out);
    }
  } catch (const erm::Error& e) {
    Flush(&out);
    return Fail(e);
  }
  Flush(&out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (erm::tools::PrintedVersion(argc, argv, "dbfcat")) return 0;
  const erm::tools::ConsoleCodePage console(erm::tools::kWindows1252CodePage);
  Options options;
  if (!ParseArguments(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  return Run(options);
}
