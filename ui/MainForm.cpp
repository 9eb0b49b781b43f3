#include "ui/MainForm.h"

namespace tolvane {
namespace {

constexpr int kListedAlways = 16;  // COM1 to COM16 are rows whether the system has them or not
constexpr int kLastPort = 255;

std::string PortRow(int port) { return "COM" + std::to_string(port); }

}  // namespace

const FormSpec& MainFormSpec() {
  static const FontSpec arial{"Arial", 8.25, false};
  static const FontSpec terminal{"Terminal", 9, false, true};
  static const FormSpec form{
      "MainForm",
      "Tolvane (Inactive)",
      6255,
      5790,
      BorderStyle::FixedSingle,
      true,
      false,
      true,
      kSansBold,
      {
          {"Step1Label", ControlKind::Label, "STEP 1: Select a serial port and choose your preferences.", 240, 150,
           5175, 240, 18, 0, nullptr, &arial},
          {"PortLabel", ControlKind::Label, "COM Port:", 360, 480, 1095, 255, 25},
          {"PortList", ControlKind::DropDownList, "", 360, 720, 1215, 315, 24},
          {"PortFrame", ControlKind::Frame, "Port:", 360, 1200, 1335, 1815, 0, kHidden},
          {"PortOption", ControlKind::OptionButton, "None", 240, 360, 855, 255, 1, 0, "PortFrame", nullptr, 0},
          {"PortOption", ControlKind::OptionButton, "COM1", 240, 700, 855, 255, 2, 0, "PortFrame", nullptr, 1},
          {"PortOption", ControlKind::OptionButton, "COM2", 240, 1040, 855, 255, 3, 0, "PortFrame", nullptr, 2},
          {"PortOption", ControlKind::OptionButton, "COM3", 240, 1380, 855, 255, 4, 0, "PortFrame", nullptr, 3},
          {"PortOption", ControlKind::OptionButton, "COM4", 240, 1720, 855, 255, 5, 0, "PortFrame", nullptr, 4},
          {"PortOption", ControlKind::OptionButton, "COM5", 240, 2060, 855, 255, 6, 0, "PortFrame", nullptr, 5},
          {"PortOption", ControlKind::OptionButton, "COM6", 240, 2400, 855, 255, 7, 0, "PortFrame", nullptr, 6},
          {"PreferencesFrame", ControlKind::Frame, "Preferences:", 1800, 420, 4215, 2775, 8},
          {"BeepOnInput", ControlKind::CheckBox, "Beep PC On Good Read:", 240, 300, 2475, 255, 9, 0,
           "PreferencesFrame"},
          {"cboSound", ControlKind::DropDownList, "", 2700, 240, 1395, 315, 10, 0, "PreferencesFrame"},
          {"LoadWithWindows", ControlKind::CheckBox, "Load With Windows At Startup", 240, 588, 3855, 255, 11, 0,
           "PreferencesFrame"},
          {"RemoveCRs", ControlKind::CheckBox, "Remove Trailing Carriage Return", 240, 876, 3135, 255, 12, 0,
           "PreferencesFrame"},
          {"ReturnGlyph", ControlKind::TextBox, "", 3420, 900, 555, 255, 23, kNoBorder | kReadOnly | kFaceColour,
           "PreferencesFrame", &terminal},
          {"NumFilter", ControlKind::CheckBox, "Filter Out Non Numeric Characters", 240, 1164, 3795, 255, 13, 0,
           "PreferencesFrame"},
          {"IgnoreDups", ControlKind::CheckBox, "Ignore Consecutive Duplicate Inputs", 240, 1452, 3855, 255, 14, 0,
           "PreferencesFrame"},
          {"chkDOSTarget", ControlKind::CheckBox, "Target Application is a DOS program", 240, 1740, 3855, 255, 15, 0,
           "PreferencesFrame"},
          {"PostambleLabel", ControlKind::Label, "Postamble Keystroke(s):", 240, 2100, 0, 0, 19, kAutoSize,
           "PreferencesFrame"},
          {"TermKeyCombo", ControlKind::DropDownCombo, "", 240, 2340, 3855, 315, 16, 0, "PreferencesFrame"},
          {"Step2Label", ControlKind::Label,
           "STEP 2: Read a bar code with your bar code scanner. If the data from the scanner does not appear "
           "correctly in the text box below, then you may have to adjust your settings or choose another serial port.",
           240, 3360, 5775, 765, 20, 0, nullptr, &arial},
          {"DisplayLabel", ControlKind::Label, "Input Data From Scanner:", 240, 4185, 0, 0, 21, kAutoSize},
          {"Display", ControlKind::TextBox, "", 240, 4410, 5775, 330, 17, kReadOnly, nullptr, &terminal},
          {"Step3Label", ControlKind::Label,
           "STEP 3: If data appears correctly, keep Tolvane running and switch to another program. When you read bar "
           "codes, the bar code data will appear in the other application as if it were being typed in. (You can "
           "minimize Tolvane and it will continue to function properly.)",
           240, 4860, 5775, 870, 22, 0, nullptr, &arial},
      },
      {
          {"FilePullDown", "&File", nullptr},
          {"mPassword", "Password", "FilePullDown"},
          {"FileExit", "E&xit", "FilePullDown"},
          {"MSettings", "&Settings!", nullptr},
          {"Help", "&Help", nullptr},
          {"HelpIndex", "&Index", "Help"},
          {"Nothing", "-", "Help"},
          {"HelpAbout", "&About...", "Help"},
          {"mnuPopup", "Popup", nullptr, false},
          {"mnuOpen", "Open Tolvane", "mnuPopup"},
          {"mnuAbout", "About Tolvane", "mnuPopup"},
      },
  };
  return form;
}

MainForm::MainForm() {
  caption = "";
  loaded = true;
  PortOption[0].value = 1;  // index 0 selected when created
  PortList.items.emplace_back("None");
  for (int n = 1; n <= kListedAlways; ++n) PortList.items.push_back(PortRow(n));
}

void MainForm::ListPorts(const std::vector<int>& systemPorts) {
  for (const int port : systemPorts)
    if (port > kListedAlways && port <= kLastPort) RowOf(static_cast<std::int16_t>(port));
}

std::int16_t MainForm::PortAt(std::int16_t row) const {
  if (row < 0 || static_cast<std::size_t>(row) >= PortList.items.size()) return -1;
  const std::string& text = PortList.items[static_cast<std::size_t>(row)];
  return static_cast<std::int16_t>(text.rfind("COM", 0) == 0 ? std::stoi(text.substr(3)) : 0);
}

// Rows stay in number order; a row put before the chosen one keeps that choice where it is.
std::int16_t MainForm::RowOf(std::int16_t port) {
  if (port < 0) return -1;
  std::int16_t row = 0;
  const auto rows = static_cast<std::int16_t>(PortList.items.size());
  while (row < rows && PortAt(row) < port) ++row;
  if (row < rows && PortAt(row) == port) return row;
  PortList.items.insert(PortList.items.begin() + row, PortRow(port));
  if (PortList.listIndex >= row) ++PortList.listIndex;
  return row;
}

CheckBox* MainForm::Check(std::string_view name) {
  if (name == "BeepOnInput") return &BeepOnInput;
  if (name == "LoadWithWindows") return &LoadWithWindows;
  if (name == "RemoveCRs") return &RemoveCRs;
  if (name == "NumFilter") return &NumFilter;
  if (name == "IgnoreDups") return &IgnoreDups;
  if (name == "chkDOSTarget") return &chkDOSTarget;
  for (std::size_t i = 0; i < PortOption.size(); ++i)
    if (name == "PortOption(" + std::to_string(i) + ")") return &PortOption[i];
  return nullptr;
}

ListBox* MainForm::List(std::string_view name) {
  if (name == "PortList") return &PortList;
  if (name == "cboSound") return &cboSound;
  if (name == "TermKeyCombo") return &TermKeyCombo;
  return nullptr;
}

TextBox* MainForm::Text(std::string_view name) {
  if (name == "Display") return &Display;
  if (name == "ReturnGlyph") return &ReturnGlyph;
  return nullptr;
}

}  // namespace tolvane
