// The timer component: OnTimer every Interval milliseconds while Enabled, from a window timer on
// a hidden window of its own. Changing Interval or Enabled to a different value starts the
// countdown afresh; setting the value it already has changes nothing.
#pragma once

#include <cstdint>
#include <string>

#include "platform/desktop.h"
#include "ui/component.h"
#include "ui/types.h"

namespace erm::ui {

class Application;

class Timer : public Component {
 public:
  // The owner is a form, or a component owned by one.
  Timer(Component* owner, std::string name);
  ~Timer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t interval_ms);
  // Whether the window timer runs now.
  bool Running() const { return running_; }
  // When the next OnTimer is due while it runs, on the system's tick count.
  uint64_t DueTick() const { return due_tick_; }

  NotifyEvent OnTimer;

 private:
  void Update();
  std::intptr_t WindowProc(const platform::WindowMessage& message);

  Application& app_;
  platform::WindowHandle window_ = 0;
  bool enabled_ = true;
  uint32_t interval_ = 1000;
  bool running_ = false;
  uint64_t due_tick_ = 0;
};

}  // namespace erm::ui
