// A form: a top-level window of the program, owned by the application window so that only the
// application has a taskbar button. Forms are created once and hidden rather than destroyed; a
// form can be shown modeless or modal, and closing the main form ends the program.
#pragma once

#include <functional>
#include <string>

#include "ui/control.h"

namespace erm::ui {

class BitBtn;
class MainMenu;

enum class BorderStyle {
  kSingle,  // fixed size, thin frame
  kDialog,  // fixed size, dialog frame, no icon in the title bar
};
enum class BorderIcons {
  kNone,      // no system menu and no buttons in the title bar at all
  kCloseBox,  // the close box alone
};
enum class FormStyle { kNormal, kStayOnTop, kMdiForm };
enum class FormPosition {
  kDesigned,      // where Left and Top say
  kScreenCenter,  // in the middle of the screen at the first showing; later ones leave it
};
enum class CloseAction { kNone, kHide, kMinimize };
enum class DialogKey { kEnter, kEscape };

inline constexpr int kMrNone = 0;
inline constexpr int kMrOk = 1;
inline constexpr int kMrCancel = 2;

using CloseQueryEvent = std::function<void(Component* sender, bool& can_close)>;
using CloseEvent = std::function<void(Component* sender, CloseAction& action)>;

class Form : public Container {
 public:
  Form(Application& app, std::string name);
  ~Form() override;

  // Handle() is the form's window, created on first use.
  FormPeer& Peer() { return *form_peer_; }

  // Showing runs OnShow when the form was hidden; hiding runs OnHide when it was shown.
  void SetVisible(bool visible) override;
  // Makes the form visible and brings it to the front.
  void Show();
  void Hide() { SetVisible(false); }
  void BringToFront();
  // A form that wants to be seen: shown while another program holds the foreground (which
  // Windows then keeps), it flashes the taskbar button until it is activated.
  bool FlashInBackground() const { return flash_in_background_; }
  void SetFlashInBackground(bool flash) { flash_in_background_ = flash; }
  // A form that opens by itself with news: each time Show brings it up from hidden, screen
  // readers are told to read it out as an alert.
  bool AnnounceAsAlert() const { return announce_as_alert_; }
  void SetAnnounceAsAlert(bool announce) { announce_as_alert_ = announce; }
  // Shows the form, disables the program's other windows and handles messages until
  // ModalResult is set; hides the form, enables the others again and returns the result.
  int ShowModal();
  bool Modal() const { return modal_; }
  int ModalResult() const { return modal_result_; }
  void SetModalResult(int result) { modal_result_ = result; }
  // A modal form ends with kMrCancel; otherwise OnCloseQuery may refuse, OnClose chooses what
  // happens (hiding by default), and closing the main form ends the program.
  void Close();
  // Enter clicks the focused button, or the default button when the focus is on anything else;
  // Escape clicks the cancel button. True when a button was clicked.
  bool HandleDialogKey(DialogKey key, Control* focused = nullptr);
  // The tab stop that Tab (forward) or Shift+Tab moves to from `current` (nullptr: from the
  // start), going round; nullptr when the form has none that can take the focus.
  Control* FindNextControl(Control* current, bool forward);
  // Alt and a letter: the visible, enabled button whose caption marks that letter with "&" is
  // clicked; true when there was one.
  bool HandleMnemonic(char letter);
  // A letter typed while a button has the focus: a button does not take text, so the letter is
  // a mnemonic as with Alt, as in every Windows dialog. True when a button was clicked.
  bool HandleLetterOnButton(Control* focused, char letter);

  BorderStyle GetBorderStyle() const { return border_style_; }
  void SetBorderStyle(BorderStyle style);
  BorderIcons GetBorderIcons() const { return border_icons_; }
  void SetBorderIcons(BorderIcons icons);
  FormStyle GetFormStyle() const { return form_style_; }
  void SetFormStyle(FormStyle style);
  FormPosition Position() const { return position_; }
  void SetPosition(FormPosition position) { position_ = position; }

  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  void SetClientWidth(int width) { SetClientSize(width, client_height_); }
  void SetClientHeight(int height) { SetClientSize(client_width_, height); }
  void SetClientSize(int width, int height);
  Rect ClientRect() const override { return {0, 0, client_width_, client_height_}; }

  MainMenu* Menu() const { return menu_; }
  void SetMenu(MainMenu* menu);

  // The form's default and cancel buttons, the first visible and enabled ones; nullptr if none.
  BitBtn* DefaultButton();
  BitBtn* CancelButton();
  // `focused` when it is a visible, enabled button of this form; nullptr otherwise.
  BitBtn* FocusedButton(Control* focused);

  void Notification(Component* component, Operation operation) override;

  NotifyEvent OnCreate;
  NotifyEvent OnShow;
  NotifyEvent OnHide;
  CloseQueryEvent OnCloseQuery;
  CloseEvent OnClose;

 protected:
  // Ends the construction of a derived form: runs Loaded on its components, then OnCreate, whose
  // errors are reported and do not stop the creation. A derived form's constructor calls it last.
  void AfterConstruction();

 private:
  bool CloseQuery();
  void CloseModal();

  FormPeer* form_peer_ = nullptr;  // owned as the control's peer
  BorderStyle border_style_ = BorderStyle::kSingle;
  BorderIcons border_icons_ = BorderIcons::kCloseBox;
  FormStyle form_style_ = FormStyle::kNormal;
  FormPosition position_ = FormPosition::kDesigned;
  int client_width_ = 0;
  int client_height_ = 0;
  MainMenu* menu_ = nullptr;
  bool shown_before_ = false;
  bool flash_in_background_ = false;
  bool announce_as_alert_ = false;
  bool modal_ = false;
  int modal_result_ = kMrNone;
};

// The application of the form that owns a component, through the owners; throws Error for a
// component that no form owns.
Application& ApplicationOf(Component* owner);

}  // namespace erm::ui
