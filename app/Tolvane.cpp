#include "app/Tolvane.h"

#include "config/StartupEntry.h"

namespace tolvane {

Tolvane::Tolvane(const Platform& p)
    : platform(p),
      keySynth(p.keyboard),
      assembly(p.serial, mainForm, serialSettings, [this] { processing.ProcessRecord(); }),
      processing(p, mainForm, serialSettings, KeyTrans, assembly.state.CurrentRecord, DOSTarget,
                 [this](const std::string& keys) { return keySynth.SimSendKeys(keys); }),
      port(p.serial, mainForm, serialSettings, assembly) {
  InitKeyTrans(KeyTrans);
  mainForm.chkDOSTarget.click = [this] { DOSTarget = mainForm.chkDOSTarget.value; };
  mainForm.BeepOnInput.click = [this] { mainForm.cboSound.enabled = mainForm.BeepOnInput.value != 0; };
  mainForm.Combo1.click = [this] { port.Combo1_Click(mainForm.Combo1.listIndex); };
  platform.serial.SetOnComm([this] { MSComm1_OnComm(); });
}

PortSetup Tolvane::OpenPortSetup() {
  PortSetup dialog(platform.serial, platform.sendKeys, serialSettings, mainForm);
  dialog.Form_Load();
  return dialog;
}

void Tolvane::LoadSettings(const std::string& arguments) {
  LoadConfiguration(platform.profileStore, ConfigPath, arguments, Targets());
}

void Tolvane::SaveSettings() {
  SaveConfiguration(platform.profileStore, ConfigPath, Targets(), [this] {
    if (mainForm.windowState == kMinimized) ProgramPath += " /M";
    SetStartupEntry(platform.startupEntries, mainForm.LoadWithWindows.value == 1, kStartupEntryName, ProgramPath);
  });
}

}  // namespace tolvane
