// What a System that has no way to rename or delete files, or no folders of its own, answers:
// wrappers that only read, such as the scan tool's, need not forward these. A folder's files are
// opened by their whole path unless the system knows better.
#include "platform/system.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/error.h"

namespace erm::platform {
namespace {

// The text Windows gives for ERROR_NOT_SUPPORTED.
constexpr char kNotSupported[] =
    "Die Anforderung wird nicht unterst\xFC"
    "tzt";

class PathFolder : public Folder {
 public:
  PathFolder(System& system, std::string path) : system_(system), path_(std::move(path)) {}
  std::unique_ptr<File> OpenFile(const std::string& name) override {
    return system_.OpenFile(path_ + name, FileAccess::kRead, FileShare::kDenyNone,
                            FileOpen::kExisting);
  }

 private:
  System& system_;
  std::string path_;
};

}  // namespace

std::unique_ptr<Folder> System::OpenFolder(const std::string& path) {
  return std::make_unique<PathFolder>(*this, path);
}

void System::RenameFile(const std::string&, const std::string&, RenameMode) {
  throw Error(kNotSupported);
}

void System::RemoveFile(const std::string&) {
  throw Error(kNotSupported);
}

std::string System::UserDataFolder() {
  throw Error(kNotSupported);
}

void System::RemoveUserLogonCommand() {
  throw Error(kNotSupported);
}

void System::CreateFolder(const std::string&) {
  throw Error(kNotSupported);
}

bool System::CanCreateFilesIn(const std::string&) {
  return true;
}

bool System::IsNetworkPath(const std::string& path) {
  if (path.rfind("\\\\?\\UNC\\", 0) == 0) return true;
  // "\\?\C:\" and "\\.\" name local paths and devices in the system's long form.
  return path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '?' && path[2] != '.';
}

std::string System::MappedNetworkPath(const std::string&) {
  return std::string();
}

void EndAtOnceIfReadHangs(System& system, int exit_code) {
  if (!system.ReadStillHangs()) return;
  std::fflush(nullptr);
  std::_Exit(exit_code);
}

}  // namespace erm::platform
