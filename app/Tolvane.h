// The application object: owns every piece of shared state once and wires the subsystems
// together. The window layer (or a test) drives it through the named handlers.
#pragma once

#include <cstdint>

#include "capture/KeyTrans.h"
#include "capture/PortActivation.h"
#include "capture/RecordAssembly.h"
#include "capture/RecordProcessing.h"
#include "keysynth/KeyEmitter.h"
#include "platform/Platform.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

class Tolvane {
 public:
  explicit Tolvane(const Platform& platform);
  Tolvane(const Tolvane&) = delete;
  Tolvane& operator=(const Tolvane&) = delete;

  void Combo1_Click(std::int16_t n) { port.Combo1_Click(n); }
  // The older option-button chooser (never visible) makes the same choice.
  void Option1_Click(std::int16_t index) { port.Combo1_Click(index); }
  void MSComm1_OnComm() { assembly.MSComm1_OnComm(); }
  void Timer1_Tick() { assembly.Timer1_Tick(); }

  Platform platform;
  MainForm mainForm;
  SerialSettings serialSettings;
  KeyTransTable KeyTrans;
  std::int32_t DOSTarget = 0;  // not 0 selects the console typing path
  KeyEmitter keySynth;

  RecordAssembly assembly;
  RecordProcessing processing;
  PortActivation port;
};

}  // namespace tolvane
