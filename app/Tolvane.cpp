#include "app/Tolvane.h"

#include <initializer_list>
#include <utility>

#include "config/StartupEntry.h"

namespace tolvane {

Tolvane::Tolvane(const Platform& p)
    : platform_(p),
      keySynth_(p.keyboard),
      assembly_(p.serial, mainForm_, serialSettings_,
                [this](std::vector<std::string> records) { processing_.ProcessRecords(std::move(records)); }),
      processing_(p, mainForm_, serialSettings_, keyTrans_, dosTarget_,
                  {[this](const std::string& keys) { return keySynth_.SimSendKeys(keys); },
                   [this](const std::string& keys) { return keySynth_.HasKeysFor(keys); }}),
      port_(p.serial, mainForm_, serialSettings_, assembly_),
      window_(p, mainForm_, password_) {
  InitKeyTrans(keyTrans_);
  mainForm_.chkDOSTarget.click = [this] { dosTarget_ = mainForm_.chkDOSTarget.value; };
  mainForm_.BeepOnInput.click = [this] { mainForm_.cboSound.enabled = mainForm_.BeepOnInput.value != 0; };
  mainForm_.PortList.click = [this] { port_.PortList_Click(mainForm_.PortAt(mainForm_.PortList.listIndex)); };
  mainForm_.resize = [this] { window_.Form_Resize(); };
  mainForm_.onClick = [this](std::string_view name, int index) { DispatchClick(name, index); };
  mainForm_.onClose = [this] { Form_Unload(); };
  platform_.serial.SetOnComm([this] { Serial_OnComm(); });
  assembly_.deviceLost = [this] { port_.DeviceLost(); };
  processing_.notTyped = [this](const std::string& record) { window_.TellNotTyped(record); };
  assembly_.writeFailed = [this] { port_.WriteFailed(); };
  assembly_.openEnded = [this] { port_.OpenEnded(); };
  assembly_.connected = [this] { port_.Connected(); };
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
  if (platform_.portMap) mainForm_.ListPorts(platform_.portMap->ComPorts());
  LoadSettings(info.arguments);
  if (program_ == Program::Linux && !readError_.empty()) {
    platform_.messageBox.Show(ReadFailedText(configPath_, readError_));
    mainForm_.loaded = false;
    unloaded_ = true;  // the file stays as it is
    return false;
  }
  window_.AddTrayIcon(icon);
  if (platform_.notices) {
    platform_.notices->Subscribe(mainForm_.hWnd, [this](SystemNotice notice) {
      if (notice == SystemNotice::SessionAway)
        port_.SessionAway();
      else if (notice == SystemNotice::SessionBack)
        port_.SessionBack();
      else
        port_.PowerResumed();
    });
  }
  window_.UnloadSplash();
  platform_.toolkit.SetMousePointer(MousePointer::Default);
  // Told now, once; the file is left as it is for the whole run (SaveSettings).
  if (!readError_.empty()) platform_.messageBox.Show(UnreadableText(configPath_, readError_));

  // Shown in the state the file (or "/M") gave; minimised leaves only the icon.
  mainForm_.visible = true;
  window_.Form_Resize();
  if (mainForm_.stateChanged) mainForm_.stateChanged();
  return true;
}

std::string SaveFailedText(const std::string& path, const std::string& reason) {
  return "Tolvane could not save its settings to " + path + ".\r\n\r\n" + reason;
}

std::string UnreadableText(const std::string& path, const std::string& reason) {
  return "Tolvane could not read its settings from " + path + ".\r\n\r\n" + reason +
         "\r\n\r\nIt runs with the default settings and will not save over the file.";
}

std::string ReadFailedText(const std::string& path, const std::string& reason) {
  return "cannot read the configuration file " + path + ": " + reason;
}

void Tolvane::Form_Unload() {
  if (unloaded_) return;
  unloaded_ = true;
  const Status saved = SaveSettings();
  // Otherwise every setting of the session would be lost without a word; a file that could not
  // be read was told of at start.
  if (!saved && !sessionEnding_ && readError_.empty())
    platform_.messageBox.Show(SaveFailedText(configPath_, saved.description));
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
  readError_ = LoadConfiguration(platform_.profileStore, configPath_, arguments, Targets(), kHeldFilePatienceMs).error;
  if (program_ == Program::Linux) loaded_ = CurrentValues(Targets());
}

Status Tolvane::SaveSettings() {
  // The values of this run are the defaults, not the user's: the file and the start-at-logon
  // entry stay as the user's own settings left them, even once the file can be read again.
  if (!readError_.empty()) return Status::Fail(readError_);
  return SaveConfiguration(
      platform_.profileStore, configPath_, Targets(),
      [this] {
        if (mainForm_.windowState == kMinimized) programPath_ += " /M";
        SetStartupEntry(platform_.startupEntries, mainForm_.LoadWithWindows.value == 1, kStartupEntryName,
                        StartupCommandLine(programPath_, programFile_));
      },
      loaded_ ? &*loaded_ : nullptr);
}

Status Tolvane::ReloadSettings(Reloaded& reloaded) {
  const FileRead read = platform_.profileStore.Read(configPath_);
  if (!read.bytes) return Status::Fail(read.Missing() ? "No such file or directory" : read.error);
  // Compared as the file gave them, not as the front end may have used them since.
  const ConfigValues before = loaded_ ? *loaded_ : CurrentValues(Targets());
  // The port is the front end's to reopen, once, and only when it has to.
  auto portClick = std::move(mainForm_.PortList.click);
  mainForm_.PortList.click = nullptr;
  InitKeyTrans(keyTrans_);  // a translation the file no longer has is the built-in one again
  ApplyConfiguration(*read.bytes, "", Targets());
  mainForm_.PortList.click = std::move(portClick);
  const ConfigValues after = CurrentValues(Targets());
  const auto differ = [&](std::initializer_list<const char*> names) {
    for (const char* name : names) {
      const auto a = before.find(name), b = after.find(name);
      if ((a == before.end()) != (b == after.end()) || (a != before.end() && a->second != b->second)) return true;
    }
    return false;
  };
  reloaded.port = differ({"Device", "ComPort", "Settings", "Handshake"});
  reloaded.typing = differ({"XkbLayout", "XkbVariant"});
  if (loaded_) loaded_ = after;
  return Status::Ok();
}

}  // namespace tolvane
