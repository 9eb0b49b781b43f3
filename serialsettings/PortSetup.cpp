#include "serialsettings/PortSetup.h"

#include "capture/PortActivation.h"
#include "serialsettings/FlowControl.h"
#include "serialsettings/SettingsString.h"

namespace tolvane {

const FormSpec& PortSetupSpec() {
  static const FormSpec form{
      "PortSetup",
      "Tolvane Serial Port Settings",
      5055,
      2940,
      BorderStyle::FixedDialog,
      false,
      false,
      false,
      kSansBold,
      {
          {"OK_Button", ControlKind::Button, "OK", 3720, 240, 1095, 375, 0, kDefaultButton},
          {"Cancel_Button", ControlKind::Button, "Cancel", 3720, 720, 1095, 375, 1, kCancelButton},
          {"BaudCombo", ControlKind::DropDownList, "", 1680, 240, 975, 300, 2},
          {"ParityCombo", ControlKind::DropDownList, "", 1680, 600, 975, 315, 3},
          {"DataBitsCombo", ControlKind::DropDownList, "", 1680, 960, 975, 315, 4},
          {"StopBitsCombo", ControlKind::DropDownList, "", 1680, 1320, 975, 300, 5},
          {"FlowCtrlCombo", ControlKind::DropDownList, "", 1680, 1680, 1575, 300, 6},
          {"BaudLabel", ControlKind::Label, "Baud Rate:", 240, 240, 975, 195, 7},
          {"DataBitsLabel", ControlKind::Label, "Data Bits:", 240, 960, 855, 195, 8},
          {"ParityLabel", ControlKind::Label, "Parity:", 240, 600, 555, 195, 9},
          {"StopBitsLabel", ControlKind::Label, "Stop Bits:", 240, 1320, 840, 195, 10},
          {"FlowControlLabel", ControlKind::Label, "Flow Control:", 240, 1680, 1125, 195, 11},
          {"HelpButton", ControlKind::Button, "Help", 3720, 1200, 1095, 375, 12},
          {"BeepString", ControlKind::TextBox, "", 240, 2460, 3015, 315, 13},
          {"BeepStringLabel", ControlKind::Label, "Scanner Beep String:", 240, 2220, 1830, 195, 14},
      }};
  return form;
}

PortSetup::PortSetup(PortActivation& port, SendKeys& sendKeys, SerialSettings& settings, const MainForm& mainForm)
    : port_(port), sendKeys_(sendKeys), settings_(settings), mainForm_(mainForm) {}

ListBox* PortSetup::List(std::string_view name) {
  if (name == "BaudCombo") return &BaudCombo;
  if (name == "ParityCombo") return &ParityCombo;
  if (name == "DataBitsCombo") return &DataBitsCombo;
  if (name == "StopBitsCombo") return &StopBitsCombo;
  if (name == "FlowCtrlCombo") return &FlowCtrlCombo;
  return nullptr;
}

void PortSetup::Click(std::string_view name, int) {
  if (name == "OK_Button")
    OK_Button_Click();
  else if (name == "Cancel_Button")
    Cancel_Button_Click();
  else if (name == "HelpButton")
    HelpButton_Click();
}

void PortSetup::Form_Load() {
  caption = PortSetupSpec().caption;
  left = mainForm_.left - 800;
  top = mainForm_.top + 340;
  BaudCombo.items = BaudRows(settings_.PortSettings);
  DataBitsCombo.items.assign(kDataBitsRows.begin(), kDataBitsRows.end());
  ParityCombo.items.assign(kParityRows.begin(), kParityRows.end());
  StopBitsCombo.items.assign(kStopBitsRows.begin(), kStopBitsRows.end());
  FlowCtrlCombo.items.clear();
  for (const auto& mode : kFlowControlModes) FlowCtrlCombo.items.emplace_back(mode.name);
  BaudCombo.listIndex = settings_.BaudIndex;
  ParityCombo.listIndex = settings_.ParityIndex;
  DataBitsCombo.listIndex = settings_.DataBitsIndex;
  StopBitsCombo.listIndex = settings_.StopBitsIndex;
  FlowCtrlCombo.listIndex = settings_.FlowCtrlIndex;
  BeepString.text = settings_.ScannerBeepString;
  loaded = true;
}

void PortSetup::OK_Button_Click() {
  settings_.ScannerBeepString = BeepString.text;
  settings_.BaudIndex = BaudCombo.listIndex;
  settings_.ParityIndex = ParityCombo.listIndex;
  settings_.DataBitsIndex = DataBitsCombo.listIndex;
  settings_.StopBitsIndex = StopBitsCombo.listIndex;
  settings_.FlowCtrlIndex = FlowCtrlCombo.listIndex;
  const auto row = static_cast<std::size_t>(BaudCombo.listIndex);
  const std::string baud = BaudCombo.listIndex >= 0 && row < BaudCombo.items.size() ? BaudCombo.items[row] : "0";
  settings_.PortSettings =
      BuildSettingsString(baud, settings_.ParityIndex, settings_.DataBitsIndex, settings_.StopBitsIndex);

  port_.ApplyLineSettings();
  loaded = false;
}

// F1 goes to whichever window is active; the help viewer reports its own failures.
void PortSetup::HelpButton_Click() { static_cast<void>(sendKeys_.Send("{F1}", false)); }

}  // namespace tolvane
