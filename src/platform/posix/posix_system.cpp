#include "platform/posix/posix_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <iconv.h>
#include <limits.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/code_pages.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/wildcard.h"

namespace erm::platform {
namespace {

std::string ErrnoText(int error) {
  return std::strerror(error);
}

class PosixFile : public File {
 public:
  PosixFile(int fd, CallWatch& watch) : fd_(fd), watch_(watch) {}
  ~PosixFile() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  ReadStatus ReadAt(uint64_t offset, void* out, size_t size, size_t* got) override {
    const CallReturns returns(watch_);
    size_t done = 0;
    while (done < size) {
      const size_t want = size - done;
      const ssize_t n =
          ::pread(fd_, static_cast<char*>(out) + done, want, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw Error(ErrnoText(errno));
      done += static_cast<size_t>(n);
      // A file's read comes back short only at its end: asking once more would cost a call for
      // every small file read to its end.
      if (static_cast<size_t>(n) < want) {
        *got = done;
        return ReadStatus::kEndOfFile;
      }
    }
    *got = done;
    return ReadStatus::kOk;
  }

  uint64_t Size() override {
    const CallReturns returns(watch_);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) throw Error(ErrnoText(errno));
    return static_cast<uint64_t>(st.st_size);
  }

  void Write(const void* data, size_t size) override {
    size_t done = 0;
    while (done < size) {
      const ssize_t n = ::write(fd_, static_cast<const char*>(data) + done, size - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) throw Error(ErrnoText(errno));
      done += static_cast<size_t>(n);
    }
  }

  // The descriptor is gone after close() whatever it answers, so it is never closed twice.
  void Close() override {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) throw Error(ErrnoText(errno));
  }

 private:
  int fd_;
  CallWatch& watch_;
};

#ifdef O_PATH
// Asks no read access of the folder: opening a file by its whole path asks none either.
constexpr int kFolderOpenFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kFolderOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif

// Opens the folder's files relative to its descriptor: the folder's path is looked up once, not
// at each of its files.
class PosixFolder : public Folder {
 public:
  PosixFolder(const std::string& path, std::unique_ptr<Folder> by_path, CallWatch& watch)
      : by_path_(std::move(by_path)),
        fd_(::open(ToHostPath(path).c_str(), kFolderOpenFlags)),
        watch_(watch) {}
  ~PosixFolder() override {
    if (fd_ >= 0) ::close(fd_);
  }
  PosixFolder(const PosixFolder&) = delete;
  PosixFolder& operator=(const PosixFolder&) = delete;

  std::unique_ptr<File> OpenFile(const std::string& name) override {
    // Only a plain name stays inside the folder when opened relative to it (an absolute one
    // would not). Anything else, and every file of a folder that did not open, goes by the whole
    // path, which gives the errors opening by path gives.
    const bool plain = !name.empty() && name != "." && name != ".." &&
                       name.find_first_of("/\\") == std::string::npos;
    if (fd_ < 0 || !plain) return by_path_->OpenFile(name);
    const CallReturns returns(watch_);
    const int fd = ::openat(fd_, name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error(ErrnoText(errno));
    return std::make_unique<PosixFile>(fd, watch_);
  }

 private:
  std::unique_ptr<Folder> by_path_;
  int fd_;
  CallWatch& watch_;
};

class PosixDirEnumeration : public DirEnumeration {
 public:
  PosixDirEnumeration(std::string directory, std::string pattern, CallWatch& watch)
      : pattern_(std::move(pattern)), watch_(watch) {
    dir_ = ::opendir(directory.empty() ? "." : directory.c_str());
  }
  ~PosixDirEnumeration() override {
    if (dir_ != nullptr) ::closedir(dir_);
  }

  bool Next(DirEntry* entry) override {
    if (dir_ == nullptr) return false;
    const CallReturns returns(watch_);
    for (;;) {
      // readdir tells its end from its failure only by errno.
      errno = 0;
      const dirent* d = ::readdir(dir_);
      if (d == nullptr) break;
      const std::string name = d->d_name;
      if (!MatchesWildcard(pattern_, name)) continue;
      entry->name = name;
      entry->attributes = 0;
      // Asked relative to the open folder: its path is not looked up again for every entry.
      struct stat st {};
      const int folder = ::dirfd(dir_);
      if (::fstatat(folder, d->d_name, &st, 0) == 0) {
        if (S_ISDIR(st.st_mode)) entry->attributes |= kAttrDirectory;
        if (::faccessat(folder, d->d_name, W_OK, 0) != 0 && errno == EACCES)
          entry->attributes |= kAttrReadOnly;
      }
      if (!(entry->attributes & kAttrDirectory)) entry->attributes |= kAttrArchive;
      if (name.size() > 0 && name[0] == '.' && name != "." && name != "..") {
        entry->attributes |= kAttrHidden;
      }
      return true;
    }
    failed_ = errno != 0;
    return false;
  }
  bool Failed() const override { return failed_; }

 private:
  std::string pattern_;
  DIR* dir_ = nullptr;
  bool failed_ = false;
  CallWatch& watch_;
};

// The waiter sleeps on a condition that each returned call signals.
class PosixCallWatch : public CallWatch {
 public:
  bool WaitForNext(uint64_t seen, uint32_t ms) override {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(ms),
                             [this, seen] { return Count() != seen; });
  }

 protected:
  void Wake() override {
    // Taken so that a waiter between its look at the count and its sleep cannot miss this.
    { const std::lock_guard<std::mutex> lock(mutex_); }
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
};

std::string IconvName(int code_page) {
  return "CP" + std::to_string(code_page);
}

}  // namespace

std::unique_ptr<File> PosixSystem::OpenFile(const std::string& path, FileAccess access,
                                            FileShare /*share: POSIX has no sharing modes*/,
                                            FileOpen mode) {
  int flags = access == FileAccess::kRead ? O_RDONLY : O_RDWR;
  // A created file is read as well as written, as on Windows: its writer may read back.
  if (mode == FileOpen::kCreateAlways) flags = O_RDWR | O_CREAT | O_TRUNC;
  const CallReturns returns(*watch_);
  const int fd = ::open(ToHostPath(path).c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) throw Error(ErrnoText(errno));
  // POSIX opens a folder for reading, where Windows refuses; its first read fails instead, with
  // the same message. Not asked here: a scan opens a file for every due appointment, and the
  // table asks whether its name is a plain file before it opens it.
  return std::make_unique<PosixFile>(fd, *watch_);
}

std::unique_ptr<Folder> PosixSystem::OpenFolder(const std::string& path) {
  const CallReturns returns(*watch_);
  return std::make_unique<PosixFolder>(path, System::OpenFolder(path), *watch_);
}

bool PosixSystem::FileExists(const std::string& path) {
  const CallReturns returns(*watch_);
  struct stat st {};
  return ::stat(ToHostPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void PosixSystem::RenameFile(const std::string& from, const std::string& to, RenameMode mode) {
  const std::string host_from = ToHostPath(from);
  const std::string host_to = ToHostPath(to);
  if (mode == RenameMode::kReplaceExisting) {
    if (::rename(host_from.c_str(), host_to.c_str()) != 0) throw Error(ErrnoText(errno));
    return;
  }
  // link() refuses an existing name, which rename() would replace; the old name goes after.
  if (::link(host_from.c_str(), host_to.c_str()) != 0) throw Error(ErrnoText(errno));
  ::unlink(host_from.c_str());
}

void PosixSystem::RemoveFile(const std::string& path) {
  const std::string host = ToHostPath(path);
  struct stat st {};
  if (::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) throw Error(ErrnoText(EISDIR));
  if (::unlink(host.c_str()) != 0) throw Error(ErrnoText(errno));
}

std::unique_ptr<DirEnumeration> PosixSystem::Enumerate(const std::string& pattern) {
  std::string_view directory, name_pattern;
  SplitPattern(pattern, &directory, &name_pattern);
  const CallReturns returns(*watch_);
  return std::make_unique<PosixDirEnumeration>(ToHostPath(directory), std::string(name_pattern),
                                               *watch_);
}

std::string PosixSystem::FullPath(const std::string& path) {
  if (!path.empty() && path[0] == '\\') return NormalizePath(path);
  std::vector<char> cwd(PATH_MAX + 1);
  if (::getcwd(cwd.data(), cwd.size()) == nullptr) return NormalizePath("\\" + path);
  return NormalizePath(FromHostPath(cwd.data()) + "\\" + path);
}

std::string PosixSystem::ProgramFolder() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return FullPath("");
  std::string exe = FromHostPath(std::string(buffer.data(), static_cast<size_t>(n)));
  return exe.substr(0, exe.find_last_of('\\') + 1);
}

std::string PosixSystem::UserDataFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') throw Error(ErrnoText(ENOENT));
    folder = std::string(home) + "/.config";
  }
  folder = FromHostPath(folder);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

void PosixSystem::CreateFolder(const std::string& path) {
  const std::string host = ToHostPath(path);
  if (::mkdir(host.c_str(), 0755) == 0) return;
  const int error = errno;
  struct stat st {};
  if (error == EEXIST && ::stat(host.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
  throw Error(ErrnoText(error));
}

// The permission bits decide here, and asking leaves nothing behind.
bool PosixSystem::CanCreateFilesIn(const std::string& folder) {
  return ::access(ToHostPath(folder).c_str(), W_OK | X_OK) == 0;
}

PosixSystem::PosixSystem() : watch_(std::make_shared<PosixCallWatch>()) {}

PosixSystem::~PosixSystem() = default;

// POSIX has no way to cancel a call stuck in the kernel: a read given up on is left to return.
BoundedReadOutcome PosixSystem::RunBounded(BoundedRead read, uint32_t silence_ms) {
  if (running_ && !running_->Done()) return BoundedReadOutcome::kNotTried;
  running_ = std::make_shared<WorkerRead>(std::move(read));
  // Detached from the start: the worker owns its share of the read, and a waiter that gives up
  // has nothing to join.
  std::thread([read = running_, watch = watch_] { read->Run(*watch); }).detach();
  const BoundedReadOutcome outcome = AwaitWorkerRead(*running_, *watch_, silence_ms);
  if (outcome == BoundedReadOutcome::kDone) running_.reset();
  return outcome;
}

bool PosixSystem::ReadStillHangs() {
  return running_ && !running_->Done();
}

LocalTime PosixSystem::Now() {
  const auto now = std::chrono::system_clock::now();
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  const time_t seconds = static_cast<time_t>(ms / 1000);
  struct tm tm {};
  ::localtime_r(&seconds, &tm);
  LocalTime t;
  t.year = tm.tm_year + 1900;
  t.month = tm.tm_mon + 1;
  t.day = tm.tm_mday;
  t.hour = tm.tm_hour;
  t.minute = tm.tm_min;
  t.second = tm.tm_sec;
  t.millisecond = static_cast<int>(ms % 1000);
  return t;
}

void PosixSystem::Sleep(uint32_t ms) {
  const CallReturns returns(*watch_);
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

uint64_t PosixSystem::TickCount() {
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                   std::chrono::steady_clock::now().time_since_epoch())
                                   .count());
}

bool PosixSystem::IsCodePageSupported(int code_page) {
  const iconv_t cd = ::iconv_open("UTF-32LE", IconvName(code_page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  ::iconv_close(cd);
  return true;
}

std::string PosixSystem::ToAnsi(int code_page, std::string_view text) {
  if (code_page == 1252) return std::string(text);
  const iconv_t cd = ::iconv_open("UTF-32LE", IconvName(code_page).c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(text);
  std::string out;
  std::vector<char> input(text.begin(), text.end());
  char* in = input.data();
  size_t in_left = input.size();
  while (in_left > 0) {
    char32_t units[64];
    char* dst = reinterpret_cast<char*>(units);
    size_t dst_left = sizeof units;
    const size_t r = ::iconv(cd, &in, &in_left, &dst, &dst_left);
    const size_t produced = (sizeof units - dst_left) / sizeof(char32_t);
    for (size_t i = 0; i < produced; ++i)
      out.push_back(UnicodeToCp1252(units[i]));
    if (r == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte the code page does not define, or a sequence cut at the end: one "?" for it.
      out.push_back('?');
      ++in;
      --in_left;
    }
  }
  ::iconv_close(cd);
  return out;
}

}  // namespace erm::platform
