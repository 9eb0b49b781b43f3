// The serial port settings dialog: five lists and the scanner beep string, OK reopening an
// open port with the new line settings.
#pragma once

#include "capture/PortActivation.h"
#include "platform/SendKeys.h"
#include "serialsettings/SerialSettings.h"
#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/FormSpec.h"
#include "ui/MainForm.h"

namespace tolvane {

const FormSpec& PortSetupSpec();

class PortSetup : public Form {
 public:
  PortSetup(PortActivation& port, SendKeys& sendKeys, SerialSettings& settings, const MainForm& mainForm);

  const FormSpec& Spec() const override { return PortSetupSpec(); }
  ListBox* List(std::string_view name) override;
  TextBox* Text(std::string_view name) override { return name == "BeepString" ? &BeepString : nullptr; }
  void Click(std::string_view name, int index = -1) override;

  void Form_Load();
  void OK_Button_Click();
  void Cancel_Button_Click() { loaded = false; }
  void HelpButton_Click();

  ListBox BaudCombo, ParityCombo, DataBitsCombo, StopBitsCombo, FlowCtrlCombo;
  TextBox BeepString;

 private:
  PortActivation& port_;
  SendKeys& sendKeys_;
  SerialSettings& settings_;
  const MainForm& mainForm_;
};

}  // namespace tolvane
