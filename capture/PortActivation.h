// Port activation: the port chooser opens the chosen COM port with the current settings and
// flow-control mode, starts the tick, and keeps the caption telling the state.
#pragma once

#include <cstdint>
#include <string>

#include "capture/RecordAssembly.h"
#include "platform/SerialControl.h"
#include "serialsettings/SerialSettings.h"
#include "ui/MainForm.h"

namespace tolvane {

struct PortState {
  std::int16_t ComPort = 0;  // 0 none, n COMn
  std::string ComPortText = "0";
};

class PortActivation {
 public:
  PortActivation(SerialControl& serial, MainForm& form, const SerialSettings& settings, RecordAssembly& assembly);

  // A port choice (Combo1, or the hidden Option1 buttons): always closes an open port first.
  void Combo1_Click(std::int16_t n);
  // Closes the port if it is open, otherwise opens port ComPort.
  void TogglePort();

  PortState state;

 private:
  SerialControl& serial_;
  MainForm& form_;
  const SerialSettings& settings_;
  RecordAssembly& assembly_;
};

std::string ErrorCaption(const std::string& description);

}  // namespace tolvane
