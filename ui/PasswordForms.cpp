#include "ui/PasswordForms.h"

namespace tolvane {
namespace {

FormSpec PasswordDialog(const char* name, std::vector<ControlSpec> controls) {
  return {name, "Tolvane Password", 3120, 2235, BorderStyle::FixedDialog, false, false, false, kSansBold,
          std::move(controls)};
}

void Centre(Form& form, const FormSpec& spec, ScreenSize screen) {
  form.left = screen.width / 2 - spec.clientWidth / 2;
  form.top = screen.height / 2 - spec.clientHeight / 2;
}

}  // namespace

const FormSpec& Form1Spec() {
  static const FormSpec spec = PasswordDialog(
      "Form1", {
                   {"Label1", ControlKind::Label, "Enter Password:", 240, 120, 0, 0, 4, kAutoSize},
                   {"Text1", ControlKind::MaskedTextBox, "", 240, 360, 2655, 315, 0},
                   {"Label2", ControlKind::Label, "Confirm Password:", 240, 840, 0, 0, 5, kAutoSize},
                   {"Text2", ControlKind::MaskedTextBox, "", 240, 1080, 2655, 315, 1},
                   {"Command1", ControlKind::Button, "OK", 480, 1680, 975, 375, 2, kDefaultButton},
                   {"Command2", ControlKind::Button, "Cancel", 1680, 1680, 975, 375, 3, kCancelButton},
               });
  return spec;
}

const FormSpec& Form2Spec() {
  static const FormSpec spec = PasswordDialog(
      "Form2", {
                   {"Label1", ControlKind::Label, "Enter Password:", 240, 360, 0, 0, 3, kAutoSize},
                   {"Text1", ControlKind::MaskedTextBox, "", 240, 600, 2655, 315, 0},
                   {"Command1", ControlKind::Button, "OK", 480, 1680, 975, 375, 1, kDefaultButton},
                   {"Command2", ControlKind::Button, "Cancel", 1680, 1680, 975, 375, 2, kCancelButton},
               });
  return spec;
}

TextBox* Form1::Text(std::string_view name) {
  if (name == "Text1") return &Text1;
  if (name == "Text2") return &Text2;
  return nullptr;
}

void Form1::Click(std::string_view name, int) {
  if (name == "Command1") Command1_Click();
  else if (name == "Command2") Command2_Click();
}

void Form1::Form_Load(ScreenSize screen) {
  caption = Spec().caption;
  Centre(*this, Spec(), screen);
  Text1.text = password_;
  Text2.text = password_;
  loaded = true;
}

void Form1::Command1_Click() {
  if (Text1.text != Text2.text) {
    messageBox_.Show(kPasswordMismatch);  // the dialog stays, both boxes as they are
    return;
  }
  password_ = Text1.text;
  loaded = false;
}

void Form2::Click(std::string_view name, int) {
  if (name == "Command1") Command1_Click();
  else if (name == "Command2") Command2_Click();
}

void Form2::Form_Load(ScreenSize screen) {
  caption = Spec().caption;
  Centre(*this, Spec(), screen);
  Text1.text.clear();
  loaded = true;
}

void Form2::Command1_Click() {
  entered_ = Text1.text;
  loaded = false;
}

void Form2::Command2_Click() {
  entered_.clear();
  loaded = false;
}

}  // namespace tolvane
