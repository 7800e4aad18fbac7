// What a System that has no way to rename or delete files, or no folders of its own, answers:
// wrappers that only read, such as the scan tool's, need not forward these.
#include "platform/system.h"

#include "platform/error.h"

namespace erm::platform {
namespace {

// The text Windows gives for ERROR_NOT_SUPPORTED.
constexpr char kNotSupported[] =
    "Die Anforderung wird nicht unterst\xFC"
    "tzt";

}  // namespace

void System::RenameFile(const std::string&, const std::string&, RenameMode) {
  throw Error(kNotSupported);
}

void System::RemoveFile(const std::string&) {
  throw Error(kNotSupported);
}

std::string System::UserDataFolder() {
  throw Error(kNotSupported);
}

void System::CreateFolder(const std::string&) {
  throw Error(kNotSupported);
}

bool System::CanCreateFilesIn(const std::string&) {
  return true;
}

}  // namespace erm::platform
