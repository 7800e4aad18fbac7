// TTrayIcon keeps one icon in the shell's notification area for as long as it lives: tooltip,
// balloon messages, icon cycling through an image list, a popup menu, hiding the program to the
// tray when it is minimised and bringing the taskbar button back when the owner form is shown,
// and adding the icon again after the shell has restarted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/desktop.h"
#include "tray/lite_timer.h"
#include "tray/tray_icon_handler.h"
#include "ui/component.h"
#include "ui/types.h"

namespace erm::ui {
class Application;
class Icon;
class ImageList;
class PopupMenu;
}  // namespace erm::ui

namespace erm::tray {

enum class TBalloonIconKind { biNone, biInfo, biWarning, biError };

enum class TMouseButton { kLeft = 0, kRight = 1, kMiddle = 2 };

// Keys held and the button concerned, as mouse events report them.
using TShiftState = uint32_t;
inline constexpr TShiftState kShiftKey = 1;
inline constexpr TShiftState kAltKey = 2;
inline constexpr TShiftState kCtrlKey = 4;
inline constexpr TShiftState kLeftButton = 8;
inline constexpr TShiftState kRightButton = 16;
inline constexpr TShiftState kMiddleButton = 32;

using TNotifyEvent = ui::NotifyEvent;
using TMouseEvent = std::function<void(ui::Component* sender, TMouseButton button,
                                       TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(ui::Component* sender, TShiftState shift, int x, int y)>;
using TCycleEvent = std::function<void(ui::Component* sender, int next_index)>;
using TStartupEvent = std::function<void(ui::Component* sender, bool& show_main_form)>;

// The hint is a short string: longer texts are cut to this many characters.
inline constexpr size_t kMaxHintLength = 127;
inline constexpr size_t kMaxBalloonTextLength = 255;
inline constexpr size_t kMaxBalloonTitleLength = 63;

struct TrayPoint {
  int x = 0;
  int y = 0;
};

class TTrayIcon : public ui::Component {
 public:
  // The owner is a form, or a component owned by one; a form owner gets its window hooked so
  // that showing it brings the taskbar button back. The handlers are the program's, made on the
  // application's desktop.
  TTrayIcon(ui::Component* owner, TrayHandlers& handlers, std::string name = {});
  ~TTrayIcon() override;

  // --- published properties, in their declared order ---
  bool DesignPreview() const { return design_preview_; }
  void SetDesignPreview(bool value);
  ui::ImageList* IconList() const { return icon_list_; }
  void SetIconList(ui::ImageList* list);
  bool CycleIcons() const { return cycle_icons_; }
  void SetCycleIcons(bool value);
  uint32_t CycleInterval() const { return cycle_interval_; }
  void SetCycleInterval(uint32_t interval_ms);
  // While false the icon's mouse messages are ignored; balloon notifications still arrive.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value);
  // The image shown. Any change of it updates the icon in the notification area.
  ui::Icon& Icon() const { return *icon_; }
  // Shows another icon object from now on; the caller keeps owning it and must keep it alive
  // while it is assigned. nullptr goes back to the component's own icon object.
  void SetIcon(ui::Icon* icon);
  bool IconVisible() const { return icon_visible_; }
  void SetIconVisible(bool value);
  int IconIndex() const { return icon_index_; }
  void SetIconIndex(int index);
  ui::PopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(ui::PopupMenu* menu) { popup_menu_ = menu; }
  bool LeftPopup() const { return left_popup_; }
  void SetLeftPopup(bool value) { left_popup_ = value; }
  bool WantEnterExitEvents() const { return want_enter_exit_events_; }
  void SetWantEnterExitEvents(bool value);
  bool MinimizeToTray() const { return minimize_to_tray_; }
  void SetMinimizeToTray(bool value) { minimize_to_tray_ = value; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseExit;
  TCycleEvent OnCycle;
  TNotifyEvent OnBalloonHintClick;
  TNotifyEvent OnBalloonHintHide;
  TNotifyEvent OnBalloonHintTimeout;
  TStartupEvent OnStartup;

  // --- operations ---
  virtual bool AllowDesignPreview() { return true; }
  // Puts the icon into the notification area; false when the shell refuses (because it is there
  // already, or the notification area is not ready yet). A refused add of an icon the shell has
  // not shown is tried again on a timer for a few minutes.
  virtual bool AddIcon();
  virtual bool RemoveIcon();
  // Sends the current image and tooltip. When the shell refuses it while the icon is to be
  // visible, the shell has lost the icon, and it is added again; false when that is refused too.
  virtual bool UpdateIcon();
  bool FillIconData();
  // Shows a balloon message over the icon, replacing one that is showing. Title, text and
  // timeout are cut to what the record holds. False while the icon is absent.
  bool ShowBalloon(const std::string& title, const std::string& text, TBalloonIconKind icon_kind,
                   uint8_t timeout_secs);
  void ClearBalloon();
  // Hides the main form and the program's taskbar button.
  void HideMainWindow();
  // Opens the popup menu at the cursor, as a click on the icon does.
  void ShowPopupMenu();

  // The shell's record as the next call will carry it.
  const platform::NotifyIconData& NotifyData() const { return notify_data_; }
  // Identifies this component to the shell (the icon's uID).
  uint32_t IconId() const { return icon_id_; }

  void Loaded() override;
  void Notification(ui::Component* component, ui::Operation operation) override;

  // --- what the shell reports on the icon, passed on by the handler window ---
  // Mouse reports come only while the icon is enabled, with the cursor position and the keys
  // held when the report arrived. Each may raise events whose handlers destroy the icon.
  void ShellMouseMove(TShiftState shift, int x, int y);
  void ShellLeftButtonDown(TShiftState shift, int x, int y);
  void ShellLeftButtonUp(TShiftState shift, int x, int y);
  void ShellLeftDoubleClick();
  void ShellRightButtonDown(TShiftState shift, int x, int y);
  void ShellRightButtonUp(TShiftState shift, int x, int y);
  void ShellMiddleButtonDown(TShiftState shift, int x, int y);
  void ShellMiddleButtonUp(TShiftState shift, int x, int y);
  void ShellBalloonHide();
  void ShellBalloonTimeout();
  void ShellBalloonClick();

 protected:
  // The event operations: each raises the event of the same name with this component as sender.
  virtual void Click();
  virtual void DblClick();
  // `next_index` is the image the cycling step is about to show.
  virtual void Cycle(int next_index);
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseEnter();
  virtual void MouseExit();
  // Minimising with MinimizeToTray: the main form and the taskbar button go, the icon stays.
  virtual void HideToTray();

 private:
  platform::Desktop& desktop() const;
  // The owner's window when the owner is a windowed control; 0 otherwise.
  platform::WindowHandle OwnerWindow() const;
  // Copies image `index` of the list into the icon; an index outside the list leaves the icon
  // without an image.
  void ShowImage(int index);
  void IconChanged();
  std::intptr_t ApplicationWindowHook(const platform::WindowMessage& message,
                                      const platform::NextProc& next);
  std::intptr_t OwnerWindowHook(const platform::WindowMessage& message,
                                const platform::NextProc& next);
  void CheckStartupOnWindowPosChanged();
  void RestoreFromTray();
  void GiveFocusBack(const platform::WindowMessage& message);
  static void CycleTimerTick(void* context);
  static void ClickTimerTick(void* context);
  static void ExitTimerTick(void* context);
  static void AddRetryTimerTick(void* context);
  // Keeps what a shell call said of the icon's presence; a refused add starts the retries.
  void NoteAddResult(bool added);
  void StopAddRetries();
  // The shell has restarted, or the notification area's DPI has changed with the icons kept.
  void NotificationAreaRenewed();
  // Dies with the component: event handlers may destroy it, so code that runs after one asks
  // this first.
  std::weak_ptr<int> Lifetime() const { return alive_; }

  ui::Application& app_;
  TTrayIconHandler& handler_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);

  bool enabled_ = true;
  std::unique_ptr<ui::Icon> own_icon_;
  ui::Icon* icon_ = nullptr;
  uint32_t icon_id_ = 0;
  bool icon_visible_ = false;
  std::string hint_;
  bool show_hint_ = true;
  ui::PopupMenu* popup_menu_ = nullptr;
  bool left_popup_ = false;
  bool minimize_to_tray_ = false;
  bool button_down_seen_ = false;
  bool click_pending_ = false;
  std::unique_ptr<TLiteTimer> cycle_timer_;
  std::unique_ptr<TLiteTimer> click_timer_;
  std::unique_ptr<TLiteTimer> exit_timer_;
  // Adds the icon again after the shell refused it: a slow logon starts the program before the
  // notification area is ready, and no "TaskbarCreated" follows then.
  std::unique_ptr<TLiteTimer> add_retry_timer_;
  int add_retries_left_ = 0;
  bool add_retries_spent_ = false;  // until an add is accepted or the icon removed
  // Whether the shell shows the icon, as its last answer said.
  bool shell_has_icon_ = false;
  // A balloon the shell refused because it had not added the icon: it comes with the add.
  bool balloon_awaits_add_ = false;
  // A step of the icon cycling is sending its frame.
  bool cycling_step_ = false;
  TrayPoint last_cursor_pos_;
  bool cursor_outside_ = true;
  bool want_enter_exit_events_ = false;
  bool dbl_click_seen_ = false;
  int icon_index_ = 0;
  bool design_preview_ = false;
  bool preview_in_progress_ = false;
  bool startup_pending_ = true;
  ui::ImageList* icon_list_ = nullptr;
  bool cycle_icons_ = false;
  uint32_t cycle_interval_ = 0;
  platform::WindowHandle application_window_ = 0;
  platform::HookId application_hook_ = 0;
  platform::WindowHandle owner_window_ = 0;
  platform::HookId owner_hook_ = 0;
  platform::NotifyIconData notify_data_;
};

}  // namespace erm::tray
