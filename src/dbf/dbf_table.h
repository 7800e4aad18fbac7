// TDbfTable: a dBase table opened for reading, walked record by record in file order with an
// optional filter. Records are read from the file as the walk reaches them, a window of them per
// read, and every walk reads afresh, so another program's appends, cuts and byte-range locks are
// seen as they happen; the file's size is asked once per read, not per record, since on a share
// each question is a round trip. A record locked for longer than the reader waits is passed over
// and named (LockedRecords). The reader never writes to the table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dbf/dbf_field.h"
#include "dbf/field_def.h"
#include "platform/system.h"

namespace erm::dbf {

class CompiledFilter;
struct HeaderStart;

enum class Translation {
  kNone,      // the table's code page is the ANSI one, or unknown to the system
  kOem,       // from the system's OEM code page to its ANSI one
  kCodePage,  // from the table's code page through Unicode to the ANSI one
};

class TDbfTable {
 public:
  // `component_name` prefixes some messages ("Dbf_erinnerung: ...").
  TDbfTable(std::string component_name, platform::System& system);
  ~TDbfTable();
  TDbfTable(const TDbfTable&) = delete;
  TDbfTable& operator=(const TDbfTable&) = delete;

  const std::string& Name() const { return name_; }

  // --- properties ---
  const std::string& TableName() const { return properties_.table_name; }
  // A directory part in `name` goes to FilePath; only the file name stays here.
  void SetTableName(const std::string& name);
  const std::string& FilePath() const { return properties_.file_path; }
  // Throws Error while the table is open.
  void SetFilePath(const std::string& path);
  bool Exclusive() const { return properties_.exclusive; }
  void SetExclusive(bool value) { properties_.exclusive = value; }
  bool ReadOnly() const { return properties_.read_only; }
  void SetReadOnly(bool value) { properties_.read_only = value; }
  bool ShowDeleted() const { return properties_.show_deleted; }
  void SetShowDeleted(bool value) { properties_.show_deleted = value; }
  bool UseFloatFields() const { return properties_.use_float_fields; }
  void SetUseFloatFields(bool value) { properties_.use_float_fields = value; }
  const std::string& Filter() const { return properties_.filter; }
  void SetFilter(const std::string& text) { properties_.filter = text; }
  bool Filtered() const { return properties_.filtered; }
  void SetFiltered(bool value) { properties_.filtered = value; }
  // How many bytes of records a walk reads at once (taken at Open). A size below two records
  // reads every record on its own.
  static constexpr size_t kDefaultReadAhead = 64 * 1024;
  size_t ReadAheadBytes() const { return properties_.read_ahead; }
  void SetReadAheadBytes(size_t bytes) { properties_.read_ahead = bytes; }
  // Takes every property above from `other`, so that a second table opens what `other` would,
  // as `other` would. Throws Error while this table is open.
  void TakePropertiesOf(const TDbfTable& other);

  // --- operations ---
  // Throws Error with the failure's message (Abort for the silent one); the table stays closed.
  void Open();
  void Close();
  bool Active() const;
  void First();
  void Next();
  bool Eof() const { return eof_; }
  int64_t CountVisibleRecords();
  // The records the walks of this opening passed over because another program kept them locked
  // beyond the reader's patience (two seconds for all of them together), ascending. Whether
  // they are visible is unknown: they are neither counted nor visited. Past 16 of them the
  // table counts as locked as a whole, and the walk fails with the system's lock message.
  const std::vector<int64_t>& LockedRecords() const;

  // --- what Open found ---
  // The table directory and file name that Open uses.
  std::string ComposedFileName();
  const FieldList& Fields() const;
  // Throws Error "<Name>: Das Feld '<name>' wurde nicht gefunden".
  TField& GetField(const std::string& name);
  int64_t RecNo() const { return recno_; }
  int CodePage() const { return code_page_; }
  dbf::Translation Translation() const { return translation_; }
  bool Modifiable() const { return modifiable_; }
  // The header's production index flag, kept only when the ".mdx" file is there.
  bool ProductionIndex() const;
  // The record count the header states; the walk never uses it.
  int64_t StoredRecordCount() const;
  // The user's decimal separator as it was at Open.
  char DecimalSeparator() const;
  // The current record's bytes (record length, padded with blanks to every field's span), or
  // nullptr when there is no current record.
  const uint8_t* RecordBuffer() const;

  platform::System& System() const { return system_; }

 private:
  struct OpenState;

  // Open's steps. ReadHeader reads the header start and the fields into `s` and opens the memo
  // file they may need; it returns the header's bytes, which may name the code page.
  std::vector<uint8_t> ReadHeader(OpenState& s);
  // Throws the compiler's Error, dropping the filter text.
  void CompileFilter(OpenState& s);

  static int64_t CountFromSize(const HeaderStart& start, uint64_t size);
  // The record count from the file's size now (while shared; else the one from Open).
  int64_t RecordCount();
  // Steps from *recno to the next visible record and reads it into `buffer`; *recno moves only
  // when one is found.
  bool Visit(int64_t* recno, std::vector<uint8_t>* buffer);
  // Record `recno` into `buffer`, from the read-ahead window or by a read of its own; *got is
  // the bytes that came, fewer than a record when the file ends or was cut under the read.
  // False when a lock on the record outlasted the patience.
  bool Fetch(int64_t recno, std::vector<uint8_t>* buffer, size_t* got);
  const uint8_t* ReadWindow(int64_t recno);
  bool ReadSingle(int64_t recno, std::vector<uint8_t>* buffer, size_t* got);
  bool ReadWhenUnlocked(platform::File& file, uint64_t offset, void* out, size_t size, size_t* got,
                        uint64_t* patience_ms);
  // Throws the system's lock message when a lock outlasts the patience.
  size_t ReadLocked(platform::File& file, uint64_t offset, void* out, size_t size);
  bool IsKnownLocked(int64_t recno) const;
  // Throws when the table holds too many locked records to name.
  void NoteLocked(int64_t recno);

  std::string name_;
  platform::System& system_;
  // Everything set before Open, together, so that TakePropertiesOf copies whatever is added.
  struct Properties {
    std::string table_name;
    std::string file_path;
    bool exclusive = false;
    bool read_only = false;
    bool show_deleted = false;
    bool use_float_fields = true;
    std::string filter;
    bool filtered = false;
    size_t read_ahead = kDefaultReadAhead;
  };
  Properties properties_;

  std::unique_ptr<OpenState> open_;
  int64_t recno_ = 0;
  bool eof_ = true;
  int code_page_ = 0;
  dbf::Translation translation_ = dbf::Translation::kNone;
  bool modifiable_ = true;
};

}  // namespace erm::dbf
