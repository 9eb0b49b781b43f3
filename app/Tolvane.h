// The application object: owns every piece of shared state once and wires the subsystems
// together. The window layer (or a test) drives it through the named handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "capture/KeyTrans.h"
#include "capture/PortActivation.h"
#include "capture/RecordAssembly.h"
#include "capture/RecordProcessing.h"
#include "config/Configuration.h"
#include "config/LifeCycle.h"
#include "keysynth/KeyEmitter.h"
#include "platform/Platform.h"
#include "serialsettings/PortSetup.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"
#include "ui/MainWindow.h"

namespace tolvane {

class Tolvane {
 public:
  explicit Tolvane(const Platform& platform);
  Tolvane(const Tolvane&) = delete;
  Tolvane& operator=(const Tolvane&) = delete;

  // Start-up; false when another copy runs and this one must end at once.
  bool Form_Load(const ProgramInfo& info, IconHandle icon = 0);
  // Shut-down, once: saves, updates the start-at-logon entry, removes the icon. A save that
  // fails is told in a message box, except while the session ends.
  void Form_Unload();
  // The user is logging off or shutting down: from now on no dialog may appear.
  void QueryEndSession() { sessionEnding_ = true; }
  // The session ends (shut-down runs now, before the system ends the process) or the
  // logoff was cancelled.
  void EndSession(bool ending);

  // A port choice from the list; choosing the open port again reopens it.
  void PortList_Click(std::int16_t n) {
    mainForm.PortList.listIndex = n;
    port.PortList_Click(n);
  }
  // The older option-button chooser (never visible) makes the same choice.
  void PortOption_Click(std::int16_t index) {
    for (std::size_t i = 0; i < mainForm.PortOption.size(); ++i) mainForm.PortOption[i].value = i == static_cast<std::size_t>(index);
    port.PortList_Click(index);
  }
  void Serial_OnComm() { assembly.Serial_OnComm(); }
  void TickTimer_Tick() { assembly.TickTimer_Tick(); }
  void RetryTimer_Tick() { port.RetryTimer_Tick(); }
  void MSettings_Click();
  void FileExit_Click() { Form_Unload(); }

  // A fresh settings dialog, loaded; the caller shows it modally until it unloads.
  PortSetup OpenPortSetup();

  void LoadSettings(const std::string& arguments);
  // Saves everything, updating the start-at-logon entry on the way.
  Status SaveSettings();

  Platform platform;
  MainForm mainForm;
  SerialSettings serialSettings;
  KeyTransTable KeyTrans;
  std::int32_t DOSTarget = 0;  // not 0 selects the console typing path
  std::string Password;        // empty: no lock
  std::string ProgramPath;     // the start-at-logon command line
  std::string ProgramFile;     // ProgramPath without any switch
  std::string ConfigPath;
  KeyEmitter keySynth;

  RecordAssembly assembly;
  RecordProcessing processing;
  PortActivation port;
  MainWindow window;

 private:
  ConfigTargets Targets() { return {mainForm, serialSettings, KeyTrans, DOSTarget, Password}; }
  void DispatchClick(std::string_view name, int index);

  bool unloaded_ = false;
  bool sessionEnding_ = false;
  ModalSlot settingsSlot_;
};

// What the user is told when the configuration file could not be written at exit.
std::string SaveFailedText(const std::string& path, const std::string& reason);

}  // namespace tolvane
