#include "serialsettings/FlowControl.h"

namespace tolvane {

Status ApplyFlowControl(SerialControl& serial, std::int16_t flowCtrlIndex) {
  if (flowCtrlIndex < 0 || flowCtrlIndex >= static_cast<std::int16_t>(kFlowControlModes.size())) return Status::Ok();
  const auto& mode = kFlowControlModes[static_cast<std::size_t>(flowCtrlIndex)];
  if (auto s = serial.SetHandshaking(mode.handshaking); !s) return s;
  return serial.SetRTSEnable(mode.rtsEnable);
}

}  // namespace tolvane
