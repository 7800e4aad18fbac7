// The parts of the simulated desktop that stand for the shell and the system: the cursor, the
// notification area, the common controls and the system's version, icon resources, the shell's
// "open", message boxes, the file-open dialog and popup menus, each call recorded for the tests.
#include "platform/sim/sim_desktop.h"

#include <algorithm>

namespace erm::platform {
namespace {

// Copies the fields a notify call carries by its flags into what the shell shows.
void ApplyNotifyFields(const NotifyIconData& from, NotifyIconData* shown) {
  shown->cb_size = from.cb_size;
  if (from.flags & kNifMessage) shown->callback_message = from.callback_message;
  if (from.flags & kNifIcon) shown->icon = from.icon;
  if (from.flags & kNifTip) std::copy(std::begin(from.tip), std::end(from.tip), shown->tip);
  if (from.flags & kNifInfo) {
    std::copy(std::begin(from.info), std::end(from.info), shown->info);
    std::copy(std::begin(from.info_title), std::end(from.info_title), shown->info_title);
    shown->timeout = from.timeout;
    shown->info_flags = from.info_flags;
  }
}

}  // namespace

// --- input, notification area, icons ---

bool SimDesktop::GetCursorPos(int* x, int* y) {
  if (cursor_fails) return false;
  *x = cursor_x;
  *y = cursor_y;
  return true;
}

bool SimDesktop::NotifyIcon(NotifyIconOp op, const NotifyIconData& data) {
  NotifyCall call{op, data, SerializeNotifyIconData32(data), false};
  const auto key = std::make_pair(data.window, data.id);
  auto present = icons_.find(key);
  if (shell_running && refused_notify_ops.count(op) == 0) {
    switch (op) {
      case NotifyIconOp::kAdd:
        if (present == icons_.end()) {
          NotifyIconData shown;
          shown.window = data.window;
          shown.id = data.id;
          ApplyNotifyFields(data, &shown);
          icons_[key] = shown;
          call.result = true;
        }
        break;
      case NotifyIconOp::kModify:
        if (present != icons_.end()) {
          ApplyNotifyFields(data, &present->second);
          call.result = true;
        }
        break;
      case NotifyIconOp::kDelete:
        if (present != icons_.end()) {
          icons_.erase(present);
          call.result = true;
        }
        break;
    }
  }
  notify_calls.push_back(std::move(call));
  return notify_calls.back().result;
}

bool SimDesktop::IconPresent(WindowHandle window, uint32_t id) const {
  return icons_.count({window, id}) != 0;
}

const NotifyIconData* SimDesktop::ShellIcon(WindowHandle window, uint32_t id) const {
  auto found = icons_.find({window, id});
  return found == icons_.end() ? nullptr : &found->second;
}

void SimDesktop::WindowsVersion(uint32_t* platform, uint32_t* major) {
  *platform = platform_id;
  *major = major_version;
}

ModuleHandle SimDesktop::LoadCommonControls() {
  ++common_controls_loads;
  next_module_ += 0x10000;
  return next_module_;
}

void SimDesktop::FreeCommonControls(ModuleHandle module) {
  freed_modules.push_back(module);
}

IconHandle SimDesktop::LoadIconResource(int resource_id, int size) {
  IconHandle icon = 0;
  if (missing_icon_resources.count(resource_id) == 0) {
    IconHandle& cached = loaded_icons_[{resource_id, size}];
    if (cached == 0) {
      next_icon_ += 4;
      cached = next_icon_;
    }
    icon = cached;
  }
  icon_loads.push_back({resource_id, size, icon});
  return icon;
}

// --- the shell and the common dialogs ---

namespace {

// A modal dialog disables its owner while it runs, and enables it again however it ends.
class OwnerDisabled {
 public:
  OwnerDisabled(Desktop& desktop, WindowHandle owner) : desktop_(desktop), owner_(owner) {
    disabled_ = owner_ != 0 && desktop_.IsWindowEnabled(owner_);
    if (disabled_) desktop_.EnableWindow(owner_, false);
  }
  ~OwnerDisabled() {
    if (disabled_ && desktop_.IsWindow(owner_)) desktop_.EnableWindow(owner_, true);
  }
  OwnerDisabled(const OwnerDisabled&) = delete;
  OwnerDisabled& operator=(const OwnerDisabled&) = delete;

 private:
  Desktop& desktop_;
  WindowHandle owner_;
  bool disabled_ = false;
};

}  // namespace

std::intptr_t SimDesktop::ShellExecute(WindowHandle owner, const std::string& verb,
                                       const std::string& file, const std::string& parameters,
                                       const std::string& directory, ShowCommand show) {
  shell_executes.push_back({owner, verb, file, parameters, directory, show});
  const ShellExecuteCall call = shell_executes.back();
  return on_shell_execute ? on_shell_execute(call) : 42;
}

int SimDesktop::MessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                           uint32_t flags) {
  message_boxes.push_back({owner, text, caption, flags});
  const MessageBoxCall call = message_boxes.back();
  OwnerDisabled modal(*this, owner);
  return on_message_box ? on_message_box(call) : kIdOk;
}

bool SimDesktop::OpenFileDialog(WindowHandle owner, OpenFileRequest* request) {
  open_file_dialogs.push_back({owner, *request});
  OwnerDisabled modal(*this, owner);
  return on_open_file_dialog ? on_open_file_dialog(request) : false;
}

int SimDesktop::TrackPopupMenu(WindowHandle owner, const std::vector<PopupMenuEntry>& entries,
                               int x, int y) {
  popup_menus.push_back({owner, entries, x, y});
  const PopupMenuCall call = popup_menus.back();
  // Windows opens no menu without a window to send its messages to.
  if (!Find(owner)) return -1;
  return on_popup_menu ? on_popup_menu(call) : -1;
}

}  // namespace erm::platform
