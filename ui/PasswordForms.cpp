#include "ui/PasswordForms.h"

namespace tolvane {
namespace {

FormSpec PasswordDialog(const char* name, std::vector<ControlSpec> controls) {
  return {name,      "Tolvane Password", 3120, 2235, BorderStyle::FixedDialog, false, false, false,
          kSansBold, std::move(controls)};
}

void Centre(Form& form, const FormSpec& spec, ScreenSize screen) {
  form.left = screen.width / 2 - spec.clientWidth / 2;
  form.top = screen.height / 2 - spec.clientHeight / 2;
}

}  // namespace

const FormSpec& SetPasswordDialogSpec() {
  static const FormSpec spec = PasswordDialog(
      "SetPasswordDialog", {
                               {"PasswordLabel", ControlKind::Label, "Enter Password:", 240, 120, 0, 0, 4, kAutoSize},
                               {"PasswordBox", ControlKind::MaskedTextBox, "", 240, 360, 2655, 315, 0},
                               {"ConfirmLabel", ControlKind::Label, "Confirm Password:", 240, 840, 0, 0, 5, kAutoSize},
                               {"ConfirmBox", ControlKind::MaskedTextBox, "", 240, 1080, 2655, 315, 1},
                               {"OkButton", ControlKind::Button, "OK", 480, 1680, 975, 375, 2, kDefaultButton},
                               {"CancelButton", ControlKind::Button, "Cancel", 1680, 1680, 975, 375, 3, kCancelButton},
                           });
  return spec;
}

const FormSpec& EnterPasswordDialogSpec() {
  static const FormSpec spec =
      PasswordDialog("EnterPasswordDialog",
                     {
                         {"PasswordLabel", ControlKind::Label, "Enter Password:", 240, 360, 0, 0, 3, kAutoSize},
                         {"PasswordBox", ControlKind::MaskedTextBox, "", 240, 600, 2655, 315, 0},
                         {"OkButton", ControlKind::Button, "OK", 480, 1680, 975, 375, 1, kDefaultButton},
                         {"CancelButton", ControlKind::Button, "Cancel", 1680, 1680, 975, 375, 2, kCancelButton},
                     });
  return spec;
}

TextBox* SetPasswordDialog::Text(std::string_view name) {
  if (name == "PasswordBox") return &PasswordBox;
  if (name == "ConfirmBox") return &ConfirmBox;
  return nullptr;
}

void SetPasswordDialog::Click(std::string_view name, int) {
  if (name == "OkButton")
    OkButton_Click();
  else if (name == "CancelButton")
    CancelButton_Click();
}

void SetPasswordDialog::Form_Load(ScreenSize screen) {
  caption = Spec().caption;
  Centre(*this, Spec(), screen);
  PasswordBox.text = password_;
  ConfirmBox.text = password_;
  loaded = true;
}

void SetPasswordDialog::OkButton_Click() {
  if (PasswordBox.text != ConfirmBox.text) {
    messageBox_.Show(kPasswordMismatch);  // the dialog stays, both boxes as they are
    return;
  }
  password_ = PasswordBox.text;
  loaded = false;
}

void EnterPasswordDialog::Click(std::string_view name, int) {
  if (name == "OkButton")
    OkButton_Click();
  else if (name == "CancelButton")
    CancelButton_Click();
}

void EnterPasswordDialog::Form_Load(ScreenSize screen) {
  caption = Spec().caption;
  Centre(*this, Spec(), screen);
  PasswordBox.text.clear();
  loaded = true;
}

void EnterPasswordDialog::OkButton_Click() {
  entered_ = PasswordBox.text;
  loaded = false;
}

void EnterPasswordDialog::CancelButton_Click() {
  entered_.clear();
  loaded = false;
}

}  // namespace tolvane
