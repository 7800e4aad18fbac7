// The native tools' platform on real files: renaming in one step, removing, and a close that
// reports.
#if !defined(_WIN32)

#include "platform/posix/posix_system.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/error.h"
#include "platform/paths.h"

namespace erm::platform {
namespace {

namespace fs = std::filesystem;

class PosixSystemTest : public ::testing::Test {
 protected:
  PosixSystemTest() {
    dir_ = fs::temp_directory_path() / ("erm_posix_" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  ~PosixSystemTest() override { fs::remove_all(dir_); }
  std::string Path(const std::string& name) const { return FromHostPath((dir_ / name).string()); }
  void Put(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
  }
  std::string Get(const std::string& name) {
    std::ifstream in(dir_ / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  fs::path dir_;
  PosixSystem system_;
};

TEST_F(PosixSystemTest, RenameReplacesOrKeepsTheExistingFile) {
  Put("ziel.txt", "alt");
  Put("ziel.txt.neu", "neu");
  EXPECT_THROW(
      system_.RenameFile(Path("ziel.txt.neu"), Path("ziel.txt"), RenameMode::kKeepExisting), Error);
  EXPECT_EQ(Get("ziel.txt"), "alt");
  EXPECT_TRUE(fs::exists(dir_ / "ziel.txt.neu"));

  system_.RenameFile(Path("ziel.txt.neu"), Path("ziel.txt"), RenameMode::kReplaceExisting);
  EXPECT_EQ(Get("ziel.txt"), "neu");
  EXPECT_FALSE(fs::exists(dir_ / "ziel.txt.neu"));

  Put("frei.neu", "x");
  system_.RenameFile(Path("frei.neu"), Path("frei.txt"), RenameMode::kKeepExisting);
  EXPECT_EQ(Get("frei.txt"), "x");
  EXPECT_FALSE(fs::exists(dir_ / "frei.neu"));
  EXPECT_THROW(system_.RenameFile(Path("fehlt"), Path("y"), RenameMode::kReplaceExisting), Error);
}

TEST_F(PosixSystemTest, RemoveDeletesFilesOnly) {
  Put("weg.txt", "x");
  system_.RemoveFile(Path("weg.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "weg.txt"));
  EXPECT_THROW(system_.RemoveFile(Path("weg.txt")), Error);
  fs::create_directory(dir_ / "ordner");
  EXPECT_THROW(system_.RemoveFile(Path("ordner")), Error);
  EXPECT_TRUE(fs::exists(dir_ / "ordner"));
}

TEST_F(PosixSystemTest, AClosedFileHasItsBytesAndClosesOnce) {
  {
    auto file = system_.OpenFile(Path("a.txt"), FileAccess::kReadWrite, FileShare::kDenyWrite,
                                 FileOpen::kCreateAlways);
    file->Write("abc", 3);
    file->Close();
    // The destructor after an explicit close must not close a descriptor that another file
    // may have been given meanwhile.
    auto other = system_.OpenFile(Path("a.txt"), FileAccess::kRead, FileShare::kDenyNone,
                                  FileOpen::kExisting);
    file.reset();
    EXPECT_EQ(other->Size(), 3u);
  }
  EXPECT_EQ(Get("a.txt"), "abc");
}

}  // namespace
}  // namespace erm::platform

#endif
