// The native tools' platform on real files, held to the suite that every System passes, as far
// as a POSIX file system keeps Windows' rules.
#if !defined(_WIN32)

#include "platform/posix/posix_system.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "platform/error.h"
#include "platform/paths.h"
#include "platform/system_conformance.h"
#include "platform/text_file.h"

namespace erm::platform {
namespace {

namespace fs = std::filesystem;

class PosixSystemHarness : public SystemHarness {
 public:
  PosixSystemHarness() {
    static int count = 0;
    dir_ = fs::temp_directory_path() /
           ("erm_posix_" + std::to_string(::getpid()) + "_" + std::to_string(++count));
    fs::create_directories(dir_);
    dir_ = fs::canonical(dir_);
  }
  ~PosixSystemHarness() override {
    if (!saved_directory_.empty()) fs::current_path(saved_directory_);
    fs::remove_all(dir_);
  }
  System& system() override { return system_; }
  SystemTraits traits() override {
    SystemTraits traits;
    traits.names_ignore_case = false;
    traits.has_drives = false;
    traits.keeps_dos_attributes = false;  // only a leading "." hides, and nothing is "system"
    // The superuser writes whatever the mode says.
    traits.read_only_refuses_writing = ::geteuid() != 0;
    // Deleting and replacing a name is a right on the folder, not on the file.
    traits.read_only_refuses_removal = false;
    traits.read_only_refuses_replacement = false;
    traits.open_files_keep_their_name = false;  // an open file keeps its inode instead
    traits.lists_dots_first = false;
    return traits;
  }
  std::string Folder() override { return FromHostPath(dir_.string()); }
  void PutFile(const std::string& path, const std::string& bytes, uint32_t attributes) override {
    const std::string host = ToHostPath(path);
    std::error_code missing;  // the file may be new, or read-only from before
    fs::permissions(host, fs::perms::owner_write, fs::perm_options::add, missing);
    std::ofstream(host, std::ios::binary | std::ios::trunc) << bytes;
    if (attributes & kAttrReadOnly) ::chmod(host.c_str(), 0444);
  }
  void MakeDirectory(const std::string& path, uint32_t /*attributes*/) override {
    fs::create_directories(ToHostPath(path));
  }
  void Append(const std::string& path, const std::string& bytes) override {
    std::ofstream(ToHostPath(path), std::ios::binary | std::ios::app) << bytes;
  }
  void ChangeDirectory(const std::string& path) override {
    if (saved_directory_.empty()) saved_directory_ = fs::current_path();
    fs::current_path(ToHostPath(path));
  }

 private:
  fs::path dir_;
  fs::path saved_directory_;
  PosixSystem system_;
};

INSTANTIATE_TEST_SUITE_P(Posix, SystemConformance,
                         ::testing::Values(SystemImplementation{
                             "Posix", MakeSystemHarness<PosixSystemHarness>}),
                         SystemImplementationName);

TEST(PosixFolderTest, ANameThatIsAPathStaysInsideTheFolder) {
  // Opened relative to the folder, an absolute name would reach any file on the machine.
  PosixSystemHarness posix;
  SystemHarness& harness = posix;
  harness.MakeDirectory(harness.Folder() + "\\termine");
  const std::string outside = harness.Folder() + "\\draussen.trm";
  harness.PutFile(outside, "x");
  const auto termine = harness.system().OpenFolder(harness.Folder() + "\\termine\\");
  EXPECT_THROW(ReadFileBytes(harness.system(), *termine, ToHostPath(outside)), Error);
  EXPECT_EQ(ReadFileBytes(harness.system(), *termine, "..\\draussen.trm"), "x");  // as its path finds it
}

}  // namespace
}  // namespace erm::platform

#endif
