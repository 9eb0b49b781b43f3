#include "app/Tolvane.h"

#include "config/StartupEntry.h"

namespace tolvane {

Tolvane::Tolvane(const Platform& p)
    : platform_(p),
      keySynth_(p.keyboard),
      assembly_(p.serial, mainForm_, serialSettings_,
                [this](std::string record) { processing_.ProcessRecord(std::move(record)); }),
      processing_(p, mainForm_, serialSettings_, keyTrans_, dosTarget_,
                  {[this](const std::string& keys) { return keySynth_.SimSendKeys(keys); },
                   [this](const std::string& keys) { return keySynth_.HasKeysFor(keys); }}),
      port_(p.serial, mainForm_, serialSettings_, assembly_),
      window_(p, mainForm_, password_) {
  InitKeyTrans(keyTrans_);
  mainForm_.chkDOSTarget.click = [this] { dosTarget_ = mainForm_.chkDOSTarget.value; };
  mainForm_.BeepOnInput.click = [this] { mainForm_.cboSound.enabled = mainForm_.BeepOnInput.value != 0; };
  mainForm_.PortList.click = [this] { port_.PortList_Click(mainForm_.PortList.listIndex); };
  mainForm_.resize = [this] { window_.Form_Resize(); };
  mainForm_.onClick = [this](std::string_view name, int index) { DispatchClick(name, index); };
  mainForm_.onClose = [this] { Form_Unload(); };
  platform_.serial.SetOnComm([this] { Serial_OnComm(); });
  assembly_.deviceLost = [this] { port_.DeviceLost(); };
  processing_.notTyped = [this](const std::string& record) { window_.TellNotTyped(record); };
  assembly_.writeFailed = [this] { port_.WriteFailed(); };
}

void Tolvane::DispatchClick(std::string_view name, int index) {
  if (name == "PortList")
    PortList_Click(mainForm_.PortList.listIndex);
  else if (name == "PortOption")
    PortOption_Click(static_cast<std::int16_t>(index));
  else if (name == "MSettings")
    MSettings_Click();
  else if (name == "FileExit")
    FileExit_Click();
  else if (name == "mPassword")
    window_.mPassword_Click();
  else if (name == "HelpIndex")
    window_.HelpIndex_Click();
  else if (name == "HelpAbout")
    window_.HelpAbout_Click();
  else if (name == "mnuOpen")
    window_.mnuOpen_Click();
  else if (name == "mnuAbout")
    window_.mnuAbout_Click();
}

bool Tolvane::Form_Load(const ProgramInfo& info, IconHandle icon) {
  if (platform_.singleInstance.PreviousInstance()) {
    platform_.messageBox.Show(kAlreadyRunning);
    mainForm_.loaded = false;
    unloaded_ = true;  // a second copy leaves no trace, not even a save
    return false;
  }
  program_ = info.program;
  configPath_ = info.configFile.empty() ? ConfigFilePath(info.folder) : info.configFile;
  platform_.toolkit.SetMousePointer(MousePointer::Hourglass);
  mainForm_.ReturnGlyph.text = "(\r)";
  programFile_ = MakeProgramPath(info);
  programPath_ = programFile_;
  mainForm_.SetCaption("Tolvane (Inactive)");
  window_.ShowSplash();
  mainForm_.TermKeyCombo.items = {"{ENTER}", "{TAB}", "{DOWN}", "{RIGHT}", "{LEFT}", "{UP}"};
  mainForm_.cboSound.items = {"Default Sound", "Asterisk", "Exclamation", "Hand", "Question"};
  LoadSettings(info.arguments);
  window_.AddTrayIcon(icon);
  window_.UnloadSplash();
  platform_.toolkit.SetMousePointer(MousePointer::Default);

  // Shown in the state the file (or "/M") gave; minimised leaves only the icon.
  mainForm_.visible = true;
  window_.Form_Resize();
  if (mainForm_.stateChanged) mainForm_.stateChanged();
  return true;
}

std::string SaveFailedText(const std::string& path, const std::string& reason) {
  return "Tolvane could not save its settings to " + path + ".\r\n\r\n" + reason;
}

void Tolvane::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  const Status saved = SaveSettings();
  // Otherwise every setting of the session would be lost without a word.
  if (!saved && !sessionEnding_) platform_.messageBox.Show(SaveFailedText(configPath_, saved.description));
  window_.DeleteTrayIcon();
  mainForm_.loaded = false;  // the window goes, and the serial control with it
}

void Tolvane::EndSession(bool ending) {
  sessionEnding_ = ending;
  if (ending) Form_Unload();
}

void Tolvane::MSettings_Click() {
  if (settingsSlot_.Busy()) return platform_.toolkit.BringToFront(*settingsSlot_.Shown());
  PortSetup dialog = OpenPortSetup();
  settingsSlot_.Show(platform_.toolkit, dialog);
}

PortSetup Tolvane::OpenPortSetup() {
  PortSetup dialog(port_, platform_.sendKeys, serialSettings_, mainForm_);
  dialog.Form_Load();
  return dialog;
}

void Tolvane::LoadSettings(const std::string& arguments) {
  LoadConfiguration(platform_.profileStore, configPath_, arguments, Targets());
}

Status Tolvane::SaveSettings() {
  return SaveConfiguration(platform_.profileStore, configPath_, Targets(), [this] {
    if (mainForm_.windowState == kMinimized) programPath_ += " /M";
    SetStartupEntry(platform_.startupEntries, mainForm_.LoadWithWindows.value == 1, kStartupEntryName,
                    StartupCommandLine(programPath_, programFile_));
  });
}

}  // namespace tolvane
