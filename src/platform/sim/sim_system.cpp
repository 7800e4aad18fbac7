#include "platform/sim/sim_system.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text_case.h"
#include "platform/wildcard.h"

namespace erm::platform {

namespace {

constexpr char kNotFound[] = "Das System kann die angegebene Datei nicht finden";
constexpr const char* kAccessDenied = SimSystem::kAccessDeniedText;
constexpr const char* kInUse = SimSystem::kInUseText;
constexpr char kAlreadyExists[] =
    "Eine Datei kann nicht erstellt werden, wenn sie bereits vorhanden ist";

std::string Parent(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.back() == '\\')
    p.pop_back();
  const size_t cut = p.find_last_of('\\');
  return cut == std::string::npos ? std::string() : p.substr(0, cut);
}

// The sim's own texts carry the kind Windows gives their errors, also when a test hands one to a
// fault hook: code that waits for a held file reacts to the kind, not to the text.
Error SimError(const std::string& message) {
  if (message == kAccessDenied) return Error(message, ErrorKind::kAccessDenied);
  if (message == kInUse) return Error(message, ErrorKind::kSharingViolation);
  if (message == kLockedReadText) return Error(message, ErrorKind::kLocked);
  return Error(message);
}

std::string LastPart(const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.back() == '\\')
    p.pop_back();
  const size_t cut = p.find_last_of('\\');
  return cut == std::string::npos ? p : p.substr(cut + 1);
}

}  // namespace

class SimSystem::SimFile : public File {
 public:
  SimFile(SimSystem* sim, std::string path, std::shared_ptr<Content> content, bool shares_delete)
      : sim_(sim),
        path_(std::move(path)),
        content_(std::move(content)),
        shares_delete_(shares_delete) {
    if (!shares_delete_) ++content_->held_without_delete_sharing;
  }
  ~SimFile() override {
    if (!shares_delete_) --content_->held_without_delete_sharing;
  }
  SimFile(const SimFile&) = delete;
  SimFile& operator=(const SimFile&) = delete;

  ReadStatus ReadAt(uint64_t offset, void* out, size_t size, size_t* got) override {
    if (auto message = sim_->Fault(OperationKind::kRead, path_)) throw SimError(*message);
    ++sim_->read_count;
    size_t limit = size;
    if (sim_->on_read) {
      const ReadFault fault = sim_->on_read(path_, offset, size);
      if (fault.kind == ReadFault::kError) throw SimError(fault.message);
      if (fault.kind == ReadFault::kLocked) {
        *got = 0;
        return ReadStatus::kLocked;
      }
      if (fault.kind == ReadFault::kShort) limit = std::min(size, fault.short_size);
    }
    const std::string& data = content_->bytes;
    if (offset >= data.size()) {
      *got = 0;
    } else {
      *got = std::min<size_t>(limit, data.size() - static_cast<size_t>(offset));
      std::memcpy(out, data.data() + offset, *got);
    }
    const bool at_end = offset + *got >= data.size();
    return *got < size && at_end ? ReadStatus::kEndOfFile : ReadStatus::kOk;
  }

  uint64_t Size() override {
    if (auto message = sim_->Fault(OperationKind::kSize, path_)) throw SimError(*message);
    return content_->bytes.size();
  }

  void Write(const void* data, size_t size) override {
    if (auto message = sim_->Fault(OperationKind::kWrite, path_)) throw SimError(*message);
    ++sim_->write_count;
    if (sim_->on_write) {
      if (auto message = sim_->on_write(path_)) throw SimError(*message);
    }
    content_->bytes.append(static_cast<const char*>(data), size);
    sim_->Touch(*content_);
  }

  void Close() override {
    if (auto message = sim_->Fault(OperationKind::kClose, path_)) throw SimError(*message);
  }

 private:
  SimSystem* sim_;
  std::string path_;
  std::shared_ptr<Content> content_;
  bool shares_delete_;
};

class SimSystem::SimDirEnumeration : public DirEnumeration {
 public:
  SimDirEnumeration(SimSystem* sim, std::string pattern, std::vector<DirEntry> entries, bool failed)
      : sim_(sim), pattern_(std::move(pattern)), entries_(std::move(entries)), failed_(failed) {}
  // Every call is an operation, also the one that finds the end, as FindNextFile is.
  bool Next(DirEntry* entry) override {
    if (failed_) return false;
    if (sim_->Fault(OperationKind::kNext, pattern_)) {
      failed_ = true;
      return false;
    }
    if (next_ >= entries_.size()) return false;
    *entry = entries_[next_++];
    return true;
  }
  bool Failed() const override { return failed_; }

 private:
  SimSystem* sim_;
  std::string pattern_;
  std::vector<DirEntry> entries_;
  size_t next_ = 0;
  bool failed_ = false;
};

const char* SimSystem::OperationName(OperationKind kind) {
  switch (kind) {
    case OperationKind::kExists:
      return "exists";
    case OperationKind::kCreate:
      return "create";
    case OperationKind::kOpen:
      return "open";
    case OperationKind::kRead:
      return "read";
    case OperationKind::kSize:
      return "size";
    case OperationKind::kWrite:
      return "write";
    case OperationKind::kClose:
      return "close";
    case OperationKind::kEnumerate:
      return "enumerate";
    case OperationKind::kNext:
      return "next";
    case OperationKind::kRename:
      return "rename";
    case OperationKind::kRemove:
      return "remove";
    case OperationKind::kMakeFolder:
      return "make folder";
  }
  return "?";
}

std::optional<std::string> SimSystem::Fault(OperationKind kind, const std::string& path,
                                            const std::string& target) {
  ++operation_count;
  // Without a hook nothing is built, so that counting allocations in the code above still sees
  // that code alone.
  if (!on_operation && !on_operation_time) return std::nullopt;
  Operation operation;
  operation.kind = kind;
  operation.path = path;
  operation.target = target;
  operation.number = operation_count;
  if (on_operation_time) TakeTime(on_operation_time(operation));
  if (!on_operation) return std::nullopt;
  return on_operation(operation);
}

namespace {

// Unwinds a bounded read that has been given up on; nothing but RunBounded catches it.
struct ReadGivenUp {};

}  // namespace

BoundedReadOutcome SimSystem::RunBounded(BoundedRead read, uint32_t silence_ms) {
  if (in_bounded_read_ || ReadStillHangs()) return BoundedReadOutcome::kNotTried;
  in_bounded_read_ = true;
  read_patience_ms_ = silence_ms;
  read_given_up_ = false;
  struct EndOfRead {
    SimSystem& sim;
    ~EndOfRead() { sim.in_bounded_read_ = sim.read_given_up_ = false; }
  } end_of_read{*this};
  try {
    read();
  } catch (const ReadGivenUp&) {
    // On Windows the read would go on alone and its result be dropped; here it ends at once.
    return BoundedReadOutcome::kNoAnswer;
  }
  return BoundedReadOutcome::kDone;
}

void SimSystem::TakeTime(uint64_t ms) {
  // What a read given up on does while it unwinds costs no time: it is no longer waited for.
  if (read_given_up_) return;
  if (in_bounded_read_ && ms >= read_patience_ms_) {
    const uint64_t call_started = ticks_;
    ticks_ += read_patience_ms_;
    hang_ends_at_ = ms > UINT64_MAX - call_started ? UINT64_MAX : call_started + ms;
    read_given_up_ = true;
    throw ReadGivenUp{};
  }
  ticks_ = ms > UINT64_MAX - ticks_ ? UINT64_MAX : ticks_ + ms;
}

std::unique_ptr<DirEnumeration> SimSystem::MakeListing(const std::string& pattern,
                                                       std::vector<DirEntry> entries) {
  const bool failed = Fault(OperationKind::kEnumerate, pattern).has_value();
  if (failed) entries.clear();
  return std::make_unique<SimDirEnumeration>(this, pattern, std::move(entries), failed);
}

SimSystem::SimSystem() {
  SetNow(LocalTime{2026, 12, 7, 10, 0, 0, 0});
}

std::string SimSystem::Key(const std::string& path) {
  std::string key = FromHostPath(path);
  while (key.size() > 1 && key.back() == '\\')
    key.pop_back();
  return AsciiUpper(key);
}

SimSystem::Node* SimSystem::Find(const std::string& path) {
  const auto it = index_.find(Key(path));
  return it == index_.end() ? nullptr : &nodes_[it->second];
}

const SimSystem::Node* SimSystem::Find(const std::string& path) const {
  const auto it = index_.find(Key(path));
  return it == index_.end() ? nullptr : &nodes_[it->second];
}

void SimSystem::MakeParents(const std::string& path) {
  const std::string parent = Parent(FromHostPath(path));
  if (parent.empty() || (parent.size() == 2 && parent[1] == ':')) return;
  if (Find(parent) == nullptr) MakeDirectory(parent);
}

void SimSystem::PutFile(const std::string& path, std::string bytes, uint32_t attributes) {
  MakeParents(path);
  auto content = std::make_shared<Content>(Content{std::move(bytes), 0, 0});
  Touch(*content);
  if (Node* node = Find(path)) {
    node->content = std::move(content);
    node->attributes = attributes;
    return;
  }
  index_[Key(path)] = nodes_.size();
  nodes_.push_back(Node{FromHostPath(path), attributes, std::move(content)});
}

void SimSystem::AppendToFile(const std::string& path, const std::string& bytes) {
  Node* node = Find(path);
  if (node == nullptr || !node->content) throw SimError(kNotFound);
  node->content->bytes.append(bytes);
  Touch(*node->content);
}

void SimSystem::TruncateFile(const std::string& path, size_t size) {
  Node* node = Find(path);
  if (node == nullptr || !node->content) throw SimError(kNotFound);
  if (size < node->content->bytes.size()) node->content->bytes.resize(size);
  Touch(*node->content);
}

void SimSystem::MakeDirectory(const std::string& path, uint32_t attributes) {
  MakeParents(path);
  if (Node* node = Find(path)) {
    node->attributes = attributes | kAttrDirectory;
    return;
  }
  index_[Key(path)] = nodes_.size();
  nodes_.push_back(Node{FromHostPath(path), attributes | kAttrDirectory, nullptr});
}

void SimSystem::Remove(const std::string& path) {
  const auto it = index_.find(Key(path));
  if (it == index_.end()) return;
  const size_t position = it->second;
  nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(position));
  index_.clear();
  for (size_t i = 0; i < nodes_.size(); ++i)
    index_[Key(nodes_[i].path)] = i;
}

bool SimSystem::Exists(const std::string& path) const {
  return Find(path) != nullptr;
}

std::string SimSystem::ReadFileBytes(const std::string& path) const {
  const Node* node = Find(path);
  if (node == nullptr || !node->content) throw SimError(kNotFound);
  return node->content->bytes;
}

uint64_t SimSystem::ModificationTime(const std::string& path) const {
  const Node* node = Find(path);
  if (node == nullptr || !node->content) throw SimError(kNotFound);
  return node->content->modified;
}

std::unique_ptr<File> SimSystem::OpenFile(const std::string& path, FileAccess access,
                                          FileShare share, FileOpen mode) {
  const OperationKind kind =
      mode == FileOpen::kCreateAlways ? OperationKind::kCreate : OperationKind::kOpen;
  if (auto message = Fault(kind, path)) throw SimError(*message);
  ++open_count;
  opened_paths.push_back(path);
  opened_modes.emplace_back(access, share);
  if (on_open) {
    if (auto message = on_open(path, access, mode)) throw SimError(*message);
  }
  Node* node = Find(path);
  const bool shares_delete = share == FileShare::kDenyNoneWithDelete;
  if (mode == FileOpen::kCreateAlways) {
    CheckWritableParent(path);
    const std::string parent = Parent(FromHostPath(path));
    const Node* dir = parent.empty() ? nullptr : Find(parent);
    const bool is_root = parent.size() == 2 && parent[1] == ':';
    if (!is_root && (dir == nullptr || dir->content)) throw SimError(kNotFound);
    if (node != nullptr && (!node->content || (node->attributes & kAttrReadOnly))) {
      throw SimError(kAccessDenied);
    }
    PutFile(path, std::string());
    node = Find(path);
    return std::make_unique<SimFile>(this, node->path, node->content, shares_delete);
  }
  if (node == nullptr) throw SimError(kNotFound);
  if (!node->content) throw SimError(kAccessDenied);
  if (access == FileAccess::kReadWrite && (node->attributes & kAttrReadOnly)) {
    throw SimError(kAccessDenied);
  }
  return std::make_unique<SimFile>(this, node->path, node->content, shares_delete);
}

bool SimSystem::FileExists(const std::string& path) {
  if (Fault(OperationKind::kExists, path)) return false;
  const Node* node = Find(path);
  return node != nullptr && node->content != nullptr;
}

void SimSystem::RenameFile(const std::string& from, const std::string& to, RenameMode mode) {
  if (auto message = Fault(OperationKind::kRename, from, to)) throw SimError(*message);
  const Node* source = Find(from);
  if (source == nullptr || !source->content) throw SimError(kNotFound);
  const std::string parent = Parent(FromHostPath(to));
  const Node* dir = parent.empty() ? nullptr : Find(parent);
  const bool is_root = parent.size() == 2 && parent[1] == ':';
  if (!is_root && (dir == nullptr || dir->content)) throw SimError(kNotFound);
  CheckWritableParent(from);
  CheckWritableParent(to);
  // A file held open without delete sharing keeps its name, and no other file takes it.
  if (IsHeld(*source)) throw SimError(kInUse);
  if (Key(from) == Key(to)) return;
  if (const Node* target = Find(to)) {
    if (mode == RenameMode::kKeepExisting) throw SimError(kAlreadyExists);
    if (!target->content || (target->attributes & kAttrReadOnly)) throw SimError(kAccessDenied);
    if (IsHeld(*target)) throw SimError(kAccessDenied);
  }
  // A rename keeps the bytes and their modification time.
  const std::shared_ptr<Content> content = source->content;
  const uint32_t attributes = source->attributes;
  Remove(from);
  if (Node* target = Find(to)) {
    target->content = content;
    target->attributes = attributes;
    return;
  }
  index_[Key(to)] = nodes_.size();
  nodes_.push_back(Node{FromHostPath(to), attributes, content});
}

void SimSystem::RemoveFile(const std::string& path) {
  if (auto message = Fault(OperationKind::kRemove, path)) throw SimError(*message);
  const Node* node = Find(path);
  if (node == nullptr) throw SimError(kNotFound);
  if (!node->content || (node->attributes & kAttrReadOnly)) throw SimError(kAccessDenied);
  CheckWritableParent(path);
  if (IsHeld(*node)) throw SimError(kInUse);
  Remove(path);
}

void SimSystem::CheckWritableParent(const std::string& path) const {
  if (write_denied_.count(Key(Parent(FromHostPath(path)))) != 0) throw SimError(kAccessDenied);
}

void SimSystem::CreateFolder(const std::string& path) {
  if (auto message = Fault(OperationKind::kMakeFolder, path)) throw SimError(*message);
  if (const Node* node = Find(path)) {
    if (node->content) throw SimError(kAlreadyExists);
    return;
  }
  const std::string parent = Parent(FromHostPath(path));
  const Node* dir = parent.empty() ? nullptr : Find(parent);
  if (dir == nullptr || dir->content) throw SimError(kNotFound);
  CheckWritableParent(path);
  MakeDirectory(path);
}

bool SimSystem::CanCreateFilesIn(const std::string& folder) {
  const Node* dir = Find(folder);
  return dir != nullptr && !dir->content && write_denied_.count(Key(folder)) == 0;
}

std::unique_ptr<DirEnumeration> SimSystem::Enumerate(const std::string& pattern) {
  const std::string windows_pattern = FromHostPath(pattern);
  std::string_view directory, name_pattern;
  SplitPattern(windows_pattern, &directory, &name_pattern);
  std::vector<DirEntry> entries;
  const std::string dir(directory);
  const Node* dir_node = Find(dir);
  const bool is_root = dir.size() <= 3 && dir.size() >= 2 && dir[1] == ':';
  if ((dir_node != nullptr && !dir_node->content) || is_root) {
    // Like NTFS, a folder that is not a drive's root lists itself and its parent first.
    if (!is_root) {
      for (const char* dots : {".", ".."}) {
        if (MatchesWildcard(name_pattern, dots)) entries.push_back(DirEntry{dots, kAttrDirectory});
      }
    }
    const std::string dir_key = Key(dir);
    for (const Node& node : nodes_) {
      if (Key(Parent(node.path)) != dir_key) continue;
      const std::string name = LastPart(node.path);
      if (MatchesWildcard(name_pattern, name)) entries.push_back(DirEntry{name, node.attributes});
    }
  }
  return MakeListing(pattern, std::move(entries));
}

std::string SimSystem::FullPath(const std::string& path) {
  const std::string p = FromHostPath(path);
  if (p.size() >= 2 && p[1] == ':') return NormalizePath(p);
  if (!p.empty() && p[0] == '\\') return NormalizePath(current_directory_.substr(0, 2) + p);
  return NormalizePath(current_directory_ + "\\" + p);
}

void SimSystem::SetNow(const LocalTime& t) {
  epoch_ms_ = ToMilliseconds(t) - static_cast<int64_t>(ticks_);
}

LocalTime SimSystem::Now() {
  return FromMilliseconds(epoch_ms_ + static_cast<int64_t>(ticks_));
}

void SimSystem::Sleep(uint32_t ms) {
  sleeps.push_back(ms);
  TakeTime(ms);
}

bool SimSystem::IsCodePageSupported(int code_page) {
  return SingleByteTable(code_page) != nullptr;
}

std::string SimSystem::ToAnsi(int code_page, std::string_view text) {
  return ConvertSingleByte(code_page, AnsiCodePage(), text);
}

}  // namespace erm::platform
