// The flow-control modes and what each sets on the serial control.
#pragma once

#include <array>
#include <cstdint>

#include "common/Status.h"
#include "platform/SerialControl.h"

namespace tolvane {

struct FlowControlMode {
  const char* name;  // the row of the flow-control list
  std::int16_t handshaking;
  bool rtsEnable;
};

// Xon / Xoff asks for 3 (RTS/CTS as well), not 1; Opto-RS holds RTS off.
inline constexpr std::array<FlowControlMode, 4> kFlowControlModes{{
    {"None", 0, true},
    {"Xon / Xoff", 3, true},
    {"Hardware", 2, true},
    {"Opto-RS", 0, false},
}};

// Writes Handshaking then RTSEnable for the mode; a mode outside the table sets nothing.
// Returns the first failure.
Status ApplyFlowControl(SerialControl& serial, std::int16_t flowCtrlIndex);

}  // namespace tolvane
