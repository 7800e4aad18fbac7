// What every Desktop must do, written once (desktop_conformance.cpp) and run against each
// implementation: the sim natively, the Win32 one under Wine. The sim's timers run on a virtual
// clock and the real ones on the wall clock, so the suite lets time pass through its harness and
// waits for conditions rather than for fixed times.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "platform/desktop.h"

namespace erm::platform {

// Where an implementation knowingly answers otherwise than Windows does.
struct DesktopTraits {
  // Deleting an icon that is not in the notification area fails.
  bool deleting_an_absent_icon_fails = true;
};

class DesktopHarness {
 public:
  virtual ~DesktopHarness() = default;
  virtual Desktop& desktop() = 0;
  virtual DesktopTraits traits() = 0;
  // Lets `ms` pass on the clock the desktop's timers run on, without taking any message.
  virtual void Wait(uint32_t ms) = 0;
  // The window's title as the system keeps it.
  virtual std::string TitleOf(WindowHandle window) = 0;
  // An icon the notification area accepts.
  virtual IconHandle SomeIcon() = 0;
};

struct DesktopImplementation {
  const char* name;
  std::unique_ptr<DesktopHarness> (*make)();
};

template <typename Harness>
std::unique_ptr<DesktopHarness> MakeDesktopHarness() {
  return std::make_unique<Harness>();
}

inline void PrintTo(const DesktopImplementation& implementation, std::ostream* out) {
  *out << implementation.name;
}

inline std::string DesktopImplementationName(
    const ::testing::TestParamInfo<DesktopImplementation>& info) {
  return info.param.name;
}

class DesktopConformance : public ::testing::TestWithParam<DesktopImplementation> {
 protected:
  struct Seen {
    uint32_t message;
    std::uintptr_t wparam;
    bool operator==(const Seen&) const = default;
  };
  using Log = std::vector<Seen>;

  DesktopConformance() : harness_(GetParam().make()), desktop_(harness_->desktop()) {}

  // A message window whose procedure logs the messages named in `watched` and passes everything
  // to the system's own handling.
  WindowHandle LoggingWindow(Log* log, std::set<uint32_t> watched);
  // A hook that logs the messages named in `watched` and passes everything on.
  void LoggingHook(WindowHandle window, Log* log, std::set<uint32_t> watched);
  // Dispatches what is waiting; false when the quit message came (it is taken then).
  bool DispatchWaiting();
  // Dispatches messages, letting time pass, until `done` or a few seconds have passed.
  bool PumpUntil(const std::function<bool()>& done);

  std::unique_ptr<DesktopHarness> harness_;
  Desktop& desktop_;
};

}  // namespace erm::platform
