// The seam to the operating system for everything that is not a window: files, directory
// listings, the program folder, the clock and pause, code pages and the user's number format.
// Paths are written with backslashes as on Windows; implementations for other systems map them
// at their boundary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/bounded_read.h"
#include "platform/local_time.h"

namespace erm::platform {

enum class FileAccess { kRead, kReadWrite };
// Which access other programs keep while we hold the file open.
enum class FileShare {
  kDenyNone,
  kDenyWrite,
  // As kDenyNone, and others may also delete or rename the file meanwhile. Only for the program's
  // own files: a planner that deletes a file we read must meet a refusal it understands, not a
  // delete left pending until we close it, which makes its re-creation of the file fail.
  kDenyNoneWithDelete,
};
enum class FileOpen {
  kExisting,      // fails when the file is missing
  kCreateAlways,  // creates the file, or truncates the one that is there
};

// What RenameFile does when a file of the new name is there already.
enum class RenameMode {
  kReplaceExisting,  // the file of the new name is replaced, in one step
  kKeepExisting,     // the rename fails and both files stay as they are
};

// Who a Windows Installer package of the program was installed for.
enum class InstallScope {
  kUser,     // the per-user package, into the user's profile
  kMachine,  // the package for all users of the computer
};

enum class ReadStatus {
  kOk,
  // Another program holds a byte-range lock on the bytes asked for; nothing was read. The
  // caller decides whether to wait and ask again.
  kLocked,
  // Fewer bytes than asked, because the file ends there as it stands now. Reads that come back
  // short for another reason answer kOk, so a reader who needs the rest asks again.
  kEndOfFile,
};

// What Windows says when a read runs into another program's byte-range lock; the program's
// readers fail with it when the lock outlasts their patience.
inline constexpr char kLockedReadText[] =
    "Der Prozess kann nicht auf die Datei zugreifen, da ein anderer Prozess einen Teil der "
    "Datei gesperrt hat";

class File {
 public:
  virtual ~File() = default;
  // Reads up to `size` bytes at `offset`; *got receives the count, fewer at the end of the file
  // (then kEndOfFile, where the system can tell).
  // Throws Error with the system's message for any failure but a lock.
  virtual ReadStatus ReadAt(uint64_t offset, void* out, size_t size, size_t* got) = 0;
  // The size the file has now; asked anew at every call, so it follows another writer.
  virtual uint64_t Size() = 0;
  // Appends at the position after the previous write (files are written front to back only).
  virtual void Write(const void* data, size_t size) = 0;
  // Closes a file that was written, so that what the system still held back reaches the disk,
  // and throws Error when that fails: a writer that must know its bytes arrived calls this
  // before it relies on them. The destructor closes a file that was not closed, silently.
  // Nothing may be called on the file afterwards.
  virtual void Close() {}
};

// A folder whose files are opened by name. A scan reads many small files of one folder; where the
// system can, the folder's path is looked up once for all of them instead of at each opening.
class Folder {
 public:
  virtual ~Folder() = default;
  // Opens the folder's file `name` for reading, as System::OpenFile(<folder> + name, kRead,
  // kDenyNone, kExisting) does, with the same errors.
  virtual std::unique_ptr<File> OpenFile(const std::string& name) = 0;
};

// Attribute bits as Windows reports them.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrVolumeLabel = 0x08;
inline constexpr uint32_t kAttrDirectory = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

struct DirEntry {
  std::string name;
  uint32_t attributes = 0;
};

class DirEnumeration {
 public:
  virtual ~DirEnumeration() = default;
  // The next entry in the order the file system keeps; false when there is none.
  virtual bool Next(DirEntry* entry) = 0;
  // Whether the listing ended in a failure (the folder could not be opened, or the system broke
  // the listing off with an error other than "no more entries") rather than at its last entry.
  // A network share that goes away in the middle lists only part of the folder.
  virtual bool Failed() const { return false; }
};

// The real systems take calls from two threads at once: a bounded read runs on a worker while
// the user-interface thread waits for it. A simulation runs that read inline on its virtual
// clock, from one thread.
class System {
 public:
  virtual ~System() = default;

  // Runs `read` and waits until it has ended, or until one call it makes to this system has not
  // returned for `silence_ms`: every call that returns, a pause included, starts the patience
  // anew, so a slow server is waited for as long as it answers. A read given up on is left to
  // return on its own (where the system can, its stuck call is cancelled); until it has, no
  // other starts, so that never more than one hangs in the system. While it waits, the waiting
  // thread still answers what the system sends its windows (a logoff's question, painting); user
  // input stays queued.
  virtual BoundedReadOutcome RunBounded(BoundedRead read, uint32_t silence_ms) = 0;
  // Whether a read given up on has not returned yet: the process must then end without
  // destroying what that read still reaches, this System among it.
  virtual bool ReadStillHangs() { return false; }

  // Throws Error with the system's message when the file cannot be opened or created. A folder
  // opened for reading may open; then its first read throws.
  virtual std::unique_ptr<File> OpenFile(const std::string& path, FileAccess access,
                                         FileShare share, FileOpen mode) = 0;
  // The folder `path`, ending with "\", to open its files by name while the result lives. Never
  // throws: when the folder cannot be opened, each file's opening fails as opening it by its
  // whole path would. By default each file is opened by the folder's path and its name, as on
  // Windows, whose API opens files by their path only.
  virtual std::unique_ptr<Folder> OpenFolder(const std::string& path);
  // True for an existing plain file; false for directories, for anything missing, and when
  // the system cannot tell (this never throws).
  virtual bool FileExists(const std::string& path) = 0;
  // Gives the file `from` the name `to` in the same folder, in one step: anyone looking finds
  // either the old file under `to` or the new one, never a mixture or none (with kKeepExisting
  // there may be none before). Throws Error with the system's message when it fails; then
  // nothing has changed. Implementations without it throw.
  virtual void RenameFile(const std::string& from, const std::string& to, RenameMode mode);
  // Deletes a plain file. Throws Error with the system's message when it fails.
  // Implementations without it throw.
  virtual void RemoveFile(const std::string& path);
  // Lists the entries matching `pattern` (a directory followed by a wildcard name such as
  // "*.*"), unfiltered: hidden entries and the "." and ".." entries come as the file system
  // gives them. A directory that is missing or unreadable lists nothing; this never throws.
  virtual std::unique_ptr<DirEnumeration> Enumerate(const std::string& pattern) = 0;
  // The full form of a path: relative parts resolved against the current directory, "." and
  // ".." removed.
  virtual std::string FullPath(const std::string& path) = 0;
  // Directory of the running program's executable, ending with "\".
  virtual std::string ProgramFolder() = 0;
  // The user's own folder for program data that travels with the profile (%APPDATA% on
  // Windows), ending with "\". Throws Error when the system has none. Implementations without
  // it throw.
  virtual std::string UserDataFolder();
  // The planner directory an administrator preset for every user of this computer (on Windows
  // the value "Planerverzeichnis" under HKLM\Software\Policies\QX-Brevantoliske\Erinnerungsmodul,
  // which Group Policy writes, else the one under HKLM\Software\QX-Brevantoliske\Erinnerungsmodul,
  // which the package for all users writes); empty when there is none or it cannot be read.
  // Never throws. Implementations without it answer empty.
  virtual std::string MachinePlannerDirectory() { return std::string(); }
  // The folder the package of `scope` records as its installation ("Installationsordner" under
  // HKCU or HKLM\Software\QX-Brevantoliske\Erinnerungsmodul), ending with "\"; empty when
  // that package is not installed or the value cannot be read. Never throws. Implementations
  // without it answer empty.
  virtual std::string InstallationFolder(InstallScope) { return std::string(); }
  // The command the user's own logon start runs (the value "Erinnerungsmodul" under
  // HKCU\Software\Microsoft\Windows\CurrentVersion\Run, which the per-user package writes);
  // empty when there is none. Never throws. Implementations without it answer empty.
  virtual std::string UserLogonCommand() { return std::string(); }
  // Removes that value; none there is no error. Throws Error with the system's message when it
  // fails. Implementations without it throw.
  virtual void RemoveUserLogonCommand();
  // Creates the folder `path` inside an existing one; a folder that is there already is no
  // error. Throws Error with the system's message when it fails. Implementations without it
  // throw.
  virtual void CreateFolder(const std::string& path);
  // Whether this program may create files in `folder` at this moment. Found out by trying, since
  // on Windows the folder's access list decides, not its attributes; the try leaves nothing
  // behind, also when the program is ended in the middle of it. False when the system cannot
  // tell. Implementations without it answer true.
  virtual bool CanCreateFilesIn(const std::string& folder);
  // Whether `path` lies on another computer: a UNC path, or one on a drive letter the system
  // reports as a network drive. Implementations without it answer for UNC paths only.
  virtual bool IsNetworkPath(const std::string& path);
  // The network path ("\\server\share") a drive letter ("Z:") stands for, as the user's
  // remembered connections hold it, also while the drive is not connected; empty when the
  // letter is no network drive or the system cannot tell. Never asks the user anything.
  // Implementations without it answer empty.
  virtual std::string MappedNetworkPath(const std::string& drive);

  virtual LocalTime Now() = 0;
  // Blocks for `ms` milliseconds.
  virtual void Sleep(uint32_t ms) = 0;
  // Milliseconds on a clock that only moves forward.
  virtual uint64_t TickCount() = 0;

  virtual int AnsiCodePage() = 0;
  virtual int OemCodePage() = 0;
  virtual bool IsCodePageSupported(int code_page) = 0;
  // Converts text in `code_page` through Unicode to the ANSI code page; characters the ANSI
  // code page lacks become "?".
  virtual std::string ToAnsi(int code_page, std::string_view text) = 0;
  // The decimal separator of the user's number format.
  virtual char DecimalSeparator() = 0;
};

// Ends the process at once, without destructors, when a read given up on may still return into
// what they would destroy; otherwise returns, and the caller ends as usual.
void EndAtOnceIfReadHangs(System& system, int exit_code);

}  // namespace erm::platform
