// Whole-file reading and writing through the platform, and the plain text-file line rules of the
// program's own settings files: a line ends at CR, an LF right after that CR belongs to the line
// end, a lone LF is an ordinary byte, and 0x1A ends the text as the physical end does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace erm::platform {

// Every byte of the file. Throws the platform's Error when it cannot be opened or read.
std::string ReadFileBytes(platform::System& system, const std::string& path);
// Every byte of the folder's file `name`, likewise.
std::string ReadFileBytes(platform::Folder& folder, const std::string& name);
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
