// The table component: opening a table file, its header and field list, and walks over its
// records. The planner owns the file and may write it while we read, so nothing here writes to
// it, and every walk reads the records from the file as it reaches them.
#include "dbf/dbf_table.h"

#include <algorithm>
#include <cstring>

#include "dbf/code_page.h"
#include "dbf/dbf_header.h"
#include "dbf/filter.h"
#include "dbf/record_window.h"
#include "platform/error.h"
#include "platform/text_case.h"

namespace erm::dbf {
namespace {

constexpr uint8_t kDeletedFlag = 0x2A;
// How often a record that came back short is read again while the file says it is whole; a file
// that changes size at every read still gets an answer.
constexpr int kShortReadRetries = 8;
// How long a read waits for another program's byte-range lock to go. dBase programs hold a
// record's lock while their user edits it, which may be for an hour: waiting that long would
// leave the tray, the menus and the log-off without an answer. The records of one opening share
// it, so that a table with many locked records still answers within it.
constexpr uint64_t kLockPatienceMs = 2000;
// Past this many locked records the table counts as locked as a whole (a program that locks the
// whole file locks every record): a list of each would tell the user nothing more.
constexpr size_t kMaxLockedRecords = 16;
constexpr char kOpenWhileActive[] =
    ": Operation bei ge\xF6"
    "ffneter Datenmenge nicht ausf\xFChrbar";

std::string FileNotFound(const std::string& name) {
  return "Open: file not found: \"" + name + "\".";
}

std::string CannotOpen(const std::string& name) {
  return "Datei " + name +
         " kann nicht ge\xF6"
         "ffnet werden";
}

bool IsDirectoryBreak(char c) {
  return c == '\\' || c == '/' || c == ':';
}

// The name with its extension replaced (or added when it has none).
std::string ChangeExtension(const std::string& name, const char* extension) {
  size_t dot = name.size();
  for (size_t i = name.size(); i > 0; --i) {
    if (IsDirectoryBreak(name[i - 1])) break;
    if (name[i - 1] == '.') {
      dot = i - 1;
      break;
    }
  }
  return name.substr(0, dot) + extension;
}

struct OpenMode {
  platform::FileAccess access;
  platform::FileShare share;
  bool shared;
};

// Only an exclusive table opened for writing keeps others from writing; read-only opening always
// lets others read and write, exclusive or not.
OpenMode OpenModeFor(bool exclusive, bool read_only) {
  using platform::FileAccess;
  using platform::FileShare;
  if (read_only) return {FileAccess::kRead, FileShare::kDenyNone, true};
  if (exclusive) return {FileAccess::kReadWrite, FileShare::kDenyWrite, false};
  return {FileAccess::kReadWrite, FileShare::kDenyNone, true};
}

std::unique_ptr<platform::File> OpenExisting(platform::System& system, const std::string& name,
                                             const OpenMode& mode) {
  try {
    return system.OpenFile(name, mode.access, mode.share, platform::FileOpen::kExisting);
  } catch (const Error&) {
    throw Error(CannotOpen(name));
  }
}

// The code page the header names: dBase 7 by its language driver's name, the FoxPro variants by
// their own marks, the others by the language driver id.
int ChooseCodePage(const HeaderStart& start, const std::vector<uint8_t>& header) {
  switch (start.variant) {
    case TableVariant::kDBase7:
      return CodePageFromDriverName(LanguageDriverName(start, header.data(), header.size()));
    case TableVariant::kVisualFoxPro:
    case TableVariant::kFoxPro:
      return CodePageFromFoxProMark(start.language_driver_id);
    default:
      return CodePageFromDriverId(start.language_driver_id);
  }
}

}  // namespace

struct TDbfTable::OpenState {
  std::string file_name;
  std::unique_ptr<platform::File> file;
  std::unique_ptr<platform::File> memo;
  bool shared = true;
  HeaderStart start;
  bool production_index = false;
  FieldList fields;
  std::vector<TField> field_objects;  // point into `fields`, which never changes while open
  std::unique_ptr<CompiledFilter> filter;
  char decimal_separator = ',';
  // The record count as last computed from the file size. While shared it is computed anew
  // after every read of a window or of a record on its own, whenever a walk would end at it and
  // whenever a read comes back short, so appended records are visited and records cut while
  // they were read are not; on a share each question of the size is a round trip.
  int64_t record_count = 0;
  // Records passed over because a lock outlasted the patience, ascending; every later walk of
  // this opening passes over them unread, so that the counting and the reading walk agree.
  std::vector<int64_t> locked_records;
  uint64_t lock_patience_left_ms = kLockPatienceMs;
  bool has_current = false;
  std::vector<uint8_t> current;  // the current record
  std::vector<uint8_t> probe;    // where First and Next read, so a failed Next keeps `current`
  std::vector<uint8_t> scratch;  // CountVisibleRecords' own
  // Records read ahead by the walk under way; every walk starts with it empty.
  RecordWindow window;
};

TDbfTable::TDbfTable(std::string component_name, platform::System& system)
    : name_(std::move(component_name)), system_(system) {}

TDbfTable::~TDbfTable() = default;

void TDbfTable::SetTableName(const std::string& name) {
  size_t cut = name.size();
  while (cut > 0 && !IsDirectoryBreak(name[cut - 1]))
    --cut;
  if (cut > 0) SetFilePath(name.substr(0, cut));
  if (Active()) throw Error(name_ + kOpenWhileActive);
  properties_.table_name = name.substr(cut);
}

void TDbfTable::SetFilePath(const std::string& path) {
  if (Active()) throw Error(name_ + kOpenWhileActive);
  std::string& own = properties_.file_path;
  own = path;
  if (!own.empty() && own.back() != '\\') own += '\\';
}

void TDbfTable::TakePropertiesOf(const TDbfTable& other) {
  if (Active()) throw Error(name_ + kOpenWhileActive);
  properties_ = other.properties_;
}

std::string TDbfTable::ComposedFileName() {
  std::string directory;
  const std::string& path = properties_.file_path;
  const bool absolute = (!path.empty() && path[0] == '\\') || (path.size() >= 2 && path[1] == ':');
  if (absolute) {
    directory = path;
  } else {
    directory = system_.FullPath(system_.ProgramFolder() + path);
    if (directory.empty() || directory.back() != '\\') directory += '\\';
  }
  return directory + properties_.table_name;
}

bool TDbfTable::Active() const {
  return open_ != nullptr;
}

void TDbfTable::Open() {
  if (Active()) return;
  auto s = std::make_unique<OpenState>();
  s->file_name = ComposedFileName();
  if (!system_.FileExists(s->file_name)) throw Error(FileNotFound(s->file_name));
  const OpenMode mode = OpenModeFor(properties_.exclusive, properties_.read_only);
  s->shared = mode.shared;
  s->file = OpenExisting(system_, s->file_name, mode);
  const std::vector<uint8_t> header = ReadHeader(*s);
  const TextTranslation translation = DecideTranslation(ChooseCodePage(s->start, header), system_);
  s->decimal_separator = system_.DecimalSeparator();
  CompileFilter(*s);

  const size_t buffer_size = std::max<size_t>(s->start.record_length, RecordSpan(s->fields));
  // Bytes past the record length belong to no record: fields that reach there read blank.
  s->current.assign(buffer_size, ' ');
  s->probe.assign(buffer_size, ' ');
  s->scratch.assign(buffer_size, ' ');
  s->window.Allocate(properties_.read_ahead, s->start.record_length);

  code_page_ = translation.code_page;
  translation_ = translation.translation;
  modifiable_ = translation.modifiable;
  open_ = std::move(s);
  // Making the first record current reads the file; a failure there is a failed Open too.
  try {
    First();
  } catch (...) {
    Close();
    throw;
  }
}

std::vector<uint8_t> TDbfTable::ReadHeader(OpenState& s) {
  uint8_t start_bytes[kHeaderStartSize];
  const size_t start_size = ReadLocked(*s.file, 0, start_bytes, sizeof start_bytes);
  s.start = ParseHeaderStart(start_bytes, start_size);

  // The header length comes from the file; it is trusted only as far as the file reaches.
  const uint64_t size = s.file->Size();
  if (s.start.header_length > size) throw Error(kInvalidDbfFile);
  s.record_count = CountFromSize(s.start, size);
  std::vector<uint8_t> header(s.start.header_length);
  const size_t header_size = ReadLocked(*s.file, 0, header.data(), header.size());
  if (header_size < header.size()) throw Error(kInvalidDbfFile);
  HeaderFields parsed =
      ParseFieldDescriptors(s.start, header.data(), header.size(), properties_.use_float_fields);

  if (parsed.has_memo) {
    const std::string memo_name = ChangeExtension(s.file_name, ".dbt");
    if (!system_.FileExists(memo_name)) throw Error(FileNotFound(memo_name));
    s.memo =
        OpenExisting(system_, memo_name, OpenModeFor(properties_.exclusive, properties_.read_only));
  }
  s.production_index =
      s.start.production_index && system_.FileExists(ChangeExtension(s.file_name, ".mdx"));

  s.fields = std::move(parsed.fields);
  s.field_objects.reserve(s.fields.size());
  for (size_t i = 0; i < s.fields.size(); ++i)
    s.field_objects.emplace_back(*this, i, s.fields[i]);
  return header;
}

void TDbfTable::CompileFilter(OpenState& s) {
  if (properties_.filter.empty()) return;
  try {
    s.filter = CompiledFilter::Compile(properties_.filter, s.fields, s.decimal_separator);
  } catch (...) {
    properties_.filter.clear();
    throw;
  }
}

void TDbfTable::Close() {
  open_.reset();
  recno_ = 0;
  eof_ = true;
}

int64_t TDbfTable::CountFromSize(const HeaderStart& start, uint64_t size) {
  if (size < start.header_length) return 0;
  return static_cast<int64_t>((size - start.header_length) / start.record_length);
}

int64_t TDbfTable::RecordCount() {
  OpenState& s = *open_;
  if (s.shared) s.record_count = CountFromSize(s.start, s.file->Size());
  return s.record_count;
}

// A lock taken for one write is gone within milliseconds: the read is asked again every
// millisecond, for as long as `*patience_ms` allows, which the wait uses up.
bool TDbfTable::ReadWhenUnlocked(platform::File& file, uint64_t offset, void* out, size_t size,
                                 size_t* got, uint64_t* patience_ms) {
  const uint64_t started = system_.TickCount();
  while (file.ReadAt(offset, out, size, got) == platform::ReadStatus::kLocked) {
    if (system_.TickCount() - started >= *patience_ms) {
      *patience_ms = 0;
      return false;
    }
    system_.Sleep(1);
  }
  *patience_ms -= std::min(*patience_ms, system_.TickCount() - started);
  return true;
}

size_t TDbfTable::ReadLocked(platform::File& file, uint64_t offset, void* out, size_t size) {
  size_t got = 0;
  uint64_t patience_ms = kLockPatienceMs;
  if (!ReadWhenUnlocked(file, offset, out, size, &got, &patience_ms)) {
    throw Error(platform::kLockedReadText, ErrorKind::kLocked);
  }
  return got;
}

bool TDbfTable::Fetch(int64_t recno, std::vector<uint8_t>* buffer, size_t* got) {
  OpenState& s = *open_;
  const uint8_t* held = s.window.Find(recno);
  if (held == nullptr && s.window.Capacity() > 1 && !s.window.ReadsSingly(recno))
    held = ReadWindow(recno);
  if (held == nullptr) return ReadSingle(recno, buffer, got);
  std::memcpy(buffer->data(), held, s.start.record_length);
  *got = s.start.record_length;
  return true;
}

// The window starts at the record the walk needs now and ends at the file's end as the last
// question of its size found it. A lock anywhere in it refuses the whole read; its records are
// then read one by one, so that only the locked record waits for its lock.
const uint8_t* TDbfTable::ReadWindow(int64_t recno) {
  OpenState& s = *open_;
  const int64_t count = std::min(s.window.Capacity(), s.record_count - recno + 1);
  if (count < 2) {
    s.window.Drop();
    return nullptr;
  }
  const uint64_t offset =
      s.start.header_length + static_cast<uint64_t>(recno - 1) * s.start.record_length;
  if (!s.window.Read(*s.file, offset, recno, count)) return nullptr;
  // A cut during the read can hand over bytes of records the file no longer holds (zeros, on
  // Linux): only the records the file still holds after the read are served.
  if (s.shared) s.window.KeepUpTo(RecordCount());
  return s.window.Find(recno);
}

bool TDbfTable::ReadSingle(int64_t recno, std::vector<uint8_t>* buffer, size_t* got) {
  OpenState& s = *open_;
  const uint64_t offset =
      s.start.header_length + static_cast<uint64_t>(recno - 1) * s.start.record_length;
  if (!ReadWhenUnlocked(*s.file, offset, buffer->data(), s.start.record_length, got,
                        &s.lock_patience_left_ms)) {
    return false;
  }
  // As for a window: a record the file no longer holds after the read came back as nothing.
  if (*got == s.start.record_length && s.shared && recno > RecordCount()) *got = 0;
  return true;
}

bool TDbfTable::IsKnownLocked(int64_t recno) const {
  const std::vector<int64_t>& locked = open_->locked_records;
  return std::binary_search(locked.begin(), locked.end(), recno);
}

void TDbfTable::NoteLocked(int64_t recno) {
  std::vector<int64_t>& locked = open_->locked_records;
  locked.insert(std::lower_bound(locked.begin(), locked.end(), recno), recno);
  if (locked.size() > kMaxLockedRecords) throw Error(platform::kLockedReadText, ErrorKind::kLocked);
}

bool TDbfTable::Visit(int64_t* recno, std::vector<uint8_t>* buffer) {
  OpenState& s = *open_;
  const bool filtering = properties_.filtered && !properties_.filter.empty() && s.filter != nullptr;
  int64_t r = *recno;
  for (;;) {
    int64_t count = s.record_count;
    if (r >= count) count = RecordCount();
    if (count == 0) return false;
    r = r > count ? count + 1 : r + 1;
    if (r > count) return false;
    // A record locked past the patience is passed over, and the walk goes on: one record the
    // planner's user is editing must not hide all the others.
    if (IsKnownLocked(r)) continue;
    size_t got = 0;
    if (!Fetch(r, buffer, &got)) {
      NoteLocked(r);
      continue;
    }
    // A short read of a record the file now holds whole met another program's append half
    // done: the rest of the buffer is still the previous record's, and read as one record the
    // two would make a record nobody wrote. Read it again; the writer is one write from done.
    bool locked = false;
    for (int retry = 0; got < s.start.record_length && s.shared && retry < kShortReadRetries;
         ++retry) {
      if (r > RecordCount()) return false;
      locked = !ReadSingle(r, buffer, &got);
      if (locked) break;
    }
    if (locked) {
      NoteLocked(r);
      continue;
    }
    if (got < s.start.record_length && s.shared && r > RecordCount()) return false;
    const bool candidate = properties_.show_deleted || (*buffer)[0] != kDeletedFlag;
    if (candidate && (!filtering || s.filter->Test(buffer->data()))) {
      *recno = r;
      return true;
    }
  }
}

void TDbfTable::First() {
  if (!Active()) {
    eof_ = true;
    return;
  }
  open_->window.Drop();
  int64_t r = 0;
  const bool found = Visit(&r, &open_->probe);
  open_->has_current = found;
  eof_ = !found;
  recno_ = found ? r : 0;
  if (found) open_->current.swap(open_->probe);
}

// A record read ahead is shown as it was when its window was read, also when another program has
// cut it off the file since; only a record read after a cut is not served.
void TDbfTable::Next() {
  if (!Active() || eof_) return;
  int64_t r = recno_;
  if (Visit(&r, &open_->probe)) {
    recno_ = r;
    open_->current.swap(open_->probe);
  } else {
    eof_ = true;
  }
}

int64_t TDbfTable::CountVisibleRecords() {
  if (!Active()) return 0;
  // The counting walk reads the file afresh and leaves nothing behind for the reading walk.
  open_->window.Drop();
  int64_t r = 0;
  int64_t count = 0;
  while (Visit(&r, &open_->scratch))
    ++count;
  open_->window.Drop();
  return count;
}

const std::vector<int64_t>& TDbfTable::LockedRecords() const {
  static const std::vector<int64_t> kNone;
  return open_ ? open_->locked_records : kNone;
}

const FieldList& TDbfTable::Fields() const {
  static const FieldList kNoFields;
  return open_ ? open_->fields : kNoFields;
}

TField& TDbfTable::GetField(const std::string& name) {
  if (open_) {
    for (TField& field : open_->field_objects) {
      if (platform::EqualsIgnoringAsciiCase(field.Name(), name)) return field;
    }
  }
  throw Error(name_ + ": Das Feld '" + name + "' wurde nicht gefunden");
}

const uint8_t* TDbfTable::RecordBuffer() const {
  return open_ && open_->has_current ? open_->current.data() : nullptr;
}

bool TDbfTable::ProductionIndex() const {
  return open_ && open_->production_index;
}

int64_t TDbfTable::StoredRecordCount() const {
  return open_ ? static_cast<int64_t>(open_->start.stored_record_count) : 0;
}

char TDbfTable::DecimalSeparator() const {
  return open_ ? open_->decimal_separator : ',';
}

}  // namespace erm::dbf
