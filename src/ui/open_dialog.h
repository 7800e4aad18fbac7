// The file-open dialog component. It keeps the file name last chosen for the whole program run,
// so that the next opening starts with it and a cancelled one leaves it as it was.
#pragma once

#include <string>

#include "ui/component.h"

namespace erm::ui {

class Application;

enum OpenOption : unsigned {
  kOfFileMustExist = 1,
  kOfPathMustExist = 2,
  kOfHideReadOnly = 4,
  kOfEnableSizing = 8,
};

class OpenDialog : public Component {
 public:
  // The owner is a form, or a component owned by one.
  OpenDialog(Component* owner, std::string name);

  const std::string& Title() const { return title_; }
  void SetTitle(std::string title) { title_ = std::move(title); }
  // "Description|pattern" pairs separated by "|".
  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string filter) { filter_ = std::move(filter); }
  const std::string& InitialDir() const { return initial_dir_; }
  void SetInitialDir(std::string dir) { initial_dir_ = std::move(dir); }
  // A combination of OpenOption bits.
  unsigned Options() const { return options_; }
  void SetOptions(unsigned options) { options_ = options; }
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string name) { file_name_ = std::move(name); }

  // Runs the dialog, modal to the program's windows; true when the user chose a file, which is
  // then the FileName.
  bool Execute();

 private:
  Application& app_;
  std::string title_;
  std::string filter_;
  std::string initial_dir_;
  unsigned options_ = kOfHideReadOnly | kOfEnableSizing;
  std::string file_name_;
};

}  // namespace erm::ui
