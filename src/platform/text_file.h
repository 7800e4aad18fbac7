// Whole-file reading and writing through the platform, and the plain text-file line rules of the
// program's own settings files: a line ends at CR, an LF right after that CR belongs to the line
// end, a lone LF is an ordinary byte, and 0x1A ends the text as the physical end does.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/system.h"

namespace erm::platform {

// How long the program waits for another program to let go of a file it holds: a virus scanner,
// the indexer or a sync client opens a file just written for a moment; the planner holds a
// record's lock while its user edits the record, which may take an hour.
inline constexpr uint64_t kHeldFilePatienceMs = 2000;
// The pause between two tries while waiting.
inline constexpr uint32_t kHeldFileRetryMs = 20;

// What the program was doing to a file when another program's hold met it. Windows refuses the
// rename or the removal of a file held open without delete sharing with "access denied", which is
// also its answer to a file that stays closed to us; an opening or a read is refused access for
// good.
enum class HeldStep { kOpenOrRead, kRenameOrRemove };

// Whether `error` is another program's hold on a file, which passes: a sharing violation or a
// byte-range lock, and a refused access where `step` may meet one from a hold.
bool IsPassingHold(const Error& error, HeldStep step);
// Runs `step`; while it fails with a passing hold, runs it again after a short pause through the
// system (the simulation's clock moves by it), until kHeldFilePatienceMs after `started` (the
// system's TickCount). Then the last error is thrown, with the system's own text.
template <typename Step>
void RetryWhileHeld(platform::System& system, HeldStep held_step, uint64_t started, Step step) {
  for (;;) {
    try {
      step();
      return;
    } catch (const Error& e) {
      if (!IsPassingHold(e, held_step)) throw;
      if (system.TickCount() - started >= kHeldFilePatienceMs) throw;
    }
    system.Sleep(kHeldFileRetryMs);
  }
}

// Every byte of the file, opened for reading with `share` (whether others may delete or rename
// it meanwhile). A sharing violation at the opening and a lock on the bytes are waited out as
// RetryWhileHeld does. Throws the platform's Error when it cannot be opened or read.
std::string ReadFileBytes(platform::System& system, const std::string& path,
                          platform::FileShare share);
// Every byte of the folder's file `name`, likewise, as the folder opens its files.
std::string ReadFileBytes(platform::System& system, platform::Folder& folder,
                          const std::string& name);
// Creates the file, or truncates the one that is there, writes `bytes` into it and closes it.
void WriteFileBytes(platform::System& system, const std::string& path, std::string_view bytes);

// Added to a file's name for the temporary file that ReplaceFileBytes writes beside it.
inline constexpr char kTemporarySuffix[] = ".neu";
// Gives the file `bytes` as its contents in one step, so that no failure and no power cut can
// leave it half-written: the bytes go into a temporary file beside it, which takes the file's
// name once it is complete and closed. When a step fails, its error is thrown, the file is as
// it was, and the temporary file has been removed (as far as the system lets it). With
// kKeepExisting a file that is there already is kept, and that is an error too.
void ReplaceFileBytes(platform::System& system, const std::string& path, std::string_view bytes,
                      platform::RenameMode mode = platform::RenameMode::kReplaceExisting);

// The first line under the plain rules: the bytes before the first CR or 0x1A.
std::string FirstPlainLine(std::string_view text);
// All lines under the plain rules. An empty text has no line; a text ending in a line end has
// no empty line after it.
std::vector<std::string> SplitPlainLines(std::string_view text);
// Each line followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

}  // namespace erm::platform
