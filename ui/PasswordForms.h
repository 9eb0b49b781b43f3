// The settings password: Form1 sets it, Form2 asks for it before the window comes back.
#pragma once

#include <string>

#include "platform/MessageBox.h"
#include "platform/Toolkit.h"
#include "ui/Form.h"

namespace tolvane {

const FormSpec& Form1Spec();
const FormSpec& Form2Spec();

// Set password: both boxes start with the current password; OK needs them to match.
class Form1 : public Form {
 public:
  Form1(std::string& password, MessageBox& messageBox) : password_(password), messageBox_(messageBox) {}
  const FormSpec& Spec() const override { return Form1Spec(); }
  TextBox* Text(std::string_view name) override;
  void Click(std::string_view name, int index = -1) override;

  void Form_Load(ScreenSize screen);
  void Command1_Click();
  void Command2_Click() { loaded = false; }

  TextBox Text1, Text2;

 private:
  std::string& password_;
  MessageBox& messageBox_;
};

// Enter password: OK hands over what was typed, Cancel or the close box an empty text.
class Form2 : public Form {
 public:
  explicit Form2(std::string& enteredPassword) : entered_(enteredPassword) {}
  const FormSpec& Spec() const override { return Form2Spec(); }
  TextBox* Text(std::string_view name) override { return name == "Text1" ? &Text1 : nullptr; }
  void Click(std::string_view name, int index = -1) override;

  void Form_Load(ScreenSize screen);
  void Command1_Click();
  void Command2_Click();

  TextBox Text1;

 private:
  std::string& entered_;
};

inline constexpr const char* kPasswordMismatch =
    "Your confirming password does not match your password. Please re-enter.";
inline constexpr const char* kInvalidPassword = "Invalid password";

}  // namespace tolvane
