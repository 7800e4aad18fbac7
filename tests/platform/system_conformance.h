// What every System must do, written once (system_conformance.cpp) and run against each
// implementation: the sim and posix ones natively, the Win32 one under Wine. Each
// implementation's test file gives a harness that arranges files the way another program would,
// outside the seam, and says which Windows rules its file system cannot keep.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "platform/system.h"

namespace erm::platform {

// The Windows rules a file system may lack; the suite skips what an implementation cannot keep.
struct SystemTraits {
  // Names that differ in ASCII case only name the same file.
  bool names_ignore_case = true;
  // Absolute paths start with a drive letter ("C:\...").
  bool has_drives = true;
  // Entries can carry the hidden and system attributes.
  bool keeps_dos_attributes = true;
  // A read-only file refuses to be opened for writing and to be created anew.
  bool read_only_refuses_writing = true;
  // A read-only file refuses to be deleted, and to be replaced by a rename.
  bool read_only_refuses_removal = true;
  bool read_only_refuses_replacement = true;
  // A file held open through the seam for writing can be neither renamed, replaced nor deleted
  // meanwhile, as the seam opens such files without letting others delete them.
  bool open_files_keep_their_name = true;
  // A folder lists "." and ".." before its entries (NTFS and FAT do; readdir need not).
  bool lists_dots_first = true;
};

class SystemHarness {
 public:
  virtual ~SystemHarness() = default;
  virtual System& system() = 0;
  virtual SystemTraits traits() = 0;
  // An empty folder of the test's own, absolute, without a trailing backslash.
  virtual std::string Folder() = 0;
  // Creates or replaces a file, as another program would.
  virtual void PutFile(const std::string& path, const std::string& bytes,
                       uint32_t attributes = kAttrArchive) = 0;
  virtual void MakeDirectory(const std::string& path, uint32_t attributes = kAttrDirectory) = 0;
  // Appends through a handle of another program's.
  virtual void Append(const std::string& path, const std::string& bytes) = 0;
  // The harness puts the previous one back when it goes.
  virtual void ChangeDirectory(const std::string& path) = 0;
};

struct SystemImplementation {
  const char* name;
  std::unique_ptr<SystemHarness> (*make)();
};

template <typename Harness>
std::unique_ptr<SystemHarness> MakeSystemHarness() {
  return std::make_unique<Harness>();
}

inline void PrintTo(const SystemImplementation& implementation, std::ostream* out) {
  *out << implementation.name;
}

inline std::string SystemImplementationName(
    const ::testing::TestParamInfo<SystemImplementation>& info) {
  return info.param.name;
}

class SystemConformance : public ::testing::TestWithParam<SystemImplementation> {
 protected:
  SystemConformance() : harness_(GetParam().make()), system_(harness_->system()) {}

  std::string Path(const std::string& name) const { return harness_->Folder() + "\\" + name; }
  std::string Put(const std::string& name, const std::string& bytes,
                  uint32_t attributes = kAttrArchive) {
    harness_->PutFile(Path(name), bytes, attributes);
    return Path(name);
  }
  // The whole file through the seam.
  std::string Contents(const std::string& path);
  // The message of the error that opening throws, or "(opened)".
  std::string ErrorOfOpening(const std::string& path, FileAccess access);
  // Checks that the listing holds "." and ".." (first, where the file system puts them first)
  // and gives the remaining entries.
  std::vector<DirEntry> WithoutDots(std::vector<DirEntry> entries);

  std::unique_ptr<SystemHarness> harness_;
  System& system_;
};

}  // namespace erm::platform
