#include "ui/MainForm.h"

namespace tolvane {

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
          {"Label4", ControlKind::Label, "STEP 1: Select a serial port and choose your preferences.", 240, 150, 5175, 240,
           18, 0, nullptr, &arial},
          {"Label3", ControlKind::Label, "COM Port:", 360, 480, 1095, 255, 25},
          {"Combo1", ControlKind::DropDownList, "", 360, 720, 1215, 315, 24},
          {"Frame1", ControlKind::Frame, "Port:", 360, 1200, 1335, 1815, 0, kHidden},
          {"Option1", ControlKind::OptionButton, "None", 240, 360, 855, 255, 1, 0, "Frame1", nullptr, 0},
          {"Option1", ControlKind::OptionButton, "COM1", 240, 700, 855, 255, 2, 0, "Frame1", nullptr, 1},
          {"Option1", ControlKind::OptionButton, "COM2", 240, 1040, 855, 255, 3, 0, "Frame1", nullptr, 2},
          {"Option1", ControlKind::OptionButton, "COM3", 240, 1380, 855, 255, 4, 0, "Frame1", nullptr, 3},
          {"Option1", ControlKind::OptionButton, "COM4", 240, 1720, 855, 255, 5, 0, "Frame1", nullptr, 4},
          {"Option1", ControlKind::OptionButton, "COM5", 240, 2060, 855, 255, 6, 0, "Frame1", nullptr, 5},
          {"Option1", ControlKind::OptionButton, "COM6", 240, 2400, 855, 255, 7, 0, "Frame1", nullptr, 6},
          {"Frame2", ControlKind::Frame, "Preferences:", 1800, 420, 4215, 2775, 8},
          {"BeepOnInput", ControlKind::CheckBox, "Beep PC On Good Read:", 240, 300, 2475, 255, 9, 0, "Frame2"},
          {"cboSound", ControlKind::DropDownList, "", 2700, 240, 1395, 315, 10, 0, "Frame2"},
          {"LoadWithWindows", ControlKind::CheckBox, "Load With Windows At Startup", 240, 588, 3855, 255, 11, 0, "Frame2"},
          {"RemoveCRs", ControlKind::CheckBox, "Remove Trailing Carriage Return", 240, 876, 3135, 255, 12, 0, "Frame2"},
          {"Text1", ControlKind::TextBox, "", 3420, 900, 555, 255, 23, kNoBorder | kReadOnly | kFaceColour, "Frame2",
           &terminal},
          {"NumFilter", ControlKind::CheckBox, "Filter Out Non Numeric Characters", 240, 1164, 3795, 255, 13, 0,
           "Frame2"},
          {"IgnoreDups", ControlKind::CheckBox, "Ignore Consecutive Duplicate Inputs", 240, 1452, 3855, 255, 14, 0,
           "Frame2"},
          {"chkDOSTarget", ControlKind::CheckBox, "Target Application is a DOS program", 240, 1740, 3855, 255, 15, 0,
           "Frame2"},
          {"Label1", ControlKind::Label, "Postamble Keystroke(s):", 240, 2100, 0, 0, 19, kAutoSize, "Frame2"},
          {"TermKeyCombo", ControlKind::DropDownCombo, "", 240, 2340, 3855, 315, 16, 0, "Frame2"},
          {"Label5", ControlKind::Label,
           "STEP 2: Read a bar code with your bar code scanner. If the data from the scanner does not appear "
           "correctly in the text box below, then you may have to adjust your settings or choose another serial port.",
           240, 3360, 5775, 765, 20, 0, nullptr, &arial},
          {"Label2", ControlKind::Label, "Input Data From Scanner:", 240, 4185, 0, 0, 21, kAutoSize},
          {"Display", ControlKind::TextBox, "", 240, 4410, 5775, 330, 17, kReadOnly, nullptr, &terminal},
          {"Label6", ControlKind::Label,
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
  Option1[0].value = 1;  // index 0 selected when created
  Combo1.items.emplace_back("None");
  for (int n = 1; n <= 16; ++n) Combo1.items.push_back("COM" + std::to_string(n));
}

CheckBox* MainForm::Check(std::string_view name) {
  if (name == "BeepOnInput") return &BeepOnInput;
  if (name == "LoadWithWindows") return &LoadWithWindows;
  if (name == "RemoveCRs") return &RemoveCRs;
  if (name == "NumFilter") return &NumFilter;
  if (name == "IgnoreDups") return &IgnoreDups;
  if (name == "chkDOSTarget") return &chkDOSTarget;
  for (std::size_t i = 0; i < Option1.size(); ++i)
    if (name == "Option1(" + std::to_string(i) + ")") return &Option1[i];
  return nullptr;
}

ListBox* MainForm::List(std::string_view name) {
  if (name == "Combo1") return &Combo1;
  if (name == "cboSound") return &cboSound;
  if (name == "TermKeyCombo") return &TermKeyCombo;
  return nullptr;
}

TextBox* MainForm::Text(std::string_view name) {
  if (name == "Display") return &Display;
  if (name == "Text1") return &Text1;
  return nullptr;
}

}  // namespace tolvane
