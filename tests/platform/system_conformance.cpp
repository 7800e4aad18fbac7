// The rules every System keeps, as Windows keeps them: opening, reading and writing files,
// renaming and removing them, listing folders, full paths and code pages.
#include "platform/system_conformance.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/text_file.h"

namespace erm::platform {

std::string SystemConformance::Contents(const std::string& path) {
  auto file = system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  size_t got = 0;
  file->ReadAt(0, bytes.data(), bytes.size(), &got);
  bytes.resize(got);
  return bytes;
}

std::string SystemConformance::ErrorOfOpening(const std::string& path, FileAccess access) {
  try {
    system_.OpenFile(path, access, FileShare::kDenyNone, FileOpen::kExisting);
  } catch (const Error& e) {
    return e.message();
  }
  return "(opened)";
}

std::vector<DirEntry> SystemConformance::WithoutDots(std::vector<DirEntry> entries) {
  std::vector<DirEntry> rest;
  std::vector<size_t> dots;
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].name == "." || entries[i].name == "..") {
      EXPECT_TRUE(entries[i].attributes & kAttrDirectory) << entries[i].name;
      dots.push_back(i);
    } else {
      rest.push_back(entries[i]);
    }
  }
  EXPECT_EQ(dots.size(), 2u);
  if (harness_->traits().lists_dots_first && dots.size() == 2) {
    EXPECT_EQ(entries[0].name, ".");
    EXPECT_EQ(entries[1].name, "..");
  }
  return rest;
}

namespace {

constexpr char kOpened[] = "(opened)";

std::vector<DirEntry> ListAll(System& system, const std::string& pattern) {
  std::vector<DirEntry> entries;
  auto listing = system.Enumerate(pattern);
  DirEntry entry;
  while (listing->Next(&entry))
    entries.push_back(entry);
  return entries;
}

const DirEntry* FindEntry(const std::vector<DirEntry>& entries, const std::string& name) {
  for (const DirEntry& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

// --- opening ---

TEST_P(SystemConformance, FileExistsOnlyForPlainFiles) {
  Put("t.dbf", "");
  harness_->MakeDirectory(Path("konten"));
  EXPECT_TRUE(system_.FileExists(Path("t.dbf")));
  EXPECT_FALSE(system_.FileExists(Path("konten")));
  EXPECT_FALSE(system_.FileExists(Path("fehlt.dbf")));
  EXPECT_FALSE(system_.FileExists(Path("fehlt\\t.dbf")));
}

TEST_P(SystemConformance, SlashesSeparateLikeBackslashes) {
  harness_->MakeDirectory(Path("konten"));
  Put("konten\\erinnerung.dbf", "abc");
  std::string slashed = Path("konten\\erinnerung.dbf");
  for (char& c : slashed) {
    if (c == '\\') c = '/';
  }
  EXPECT_TRUE(system_.FileExists(slashed));
  EXPECT_EQ(Contents(slashed), "abc");
}

TEST_P(SystemConformance, NamesIgnoreCase) {
  if (!harness_->traits().names_ignore_case) GTEST_SKIP() << "names are case-sensitive here";
  harness_->MakeDirectory(Path("Konten"));
  Put("Konten\\erinnerung.dbf", "abc");
  EXPECT_TRUE(system_.FileExists(Path("KONTEN\\ERINNERUNG.DBF")));
  EXPECT_EQ(Contents(Path("konten\\Erinnerung.Dbf")), "abc");
}

TEST_P(SystemConformance, OpeningWhatIsNotAFileFails) {
  harness_->MakeDirectory(Path("konten"));
  EXPECT_NE(ErrorOfOpening(Path("fehlt.dbf"), FileAccess::kRead), kOpened);
  EXPECT_NE(ErrorOfOpening(Path("fehlt\\t.dbf"), FileAccess::kRead), kOpened);
  // A folder fails at its opening or, on POSIX, at its first read: nothing is read from it.
  EXPECT_THROW(ReadFileBytes(system_, Path("konten"), FileShare::kDenyNone), Error);
  EXPECT_THROW(system_.OpenFile(Path("fehlt\\x.txt"), FileAccess::kReadWrite, FileShare::kDenyNone,
                                FileOpen::kCreateAlways),
               Error);
}

TEST_P(SystemConformance, AReadOnlyFileOpensForReadingOnly) {
  const std::string path = Put("ro.dbf", "x", kAttrReadOnly);
  EXPECT_EQ(ErrorOfOpening(path, FileAccess::kRead), kOpened);
  if (!harness_->traits().read_only_refuses_writing) GTEST_SKIP() << "read-only is not enforced";
  EXPECT_NE(ErrorOfOpening(path, FileAccess::kReadWrite), kOpened);
  EXPECT_THROW(
      system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kCreateAlways),
      Error);
  EXPECT_EQ(Contents(path), "x");
}

// --- reading and writing ---

TEST_P(SystemConformance, ReadsAtTheEndOfTheFileComeBackShort) {
  const std::string path = Put("t.dbf", "0123456789");
  auto file = system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  struct {
    uint64_t offset;
    size_t size;
    std::string expected;
  } const cases[] = {
      {0, 10, "0123456789"}, {6, 8, "6789"}, {10, 4, ""}, {100, 4, ""}, {uint64_t{1} << 40, 1, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offset);
    std::string buffer(c.size, '#');
    size_t got = 99;
    const ReadStatus status = file->ReadAt(c.offset, buffer.data(), c.size, &got);
    EXPECT_EQ(buffer.substr(0, got), c.expected);
    // A read that ends at the file's end says so, so that readers need not ask once more.
    EXPECT_EQ(status, got < c.size ? ReadStatus::kEndOfFile : ReadStatus::kOk);
    // The bytes past the short read are left as they were.
    EXPECT_EQ(buffer.substr(got), std::string(c.size - got, '#'));
  }
}

TEST_P(SystemConformance, WholeFilesAreReadAtEverySizeAroundTheReadsTheyTake) {
  for (const size_t size :
       {size_t{0}, size_t{4095}, size_t{4096}, size_t{4097}, size_t{12289}, size_t{200000}}) {
    SCOPED_TRACE(size);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
      bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    EXPECT_EQ(ReadFileBytes(system_, Put("termin.trm", bytes), FileShare::kDenyNone), bytes);
  }
}

TEST_P(SystemConformance, AFoldersFilesOpenByNameAsByTheirPath) {
  harness_->MakeDirectory(Path("termine"));
  harness_->MakeDirectory(Path("termine\\alt"));
  Put("termine\\a.trm", "abc");
  Put("termine\\alt\\b.trm", "def");
  const std::string path = Path("termine\\");
  const auto error_of = [](auto read) -> std::string {
    try {
      read();
    } catch (const Error& e) {
      return e.message();
    }
    return "(read)";
  };
  const std::unique_ptr<Folder> termine = system_.OpenFolder(path);
  EXPECT_EQ(ReadFileBytes(system_, *termine, "a.trm"), "abc");
  EXPECT_EQ(ReadFileBytes(system_, *termine, "alt\\b.trm"), "def");
  Put("termine\\neu.trm", "ghi");
  EXPECT_EQ(ReadFileBytes(system_, *termine, "neu.trm"), "ghi");
  // What cannot be read fails as by its path: a missing file, a folder, any file of a missing
  // folder.
  const std::unique_ptr<Folder> missing = system_.OpenFolder(Path("fehlt\\"));
  struct {
    Folder* folder;
    std::string folder_path;
    const char* name;
  } const cases[] = {{termine.get(), path, "fehlt.trm"},
                     {termine.get(), path, "alt"},
                     {missing.get(), Path("fehlt\\"), "a.trm"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.folder_path + c.name);
    const std::string by_path =
        error_of([&] { ReadFileBytes(system_, c.folder_path + c.name, FileShare::kDenyNone); });
    EXPECT_NE(by_path, "(read)");
    EXPECT_EQ(error_of([&] { ReadFileBytes(system_, *c.folder, c.name); }), by_path);
  }
}

TEST_P(SystemConformance, SharedOpensCoexistAndSeeAnotherProgramsAppends) {
  const std::string path = Put("t.dbf", "0123456789");
  auto first =
      system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
  auto second =
      system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
  EXPECT_EQ(first->Size(), 10u);
  harness_->Append(path, "ABCDE");
  EXPECT_EQ(first->Size(), 15u);
  EXPECT_EQ(second->Size(), 15u);
  char tail[5] = {};
  size_t got = 0;
  EXPECT_EQ(first->ReadAt(10, tail, sizeof tail, &got), ReadStatus::kOk);
  EXPECT_EQ(std::string(tail, got), "ABCDE");
}

TEST_P(SystemConformance, WritesFollowEachOtherWhateverWasReadBetween) {
  const std::string path = Put("neu.txt", "old content that must go");
  {
    auto file = system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyWrite,
                                 FileOpen::kCreateAlways);
    EXPECT_EQ(file->Size(), 0u);
    file->Write("abc", 3);
    char byte;
    size_t got = 0;
    file->ReadAt(0, &byte, 1, &got);
    file->Write("def\r\n", 5);
  }
  EXPECT_EQ(Contents(path), "abcdef\r\n");
}

TEST_P(SystemConformance, CreateAlwaysMakesAWritableFileEvenWhenAskedForReading) {
  const std::string path = Path("erinnerung_konten.txt");
  {
    auto file =
        system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kCreateAlways);
    file->Write("x", 1);
  }
  EXPECT_EQ(Contents(path), "x");
}

// After an explicit close the destructor must not close the handle again: by then the number
// may belong to another file.
TEST_P(SystemConformance, CloseFlushesOnceAndTheFileIsComplete) {
  const std::string path = Path("a.txt");
  auto file = system_.OpenFile(path, FileAccess::kReadWrite, FileShare::kDenyWrite,
                               FileOpen::kCreateAlways);
  file->Write("abc", 3);
  file->Close();
  auto other = system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  file.reset();
  EXPECT_EQ(other->Size(), 3u);
  auto reader =
      system_.OpenFile(path, FileAccess::kRead, FileShare::kDenyNone, FileOpen::kExisting);
  EXPECT_NO_THROW(reader->Close());
  EXPECT_EQ(Contents(path), "abc");
}

// --- renaming and removing ---

// A settings file's rewrite: the new bytes in a file beside it, closed, then renamed over it.
TEST_P(SystemConformance, RenameReplacesAnExistingFileAndTheTemporaryNameIsGone) {
  const std::string target = Put("erinnerung_config.txt", "C:\\Alt\\\r\n");
  const std::string temporary = Path("erinnerung_config.txt.neu");
  {
    auto file = system_.OpenFile(temporary, FileAccess::kReadWrite, FileShare::kDenyWrite,
                                 FileOpen::kCreateAlways);
    file->Write("C:\\Neu\\\r\n", 9);
    file->Close();
  }
  system_.RenameFile(temporary, target, RenameMode::kReplaceExisting);
  EXPECT_EQ(Contents(target), "C:\\Neu\\\r\n");
  EXPECT_FALSE(system_.FileExists(temporary));
  EXPECT_EQ(ListAll(system_, temporary).size(), 0u);
}

TEST_P(SystemConformance, RenameCreatesAMissingTargetAndKeepsAnExistingOneWhenAsked) {
  const std::string target = Path("erinnerung_konten.txt");
  const std::string temporary = Put("erinnerung_konten.txt.neu", "");
  system_.RenameFile(temporary, target, RenameMode::kKeepExisting);
  EXPECT_TRUE(system_.FileExists(target));
  EXPECT_FALSE(system_.FileExists(temporary));
  EXPECT_EQ(Contents(target), "");

  Put("erinnerung_konten.txt", "Familie\r\n");
  Put("erinnerung_konten.txt.neu", "");
  EXPECT_THROW(system_.RenameFile(temporary, target, RenameMode::kKeepExisting), Error);
  EXPECT_EQ(Contents(target), "Familie\r\n");
  EXPECT_TRUE(system_.FileExists(temporary));
}

TEST_P(SystemConformance, ARenameThatFailsChangesNothing) {
  const std::string target = Put("ziel.txt", "alt");
  const std::string temporary = Put("ziel.txt.neu", "neu");
  harness_->MakeDirectory(Path("ordner"));
  EXPECT_THROW(system_.RenameFile(Path("fehlt.neu"), Path("x.txt"), RenameMode::kReplaceExisting),
               Error);
  EXPECT_THROW(system_.RenameFile(temporary, Path("fehlt\\ziel.txt"), RenameMode::kReplaceExisting),
               Error);
  EXPECT_THROW(system_.RenameFile(temporary, Path("ordner"), RenameMode::kReplaceExisting), Error);
  EXPECT_FALSE(system_.FileExists(Path("x.txt")));
  EXPECT_EQ(Contents(temporary), "neu");
  EXPECT_EQ(Contents(target), "alt");
}

TEST_P(SystemConformance, ARenameDoesNotReplaceAReadOnlyFile) {
  if (!harness_->traits().read_only_refuses_replacement) {
    GTEST_SKIP() << "read-only files are replaced here";
  }
  const std::string target = Put("ziel.txt", "alt", kAttrReadOnly);
  const std::string temporary = Put("ziel.txt.neu", "neu");
  EXPECT_THROW(system_.RenameFile(temporary, target, RenameMode::kReplaceExisting), Error);
  EXPECT_EQ(Contents(target), "alt");
  EXPECT_EQ(Contents(temporary), "neu");
}

TEST_P(SystemConformance, ARenameMatchesTheTargetWithoutRegardToCase) {
  if (!harness_->traits().names_ignore_case) GTEST_SKIP() << "names are case-sensitive here";
  Put("ziel.txt", "alt");
  const std::string temporary = Put("ziel.txt.neu", "neu");
  system_.RenameFile(temporary, Path("ZIEL.TXT"), RenameMode::kReplaceExisting);
  EXPECT_EQ(Contents(Path("ziel.txt")), "neu");
  EXPECT_FALSE(system_.FileExists(temporary));
  EXPECT_EQ(ListAll(system_, Path("*.*")).size(), 3u) << "one file, and the dots";
}

TEST_P(SystemConformance, AFileHeldOpenForWritingIsNeitherReplacedNorRemoved) {
  if (!harness_->traits().open_files_keep_their_name) {
    GTEST_SKIP() << "names of open files may change here";
  }
  const std::string target = Put("ziel.txt", "alt");
  const std::string temporary = Put("ziel.txt.neu", "neu");
  {
    auto held =
        system_.OpenFile(target, FileAccess::kReadWrite, FileShare::kDenyNone, FileOpen::kExisting);
    EXPECT_THROW(system_.RenameFile(temporary, target, RenameMode::kReplaceExisting), Error);
    EXPECT_THROW(system_.RemoveFile(target), Error);
  }
  {
    auto held = system_.OpenFile(temporary, FileAccess::kReadWrite, FileShare::kDenyNone,
                                 FileOpen::kExisting);
    EXPECT_THROW(system_.RenameFile(temporary, target, RenameMode::kReplaceExisting), Error);
  }
  // One we only read with delete sharing lets others rename it away (another copy of this
  // program replacing its settings file, say).
  auto reader = system_.OpenFile(temporary, FileAccess::kRead, FileShare::kDenyNoneWithDelete,
                                 FileOpen::kExisting);
  EXPECT_EQ(Contents(target), "alt");
  EXPECT_EQ(Contents(temporary), "neu");
  system_.RenameFile(temporary, target, RenameMode::kReplaceExisting);
  EXPECT_EQ(Contents(target), "neu");
}

// The planner that deletes a file the scan reads meets "in use" at once, and may try again; had
// the scan shared deletion, the delete would stay pending until the scan let go, and the
// planner's re-creation of the file would fail. The program's own files share deletion.
TEST_P(SystemConformance, AFileReadWithoutDeleteSharingRefusesDeletionAsInUse) {
  if (!harness_->traits().open_files_keep_their_name) {
    GTEST_SKIP() << "names of open files may change here";
  }
  struct {
    const char* name;
    FileShare share;
    bool refuses;
  } const cases[] = {{"planner", FileShare::kDenyNone, true},
                     {"settings", FileShare::kDenyNoneWithDelete, false}};
  const auto failure_of = [](auto step) -> std::string {
    try {
      step();
    } catch (const Error& e) {
      return e.kind() == ErrorKind::kSharingViolation ? "in use" : e.message();
    }
    return "(done)";
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Put(std::string(c.name) + ".trm", "alt");
    const std::string moved = Path(std::string(c.name) + ".alt");
    const char* expected = c.refuses ? "in use" : "(done)";
    {
      auto reader = system_.OpenFile(path, FileAccess::kRead, c.share, FileOpen::kExisting);
      EXPECT_EQ(failure_of([&] { system_.RenameFile(path, moved, RenameMode::kKeepExisting); }),
                expected);
      EXPECT_EQ(failure_of([&] { system_.RemoveFile(c.refuses ? path : moved); }), expected);
    }
    // Let go, the planner's delete goes through.
    if (c.refuses) system_.RemoveFile(path);
    EXPECT_FALSE(system_.FileExists(path));
    EXPECT_FALSE(system_.FileExists(moved));
  }
}

TEST_P(SystemConformance, RemoveDeletesPlainFilesOnly) {
  const std::string path = Put("weg.neu", "x");
  system_.RemoveFile(path);
  EXPECT_FALSE(system_.FileExists(path));
  EXPECT_THROW(system_.RemoveFile(path), Error);
  harness_->MakeDirectory(Path("ordner"));
  EXPECT_THROW(system_.RemoveFile(Path("ordner")), Error);
  EXPECT_EQ(ListAll(system_, Path("ordner")).size(), 1u) << "the folder is still there";
  if (!harness_->traits().read_only_refuses_removal) return;
  const std::string read_only = Put("ro.txt", "ro", kAttrReadOnly);
  EXPECT_THROW(system_.RemoveFile(read_only), Error);
  EXPECT_EQ(Contents(read_only), "ro");
}

// --- listing ---

TEST_P(SystemConformance, ListingStartsWithDotsAndKeepsHiddenAndSystemEntries) {
  const std::string konten = Path("konten");
  harness_->MakeDirectory(konten);
  harness_->MakeDirectory(konten + "\\Familie");
  harness_->MakeDirectory(konten + "\\Geheim", kAttrDirectory | kAttrHidden);
  harness_->PutFile(konten + "\\notiz.txt", "n");
  harness_->PutFile(konten + "\\system.dat", "s", kAttrSystem);

  const std::vector<DirEntry> entries = WithoutDots(ListAll(system_, konten + "\\*.*"));
  ASSERT_EQ(entries.size(), 4u);
  const uint32_t dos = harness_->traits().keeps_dos_attributes ? ~0u : kAttrDirectory;
  struct {
    const char* name;
    uint32_t required;
    uint32_t absent;
  } const expected[] = {
      {"Familie", kAttrDirectory, kAttrHidden | kAttrSystem},
      {"Geheim", kAttrDirectory | kAttrHidden, kAttrSystem},
      {"notiz.txt", 0, kAttrDirectory | kAttrHidden | kAttrSystem},
      {"system.dat", kAttrSystem, kAttrDirectory | kAttrHidden},
  };
  for (const auto& e : expected) {
    SCOPED_TRACE(e.name);
    const DirEntry* entry = FindEntry(entries, e.name);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->attributes & e.required & dos, e.required & dos);
    EXPECT_EQ(entry->attributes & e.absent & dos, 0u);
  }
}

TEST_P(SystemConformance, MissingOrEmptyFoldersListNoAccounts) {
  EXPECT_TRUE(ListAll(system_, Path("fehlt\\*.*")).empty());
  EXPECT_TRUE(ListAll(system_, Path("fehlt\\konten\\*.*")).empty());
  EXPECT_TRUE(ListAll(system_, Path("*.nix")).empty());
  harness_->MakeDirectory(Path("leer"));
  EXPECT_TRUE(WithoutDots(ListAll(system_, Path("leer\\*.*"))).empty());
}

// --- paths and code pages ---

TEST_P(SystemConformance, FullPathResolvesAgainstTheCurrentDirectory) {
  const std::string here = harness_->Folder();
  harness_->ChangeDirectory(here);
  const std::string drive = here.size() >= 2 && here[1] == ':' ? here.substr(0, 2) : "";
  struct {
    const char* path;
    std::string expected;
    bool needs_drives;
  } const cases[] = {
      {"konten\\..\\erinnerung.dbf", here + "\\erinnerung.dbf", false},
      {".\\konten\\", here + "\\konten\\", false},
      {"a\\..\\b\\.\\c\\", here + "\\b\\c\\", false},
      {"", here + "\\", false},
      {"\\a\\b", drive + "\\a\\b", false},
      {"C:\\a\\.\\b\\..\\c\\", "C:\\a\\c\\", true},
      {"D:\\y\\..\\..", "D:\\", true},
  };
  for (const auto& c : cases) {
    if (c.needs_drives && !harness_->traits().has_drives) continue;
    EXPECT_EQ(system_.FullPath(c.path), c.expected) << '"' << c.path << '"';
  }
}

TEST_P(SystemConformance, ToAnsiConvertsThroughUnicodeAndMarksMissingCharacters) {
  if (system_.AnsiCodePage() != 1252) {
    GTEST_SKIP() << "ANSI code page " << system_.AnsiCodePage();
  }
  struct {
    int code_page;
    std::string text;
    std::string expected;
  } const cases[] = {
      {850,
       "Pr\x81"
       "fung",
       "Pr\xFC"
       "fung"},
      {850, "\x94\x9B\xE1", "\xF6\xF8\xDF"},
      {437, "\x9B", "\xA2"},
      {850, "\xB0|\xC9", "?|?"},  // box drawing has no Windows-1252 form
      {1252, "\x80\xFC", "\x80\xFC"},
      {12345, "\x81", "\x81"},  // no such code page: the bytes stay
      {850, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code_page);
    EXPECT_EQ(system_.ToAnsi(c.code_page, c.text), c.expected);
  }
}

TEST_P(SystemConformance, OnlyCodePagesTheSystemKnowsAreSupported) {
  EXPECT_TRUE(system_.IsCodePageSupported(850));
  EXPECT_TRUE(system_.IsCodePageSupported(1252));
  EXPECT_TRUE(system_.IsCodePageSupported(system_.OemCodePage()));
  for (int code_page : {0, -850, 12345, 70000}) {
    EXPECT_FALSE(system_.IsCodePageSupported(code_page)) << code_page;
  }
}

}  // namespace
}  // namespace erm::platform
