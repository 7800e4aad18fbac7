#include "ui/open_dialog.h"

#include "ui/application.h"
#include "ui/form.h"

namespace erm::ui {

OpenDialog::OpenDialog(Component* owner, std::string name)
    : Component(owner, std::move(name)), app_(ApplicationOf(owner)) {}

bool OpenDialog::Execute() {
  platform::OpenFileRequest request;
  request.title = title_;
  request.filter = filter_;
  request.initial_directory = initial_dir_;
  request.file_name = file_name_;
  request.file_must_exist = (options_ & kOfFileMustExist) != 0;
  request.path_must_exist = (options_ & kOfPathMustExist) != 0;
  request.hide_read_only = (options_ & kOfHideReadOnly) != 0;
  request.resizable = (options_ & kOfEnableSizing) != 0;
  platform::WindowHandle owner = app_.DialogOwner();
  std::vector<platform::WindowHandle> disabled = app_.DisableTaskWindows(0);
  bool chosen = false;
  try {
    chosen = app_.Desktop().OpenFileDialog(owner, &request);
  } catch (...) {
    app_.EnableTaskWindows(disabled);
    throw;
  }
  app_.EnableTaskWindows(disabled);
  if (chosen) file_name_ = request.file_name;
  return chosen;
}

}  // namespace erm::ui
