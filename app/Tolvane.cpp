#include "app/Tolvane.h"

#include "config/StartupEntry.h"

namespace tolvane {

Tolvane::Tolvane(const Platform& p)
    : platform(p),
      keySynth(p.keyboard),
      assembly(p.serial, mainForm, serialSettings, [this](std::string record) { processing.ProcessRecord(std::move(record)); }),
      processing(p, mainForm, serialSettings, KeyTrans, DOSTarget,
                 [this](const std::string& keys) { return keySynth.SimSendKeys(keys); }),
      port(p.serial, mainForm, serialSettings, assembly),
      window(p, mainForm, Password) {
  InitKeyTrans(KeyTrans);
  mainForm.chkDOSTarget.click = [this] { DOSTarget = mainForm.chkDOSTarget.value; };
  mainForm.BeepOnInput.click = [this] { mainForm.cboSound.enabled = mainForm.BeepOnInput.value != 0; };
  mainForm.PortList.click = [this] { port.PortList_Click(mainForm.PortList.listIndex); };
  mainForm.resize = [this] { window.Form_Resize(); };
  mainForm.onClick = [this](std::string_view name, int index) { DispatchClick(name, index); };
  mainForm.onClose = [this] { Form_Unload(); };
  platform.serial.SetOnComm([this] { Serial_OnComm(); });
  assembly.deviceLost = [this] { port.DeviceLost(); };
  processing.notTyped = [this](const std::string& record) { window.TellNotTyped(record); };
  assembly.writeFailed = [this] { port.WriteFailed(); };
}

void Tolvane::DispatchClick(std::string_view name, int index) {
  if (name == "PortList") PortList_Click(mainForm.PortList.listIndex);
  else if (name == "PortOption") PortOption_Click(static_cast<std::int16_t>(index));
  else if (name == "MSettings") MSettings_Click();
  else if (name == "FileExit") FileExit_Click();
  else if (name == "mPassword") window.mPassword_Click();
  else if (name == "HelpIndex") window.HelpIndex_Click();
  else if (name == "HelpAbout") window.HelpAbout_Click();
  else if (name == "mnuOpen") window.mnuOpen_Click();
  else if (name == "mnuAbout") window.mnuAbout_Click();
}

bool Tolvane::Form_Load(const ProgramInfo& info, IconHandle icon) {
  if (platform.singleInstance.PreviousInstance()) {
    platform.messageBox.Show(kAlreadyRunning);
    mainForm.loaded = false;
    unloaded_ = true;  // a second copy leaves no trace, not even a save
    return false;
  }
  ConfigPath = ConfigFilePath(info.folder);
  platform.toolkit.SetMousePointer(MousePointer::Hourglass);
  mainForm.ReturnGlyph.text = "(\r)";
  ProgramFile = MakeProgramPath(info);
  ProgramPath = ProgramFile;
  mainForm.SetCaption("Tolvane (Inactive)");
  window.ShowSplash();
  mainForm.TermKeyCombo.items = {"{ENTER}", "{TAB}", "{DOWN}", "{RIGHT}", "{LEFT}", "{UP}"};
  mainForm.cboSound.items = {"Default Sound", "Asterisk", "Exclamation", "Hand", "Question"};
  InitKeyTrans(KeyTrans);
  LoadSettings(info.arguments);
  window.AddTrayIcon(icon);
  window.UnloadSplash();
  platform.toolkit.SetMousePointer(MousePointer::Default);

  // Shown in the state the file (or "/M") gave; minimised leaves only the icon.
  mainForm.visible = true;
  window.Form_Resize();
  if (mainForm.stateChanged) mainForm.stateChanged();
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
  if (!saved && !sessionEnding_) platform.messageBox.Show(SaveFailedText(ConfigPath, saved.description));
  window.DeleteTrayIcon();
  mainForm.loaded = false;  // the window goes, and the serial control with it
}

void Tolvane::EndSession(bool ending) {
  sessionEnding_ = ending;
  if (ending) Form_Unload();
}

void Tolvane::MSettings_Click() {
  if (settingsSlot_.Busy()) return platform.toolkit.BringToFront(*settingsSlot_.Shown());
  PortSetup dialog = OpenPortSetup();
  settingsSlot_.Show(platform.toolkit, dialog);
}

PortSetup Tolvane::OpenPortSetup() {
  PortSetup dialog(port, platform.sendKeys, serialSettings, mainForm);
  dialog.Form_Load();
  return dialog;
}

void Tolvane::LoadSettings(const std::string& arguments) {
  LoadConfiguration(platform.profileStore, ConfigPath, arguments, Targets());
}

Status Tolvane::SaveSettings() {
  return SaveConfiguration(platform.profileStore, ConfigPath, Targets(), [this] {
    if (mainForm.windowState == kMinimized) ProgramPath += " /M";
    SetStartupEntry(platform.startupEntries, mainForm.LoadWithWindows.value == 1, kStartupEntryName,
                    StartupCommandLine(ProgramPath, ProgramFile));
  });
}

}  // namespace tolvane
