// The one exception type of the program: a failure with the text the user sees (Windows-1252).
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace erm {

class Error : public std::exception {
 public:
  explicit Error(std::string message) : message_(std::move(message)) {}
  const std::string& message() const noexcept { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// The silent abort: it ends a handler like any error, but the error report shows nothing.
class Abort : public Error {
 public:
  Abort() : Error("Operation abgebrochen") {}
};

}  // namespace erm
