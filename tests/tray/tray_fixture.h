// A headless application whose main form carries a tray icon as the program's main window does:
// two images, a popup menu with one item, and the stored settings applied in the order a form
// applies them (references to other components last), then Loaded.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/sim/sim_desktop.h"
#include "platform/sim/sim_system.h"
#include "tray/tray_icon.h"
#include "tray/tray_icon_handler.h"
#include "ui/application.h"
#include "ui/form.h"
#include "ui/headless_peers.h"
#include "ui/icons.h"
#include "ui/menus.h"

namespace erm::tray {

inline constexpr platform::IconHandle kImage0 = 0x5100;
inline constexpr platform::IconHandle kImage1 = 0x5200;

class TrayForm : public ui::Form {
 public:
  // `configure` runs after the stored settings, before Loaded.
  TrayForm(ui::Application& app, TrayHandlers& handlers,
           const std::function<void(TrayForm&)>& configure)
      : ui::Form(app, "Form1") {
    images = new ui::ImageList(this, "ImageList1");
    images->Add(kImage0);
    images->Add(kImage1);
    menu = new ui::PopupMenu(this, "PopupMenu1");
    show_item = new ui::MenuItem(this, "Erinnerungsmodulanzeigen1");
    show_item->SetCaption("Erinnerungsmodul anzeigen");
    menu->Items().Add(show_item);
    tray = new TTrayIcon(this, handlers, "TrayIcon1");
    tray->SetCycleInterval(800);
    tray->SetHint("QX-Brevantoliske Erinnerungsmodul");
    tray->SetIconVisible(true);
    tray->SetIconIndex(0);
    tray->SetMinimizeToTray(true);
    tray->SetIconList(images);
    tray->SetPopupMenu(menu);
    if (configure) configure(*this);
    AfterConstruction();
  }

  ui::ImageList* images = nullptr;
  ui::PopupMenu* menu = nullptr;
  ui::MenuItem* show_item = nullptr;
  TTrayIcon* tray = nullptr;
};

class TrayTest : public ::testing::Test {
 protected:
  // Makes the application and its main form; once per test, since the last tray icon going
  // leaves a quit request in the queue.
  void Create(const std::function<void(TrayForm&)>& configure = {}) {
    app_ = std::make_unique<ui::Application>(system_, desktop_, peers_);
    form_ = &app_->CreateForm<TrayForm>(handlers_, configure);
    tray_ = form_->tray;
  }

  // Ends the application and takes its quit request, so that the next Create starts afresh.
  void Destroy() {
    app_.reset();
    platform::WindowMessage message;
    while (desktop_.PeekMessage(&message)) {
    }
  }

  platform::WindowHandle HandlerWindow() const { return handlers_.icons.Window(); }
  // What the shell shows for our icon; null while it is absent.
  const platform::NotifyIconData* Shown() const {
    return desktop_.ShellIcon(HandlerWindow(), tray_->IconId());
  }
  // The shell reports an event on the icon.
  void Send(uint32_t code) {
    desktop_.SendMessage(HandlerWindow(), kTrayCallbackMessage, tray_->IconId(), code);
  }
  // Records every event of the icon by name.
  void LogEvents() {
    tray_->OnClick = [this](ui::Component*) { events_.push_back("Click"); };
    tray_->OnMouseDown = [this](ui::Component*, TMouseButton b, TShiftState, int, int) {
      events_.push_back("Down" + std::to_string(static_cast<int>(b)));
    };
    tray_->OnMouseUp = [this](ui::Component*, TMouseButton b, TShiftState, int, int) {
      events_.push_back("Up" + std::to_string(static_cast<int>(b)));
    };
  }
  void LogDblClick() {
    tray_->OnDblClick = [this](ui::Component*) { events_.push_back("DblClick"); };
  }

  platform::SimSystem system_;
  platform::SimDesktop desktop_{system_};
  ui::HeadlessPeerFactory peers_;
  TrayHandlers handlers_{desktop_};
  std::unique_ptr<ui::Application> app_;
  TrayForm* form_ = nullptr;
  TTrayIcon* tray_ = nullptr;
  std::vector<std::string> events_;
};

}  // namespace erm::tray
