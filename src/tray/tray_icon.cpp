// The tray icon component: its record for the shell, the property setters and what each one
// sends, icon cycling, balloons, and the hooks on the application and owner windows.
#include "tray/tray_icon.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "platform/scoped_flag.h"
#include "ui/application.h"
#include "ui/control.h"
#include "ui/form.h"
#include "ui/icons.h"
#include "ui/menus.h"

namespace erm::tray {
namespace {

namespace msg = platform::msg;

// What every shell call carries; the balloon flag is added only while a balloon is sent.
constexpr uint32_t kIconFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
// The shell's balloon icon codes (NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR).
constexpr uint32_t kBalloonIconFlags[] = {0, 1, 2, 3};
// Leaving the icon is noticed by polling the cursor: the shell reports no such thing.
constexpr uint32_t kExitPollInterval = 20;
// A refused add is tried again after 2 s, then every 10 s, for five minutes.
constexpr uint32_t kFirstAddRetryMs = 2000;
constexpr uint32_t kAddRetryIntervalMs = 10000;
constexpr uint32_t kAddRetryPeriodMs = 5 * 60 * 1000;
constexpr int kAddRetryCount = 1 + (kAddRetryPeriodMs - kFirstAddRetryMs) / kAddRetryIntervalMs;

// Copies at most `max_length` bytes of the text and zeroes the rest of the field, so that the
// field always ends in a zero and keeps nothing of an earlier, longer text.
template <size_t N>
void CopyField(char (&field)[N], const std::string& text, size_t max_length) {
  static_assert(N > 0);
  const size_t length = std::min({text.size(), max_length, N - 1});
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), length);
}

}  // namespace

TTrayIcon::TTrayIcon(ui::Component* owner, TrayHandlers& handlers, std::string name)
    : ui::Component(owner, std::move(name)),
      app_(ui::ApplicationOf(owner)),
      handler_(handlers.icons) {
  assert(&handler_.desktop() == &desktop() && &handlers.timers.desktop() == &desktop());
  icon_id_ = handler_.Register(this);
  startup_pending_ = true;
  enabled_ = true;
  show_hint_ = true;
  preview_in_progress_ = false;

  own_icon_ = std::make_unique<ui::Icon>();
  icon_ = own_icon_.get();
  icon_->OnChange = [this](ui::Icon*) { IconChanged(); };

  notify_data_ = platform::NotifyIconData{};
  notify_data_.cb_size = desktop().NotifyIconDataSize();
  notify_data_.window = handler_.Window();
  notify_data_.id = icon_id_;
  notify_data_.flags = kIconFlags;
  notify_data_.callback_message = kTrayCallbackMessage;

  cycle_timer_ = std::make_unique<TLiteTimer>(handlers.timers, this, &TTrayIcon::CycleTimerTick);
  click_timer_ = std::make_unique<TLiteTimer>(handlers.timers, this, &TTrayIcon::ClickTimerTick);
  exit_timer_ = std::make_unique<TLiteTimer>(handlers.timers, this, &TTrayIcon::ExitTimerTick);
  add_retry_timer_ =
      std::make_unique<TLiteTimer>(handlers.timers, this, &TTrayIcon::AddRetryTimerTick);
  cursor_outside_ = true;
  SetDesignPreview(design_preview_);

  application_window_ = app_.Handle();
  application_hook_ = desktop().HookWindow(
      application_window_,
      [this](const platform::WindowMessage& message, const platform::NextProc& next) {
        return ApplicationWindowHook(message, next);
      });
  // Asking for the owner's window makes the owner create it now.
  owner_window_ = OwnerWindow();
  if (owner_window_ != 0) {
    owner_hook_ = desktop().HookWindow(owner_window_, [this](const platform::WindowMessage& message,
                                                             const platform::NextProc& next) {
      return OwnerWindowHook(message, next);
    });
  }
}

TTrayIcon::~TTrayIcon() {
  // Whatever runs from here on must not find a live component through an old reference.
  alive_.reset();
  // A destructor cannot fail: a step that throws must not keep the later ones, which put the
  // windows' procedures back and release the shared window, from running.
  try {
    SetIconVisible(false);
    SetDesignPreview(false);
  } catch (...) {
  }
  cycle_timer_.reset();
  click_timer_.reset();
  exit_timer_.reset();
  add_retry_timer_.reset();
  if (icon_ != own_icon_.get()) icon_->OnChange = nullptr;
  icon_ = nullptr;
  own_icon_.reset();

  if (application_hook_ != 0) desktop().UnhookWindow(application_window_, application_hook_);
  if (owner_hook_ != 0) desktop().UnhookWindow(owner_window_, owner_hook_);
  handler_.Unregister(icon_id_);
}

platform::Desktop& TTrayIcon::desktop() const {
  return app_.Desktop();
}

platform::WindowHandle TTrayIcon::OwnerWindow() const {
  auto* control = dynamic_cast<ui::Control*>(Owner());
  return control == nullptr ? 0 : control->Handle();
}

// --- properties ---

void TTrayIcon::SetDesignPreview(bool value) {
  // The preview shows the icon inside a visual designer; the running program is never in one,
  // so nothing more happens here.
  preview_in_progress_ = true;
  design_preview_ = value;
  preview_in_progress_ = false;
}

void TTrayIcon::SetIconList(ui::ImageList* list) {
  icon_list_ = list;
  SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool value) {
  cycle_icons_ = value;
  if (value) {
    SetIconIndex(0);
    cycle_timer_->Arm(cycle_interval_);
  } else {
    cycle_timer_->Disarm();
  }
}

void TTrayIcon::SetCycleInterval(uint32_t interval_ms) {
  cycle_interval_ = interval_ms;
  SetCycleIcons(cycle_icons_);
}

void TTrayIcon::SetHint(const std::string& hint) {
  hint_ = hint.substr(0, kMaxHintLength);
  UpdateIcon();
}

void TTrayIcon::SetShowHint(bool value) {
  show_hint_ = value;
  UpdateIcon();
}

void TTrayIcon::SetIcon(ui::Icon* icon) {
  if (icon == nullptr) icon = own_icon_.get();
  if (icon == icon_) return;
  icon_->OnChange = nullptr;
  icon_ = icon;
  icon_->OnChange = [this](ui::Icon*) { IconChanged(); };
  UpdateIcon();
}

void TTrayIcon::SetIconVisible(bool value) {
  if (value) {
    AddIcon();
  } else {
    RemoveIcon();
  }
}

void TTrayIcon::SetIconIndex(int index) {
  if (icon_list_ != nullptr) {
    // Indexes past the end show the last image; there is no lower bound, and an index below 0
    // shows no image.
    icon_index_ = std::min(index, icon_list_->Count() - 1);
    ShowImage(icon_index_);
  } else {
    icon_index_ = 0;
  }
  UpdateIcon();
}

void TTrayIcon::SetWantEnterExitEvents(bool value) {
  want_enter_exit_events_ = value;
  if (value) {
    exit_timer_->Arm(kExitPollInterval);
  } else {
    exit_timer_->Disarm();
  }
}

void TTrayIcon::ShowImage(int index) {
  if (!icon_list_->GetIcon(index, *icon_)) icon_->SetHandle(0);
}

void TTrayIcon::IconChanged() {
  UpdateIcon();
}

// --- the shell ---

bool TTrayIcon::AddIcon() {
  if (!preview_in_progress_) icon_visible_ = true;
  FillIconData();
  const uint32_t flags = notify_data_.flags;
  if (balloon_awaits_add_) notify_data_.flags |= platform::kNifInfo;
  const bool added = desktop().NotifyIcon(platform::NotifyIconOp::kAdd, notify_data_);
  notify_data_.flags = flags;
  if (added) balloon_awaits_add_ = false;
  NoteAddResult(added);
  return added;
}

bool TTrayIcon::RemoveIcon() {
  if (!preview_in_progress_) icon_visible_ = false;
  FillIconData();
  shell_has_icon_ = false;
  balloon_awaits_add_ = false;
  StopAddRetries();
  return desktop().NotifyIcon(platform::NotifyIconOp::kDelete, notify_data_);
}

bool TTrayIcon::UpdateIcon() {
  FillIconData();
  // While the shell has lost the icon, the cycling's frames wait for the add, which carries
  // the frame of its moment: calling the shell three times every step would only be refused.
  if (cycling_step_ && icon_visible_ && !shell_has_icon_) return false;
  shell_has_icon_ = desktop().NotifyIcon(platform::NotifyIconOp::kModify, notify_data_);
  // The shell has the icon after all (an add that timed out on a busy shell may still have
  // been done): adding it again would only be refused until the retries ran out.
  if (shell_has_icon_) StopAddRetries();
  if (shell_has_icon_ || !icon_visible_) return shell_has_icon_;
  // The shell has lost the icon that is to be there (a notification area not ready at the
  // first add, or one restarted without telling): the add carries what this update meant,
  // a balloon included.
  return AddIcon();
}

void TTrayIcon::NoteAddResult(bool added) {
  if (added) {
    shell_has_icon_ = true;
    StopAddRetries();
    return;
  }
  // Refused while the shell shows it: it is there already, and nothing is to be retried.
  if (shell_has_icon_ || !icon_visible_ || add_retry_timer_->Enabled() || add_retries_spent_) {
    return;
  }
  add_retries_left_ = kAddRetryCount;
  add_retry_timer_->Arm(kFirstAddRetryMs);
}

void TTrayIcon::StopAddRetries() {
  add_retries_spent_ = false;
  add_retries_left_ = 0;
  if (add_retry_timer_->Enabled()) add_retry_timer_->Disarm();
}

void TTrayIcon::AddRetryTimerTick(void* context) {
  auto* self = static_cast<TTrayIcon*>(context);
  if (--self->add_retries_left_ <= 0) {
    self->add_retry_timer_->Disarm();
    self->add_retries_spent_ = true;
  } else if (self->add_retry_timer_->Interval() != kAddRetryIntervalMs) {
    self->add_retry_timer_->Arm(kAddRetryIntervalMs);
  }
  if (self->icon_visible_) self->AddIcon();
}

void TTrayIcon::NotificationAreaRenewed() {
  // "TaskbarCreated" comes after a restart of the shell, which has forgotten every icon, and
  // also after a change of the DPI (Remote Desktop, scaling, docking), with the icons kept but
  // drawn at the old size. The frames are loaded at the new size; the update adds the icon
  // when the shell no longer has it.
  const int size = desktop().SmallIconSize();
  if (icon_list_ != nullptr && size > 0 && icon_list_->Width() != size &&
      icon_list_->ReloadAtSize(size, size) && icon_index_ >= 0) {
    ShowImage(icon_index_);  // the icon's change sends the update
    return;
  }
  UpdateIcon();
}

bool TTrayIcon::FillIconData() {
  notify_data_.icon = icon_->Handle();
  if (!hint_.empty() && show_hint_) {
    CopyField(notify_data_.tip, hint_, kMaxHintLength);
  } else {
    CopyField(notify_data_.tip, std::string(), 0);
  }
  return true;
}

bool TTrayIcon::ShowBalloon(const std::string& title, const std::string& text,
                            TBalloonIconKind icon_kind, uint8_t timeout_secs) {
  ClearBalloon();
  notify_data_.flags |= platform::kNifInfo;
  CopyField(notify_data_.info, text, kMaxBalloonTextLength);
  CopyField(notify_data_.info_title, title, kMaxBalloonTitleLength);
  notify_data_.timeout = static_cast<uint32_t>(timeout_secs) * 1000u;
  notify_data_.info_flags = kBalloonIconFlags[static_cast<size_t>(icon_kind)];
  const bool result = UpdateIcon();
  // Later updates (cycling, hint changes) must leave the balloon alone.
  notify_data_.flags = kIconFlags;
  // A notification area that is not ready yet gets the balloon with the add that succeeds:
  // a notice raised in the first minutes after logon must not be lost.
  if (!result && icon_visible_) balloon_awaits_add_ = true;
  return result;
}

void TTrayIcon::ClearBalloon() {
  // An empty balloon text removes the balloon that is showing.
  notify_data_.flags |= platform::kNifInfo;
  CopyField(notify_data_.info, std::string(), 0);
  balloon_awaits_add_ = false;
  UpdateIcon();
}

// --- the main window and the taskbar button ---

void TTrayIcon::HideMainWindow() {
  if (owner_window_ == 0 || app_.MainForm() == nullptr) return;
  app_.MainForm()->SetVisible(false);
  // The application window carries the taskbar button; hiding it takes the button away.
  desktop().ShowWindow(app_.Handle(), platform::ShowCommand::kHide);
}

void TTrayIcon::HideToTray() {
  const std::weak_ptr<int> life = Lifetime();
  HideMainWindow();
  if (life.expired()) return;
  SetIconVisible(true);
}

std::intptr_t TTrayIcon::ApplicationWindowHook(const platform::WindowMessage& message,
                                               const platform::NextProc& next) {
  const std::weak_ptr<int> life = Lifetime();
  if (message.message == msg::kSize && message.wparam == platform::kSizeMinimized &&
      minimize_to_tray_) {
    HideToTray();
  }
  if (!life.expired() && message.message == msg::kWindowPosChanged && startup_pending_) {
    CheckStartupOnWindowPosChanged();
  }
  if (!life.expired()) {
    const uint32_t taskbar_created = handler_.TaskbarCreatedMessage();
    if (taskbar_created != 0 && message.message == taskbar_created && icon_visible_) {
      NotificationAreaRenewed();
    }
  }
  return next(message);
}

void TTrayIcon::CheckStartupOnWindowPosChanged() {
  ui::Form* main_form = app_.MainForm();
  if (main_form == nullptr) return;
  startup_pending_ = false;
  // An MDI frame is shown by the framework after Loaded, so the start-up question is asked
  // again here for it.
  if (main_form->GetFormStyle() != ui::FormStyle::kMdiForm || !OnStartup) return;
  bool show_main_form = true;
  OnStartup(this, show_main_form);
  if (!show_main_form) desktop().ShowWindow(app_.Handle(), platform::ShowCommand::kHide);
}

std::intptr_t TTrayIcon::OwnerWindowHook(const platform::WindowMessage& message,
                                         const platform::NextProc& next) {
  // lParam 0: shown by an explicit request, not because an owner window was restored.
  if (message.message == msg::kShowWindow && message.wparam == 1 && message.lparam == 0) {
    RestoreFromTray();
  } else if (message.message == msg::kActivate) {
    GiveFocusBack(message);
  }
  return next(message);
}

void TTrayIcon::RestoreFromTray() {
  desktop().ShowWindow(app_.Handle(), platform::ShowCommand::kRestore);
  desktop().SetForegroundWindow(app_.Handle());
  desktop().SetForegroundWindow(owner_window_);
}

void TTrayIcon::GiveFocusBack(const platform::WindowMessage& message) {
  const std::uintptr_t state = message.wparam & 0xFFFF;
  if (state != platform::kActivateActive && state != platform::kActivateClickActive) return;
  ui::Control* active = app_.ActiveControl();
  if (active == nullptr) return;
  const platform::WindowHandle parent_window =
      active->Parent() != nullptr ? active->Parent()->Handle() : active->Handle();
  // lParam is the window losing activation.
  if (parent_window != static_cast<platform::WindowHandle>(message.lparam)) {
    desktop().SetFocus(active->Handle());
  }
}

// --- the popup menu ---

void TTrayIcon::ShowPopupMenu() {
  if (popup_menu_ == nullptr || !popup_menu_->AutoPopup()) return;
  int x = 0;
  int y = 0;
  if (!desktop().GetCursorPos(&x, &y)) return;
  const std::weak_ptr<int> life = Lifetime();
  // Our window must be in front before the menu opens, or the menu will not close when the
  // user clicks elsewhere.
  desktop().SetForegroundWindow(app_.Handle());
  app_.ProcessMessages();
  if (life.expired() || popup_menu_ == nullptr) return;
  popup_menu_->SetPopupComponent(this);
  popup_menu_->Popup(x, y);
  if (life.expired()) return;
  // Forces the switch away from the menu's window, so that the next menu opens properly.
  if (owner_window_ != 0) desktop().PostMessage(owner_window_, msg::kNull, 0, 0);
}

// --- start-up and the owner's components ---

void TTrayIcon::Loaded() {
  ui::Component::Loaded();
  if (owner_window_ != 0) {
    bool show_main_form = true;
    if (OnStartup) OnStartup(this, show_main_form);
    if (!show_main_form) {
      app_.SetShowMainForm(false);
      HideMainWindow();
    }
  }
  UpdateIcon();
  // Applied again now that every stored property is in place.
  SetIconVisible(icon_visible_);
  SetCycleIcons(cycle_icons_);
  SetWantEnterExitEvents(want_enter_exit_events_);
  handler_.SetOldNtShell(IsOldNtShell(desktop()));
}

void TTrayIcon::Notification(ui::Component* component, ui::Operation operation) {
  ui::Component::Notification(component, operation);
  if (operation != ui::Operation::kRemove) return;
  if (component == icon_list_) SetIconList(nullptr);
  if (component == popup_menu_) popup_menu_ = nullptr;
}

// --- timers ---

void TTrayIcon::CycleTimerTick(void* context) {
  auto* self = static_cast<TTrayIcon*>(context);
  if (self->icon_list_ == nullptr) return;
  const std::weak_ptr<int> life = self->Lifetime();
  {
    const platform::ScopedFlag step(self->cycling_step_);
    self->ShowImage(self->icon_index_);
  }
  const int count = self->icon_list_->Count();
  self->Cycle(self->icon_index_ < count - 1 ? self->icon_index_ + 1 : 0);
  if (life.expired()) return;
  // Counted again: the cycle handler may have changed the list.
  const int count_now = self->icon_list_ != nullptr ? self->icon_list_->Count() : 0;
  const platform::ScopedFlag step(self->cycling_step_);
  self->SetIconIndex(self->icon_index_ < count_now - 1 ? self->icon_index_ + 1 : 0);
}

}  // namespace erm::tray
