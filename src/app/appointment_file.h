// The planner's appointment text files, konten\<account>\termine\<TERMINDATU>.trm: a first line
// that is never interpreted, then one appointment text line per line, each byte XOR 0x6E.
//
// The mask turns "t" into 0x1A, "c" into CR and "d" into LF, so the plain text-file rules would
// cut most German texts short. Lines therefore end only at CR LF (a lone CR or LF is data), and
// 0x1A ends the text only as the file's last byte right after a line end. A last line without a
// line end is still a line. Only a masked "cd" stays ambiguous.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/system.h"

namespace erm::app {

// XOR of every byte with 0x6E: masks and unmasks alike.
std::string EncodeDecodeText(std::string_view text);

// The file's lines under the rules above, still masked.
std::vector<std::string> SplitAppointmentLines(std::string_view bytes);

// The unmasked appointment text lines of the file at `path` (line 1 dropped). The planner may
// hold the file without read sharing or lock it while it writes: that is waited out for a while
// (platform::RetryWhileHeld). Throws the platform's Error when the file cannot be opened or read.
std::vector<std::string> ReadAppointmentTexts(platform::System& system, const std::string& path);
// The same of the folder's file `name`.
std::vector<std::string> ReadAppointmentTexts(platform::System& system, platform::Folder& folder,
                                              const std::string& name);

}  // namespace erm::app
