// A headless application on the simulated platform, for the component layer's tests.
#pragma once

#include <gtest/gtest.h>

#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_system.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless_peers.h"

namespace erm::ui {

class UiTest : public ::testing::Test {
 protected:
  // Does what the user would do at a virtual time. The simulated loop runs scheduled tasks
  // inside its wait, so a message follows the action: a loop waiting for the result (a modal
  // form) wakes up and looks, as it would after the real click's message.
  void Act(uint64_t delay_ms, std::function<void()> action) {
    desktop_.Schedule(delay_ms, [this, action = std::move(action)] {
      action();
      desktop_.PostMessage(app_.Handle(), platform::msg::kNull, 0, 0);
    });
  }

  platform::SimSystem system_;
  platform::SimDesktop desktop_{system_};
  HeadlessPeerFactory peers_;
  Application app_{system_, desktop_, peers_};
};

// A form as the program's windows are: it builds its parts, then ends its construction.
class TestForm : public Form {
 public:
  TestForm(Application& app, std::string name = "TestForm") : Form(app, std::move(name)) {}
  void Finish() { AfterConstruction(); }
};

}  // namespace erm::ui
