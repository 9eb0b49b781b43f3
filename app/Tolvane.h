// The application object: owns every piece of shared state once and wires the subsystems
// together. The window layer (or a test) drives it through the named handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "capture/KeyTrans.h"
#include "capture/PortActivation.h"
#include "capture/RecordAssembly.h"
#include "capture/RecordProcessing.h"
#include "config/Configuration.h"
#include "config/LifeCycle.h"
#include "keysynth/ConsoleKeyEmitter.h"
#include "platform/Platform.h"
#include "serialsettings/PortSetup.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"
#include "ui/MainWindow.h"

namespace tolvane {

class Tolvane {
 public:
  // Every subsystem is made and wired here, once.
  explicit Tolvane(const Platform& platform);
  Tolvane(const Tolvane&) = delete;
  Tolvane& operator=(const Tolvane&) = delete;

  // Start-up; false when this copy must end at once: another copy runs, or (the Linux program,
  // whose file is its only settings) the file is there but cannot be read, which is told.
  bool Form_Load(const ProgramInfo& info, IconHandle icon = 0);
  // Why the file could not be read at start-up; empty when it could, or was not there. A file
  // another program holds is waited for kHeldFilePatienceMs first. The Windows program tells the
  // reason once, at start, runs with the defaults and never saves over that file.
  const std::string& readError() const { return readError_; }
  static constexpr std::uint32_t kHeldFilePatienceMs = 5000;
  // Shut-down, once: saves, updates the start-at-logon entry, removes the icon. A save that
  // fails is told in a message box, except while the session ends.
  void Form_Unload();
  // The user is logging off or shutting down: from now on no dialog may appear.
  void QueryEndSession() { sessionEnding_ = true; }
  // The session ends (shut-down runs now, before the system ends the process) or the
  // logoff was cancelled.
  void EndSession(bool ending);

  // A port choice from the list, by row; choosing the open port again reopens it.
  void PortList_Click(std::int16_t row) {
    mainForm_.PortList.listIndex = row;
    port_.PortList_Click(mainForm_.PortAt(row));
  }
  // The older option-button chooser (never visible) makes the same choice.
  void PortOption_Click(std::int16_t index) {
    for (std::size_t i = 0; i < mainForm_.PortOption.size(); ++i)
      mainForm_.PortOption[i].value = i == static_cast<std::size_t>(index);
    port_.PortList_Click(index);
  }
  void Serial_OnComm() { assembly_.Serial_OnComm(); }
  void TickTimer_Tick() { assembly_.TickTimer_Tick(); }
  void RetryTimer_Tick() { port_.RetryTimer_Tick(); }
  void IconTimer_Tick() { window_.IconTimer_Tick(); }
  void MSettings_Click();
  void FileExit_Click() { Form_Unload(); }

  // A fresh settings dialog, loaded; the caller shows it modally until it unloads.
  PortSetup OpenPortSetup();

  void LoadSettings(const std::string& arguments);
  // Saves, updating the start-at-logon entry on the way. The Windows program writes every
  // key; the Linux program writes a missing file whole and an existing one only where the
  // program itself changed a value since the file was read. Nothing is saved when the file
  // could not be read at start: the reason is returned.
  Status SaveSettings();

  // What reading the file again changed for the front end to act on.
  struct Reloaded {
    bool port = false;    // Device, ComPort, Settings or Handshake: the port is to be reopened
    bool typing = false;  // XkbLayout or XkbVariant: the typing output is to be reopened
  };
  // Reads the file again and takes its values from the next record on, without opening or
  // closing anything itself. A file that cannot be read (or is gone) changes nothing: the
  // reason is returned.
  Status ReloadSettings(Reloaded& reloaded);

  // The state each subsystem owns, for the window layer and for tests.
  MainForm& mainForm() { return mainForm_; }
  SerialSettings& serialSettings() { return serialSettings_; }
  KeyTransTable& keyTrans() { return keyTrans_; }
  std::int32_t dosTarget() const { return dosTarget_; }
  std::string& password() { return password_; }
  // Loaded before the port opens; what the front end acts on.
  const FrontEndSettings& frontEnd() const { return frontEnd_; }
  std::string& programPath() { return programPath_; }
  std::string& configPath() { return configPath_; }
  ConsoleKeyEmitter& keySynth() { return keySynth_; }
  RecordAssembly& assembly() { return assembly_; }
  RecordProcessing& processing() { return processing_; }
  PortActivation& port() { return port_; }
  MainWindow& window() { return window_; }

 private:
  Platform platform_;
  MainForm mainForm_;
  SerialSettings serialSettings_;
  KeyTransTable keyTrans_;
  std::int32_t dosTarget_ = 0;  // not 0 selects the console typing path
  std::string password_;        // empty: no lock
  FrontEndSettings frontEnd_;
  Program program_ = Program::Windows;  // which program's keys are saved
  std::string programPath_;             // the start-at-logon command line
  std::string programFile_;             // the program path without any switch
  std::string configPath_;
  ConsoleKeyEmitter keySynth_;

  RecordAssembly assembly_;
  RecordProcessing processing_;
  PortActivation port_;
  MainWindow window_;

  ConfigTargets Targets() {
    return {mainForm_, serialSettings_, keyTrans_, dosTarget_, password_, frontEnd_, program_};
  }
  void DispatchClick(std::string_view name, int index);

  std::string readError_;
  std::optional<ConfigValues> loaded_;  // the Linux program: the values as the file last gave them
  bool unloaded_ = false;
  bool sessionEnding_ = false;
  ModalSlot settingsSlot_;
};

// What the user is told when the configuration file could not be written at exit.
std::string SaveFailedText(const std::string& path, const std::string& reason);
// What the Windows program tells at start of a file that is there but could not be read.
std::string UnreadableText(const std::string& path, const std::string& reason);
// What the Linux program says of a file it cannot read.
std::string ReadFailedText(const std::string& path, const std::string& reason);

}  // namespace tolvane
