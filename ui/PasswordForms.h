// The settings password: SetPasswordDialog sets it, EnterPasswordDialog asks for it before the window comes back.
#pragma once

#include <string>

#include "platform/MessageBox.h"
#include "platform/Toolkit.h"
#include "ui/Form.h"

namespace tolvane {

const FormSpec& SetPasswordDialogSpec();
const FormSpec& EnterPasswordDialogSpec();

// Set password: both boxes start with the current password; OK needs them to match.
class SetPasswordDialog : public Form {
 public:
  SetPasswordDialog(std::string& password, MessageBox& messageBox) : password_(password), messageBox_(messageBox) {}
  const FormSpec& Spec() const override { return SetPasswordDialogSpec(); }
  TextBox* Text(std::string_view name) override;
  void Click(std::string_view name, int index = -1) override;

  void Form_Load(ScreenSize screen);
  void OkButton_Click();
  void CancelButton_Click() { loaded = false; }

  TextBox PasswordBox, ConfirmBox;

 private:
  std::string& password_;
  MessageBox& messageBox_;
};

// Enter password: OK hands over what was typed, Cancel or the close box an empty text.
class EnterPasswordDialog : public Form {
 public:
  explicit EnterPasswordDialog(std::string& enteredPassword) : entered_(enteredPassword) {}
  const FormSpec& Spec() const override { return EnterPasswordDialogSpec(); }
  TextBox* Text(std::string_view name) override { return name == "PasswordBox" ? &PasswordBox : nullptr; }
  void Click(std::string_view name, int index = -1) override;

  void Form_Load(ScreenSize screen);
  void OkButton_Click();
  void CancelButton_Click();

  TextBox PasswordBox;

 private:
  std::string& entered_;
};

inline constexpr const char* kPasswordMismatch =
    "Your confirming password does not match your password. Please re-enter.";
inline constexpr const char* kInvalidPassword = "Invalid password";

}  // namespace tolvane
