// The one exception type of the program: a failure with the text the user sees (Windows-1252),
// and what kind of failure the system reported, for the few callers that wait and try again.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace erm {

// What the system's error was, as far as a caller may act on it. The text stays the system's.
enum class ErrorKind {
  kOther,
  // Another program has the file open in a way that excludes ours (no read, write or delete
  // sharing): gone once it closes the file, usually within moments.
  kSharingViolation,
  // Refused access. Lasting on a folder closed to us; passing where a file that another program
  // holds open without delete sharing is to be replaced or removed.
  kAccessDenied,
  // Another program holds a byte-range lock on the bytes asked for.
  kLocked,
};

class Error : public std::exception {
 public:
  explicit Error(std::string message, ErrorKind kind = ErrorKind::kOther)
      : message_(std::move(message)), kind_(kind) {}
  const std::string& message() const noexcept { return message_; }
  ErrorKind kind() const noexcept { return kind_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  ErrorKind kind_;
};

// The silent abort: it ends a handler like any error, but the error report shows nothing.
class Abort : public Error {
 public:
  Abort() : Error("Operation abgebrochen") {}
};

}  // namespace erm
