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
