// The serial line as the user chose it: the settings string, the dialog's list positions,
// the flow-control mode, the scanner beep string and the bytes that end a record.
#pragma once

#include <cstdint>
#include <string>

namespace tolvane {

struct SerialSettings {
  std::string PortSettings = "9600,N,8,1";
  std::int16_t BaudIndex = 8;
  std::int16_t ParityIndex = 0;
  std::int16_t DataBitsIndex = 3;
  std::int16_t StopBitsIndex = 0;
  std::int16_t FlowCtrlIndex = 0;  // 3 is "Opto-RS"
  std::string ScannerBeepString;
  std::string RecordEnd;  // the bytes that end a record at once; empty: silence alone ends one
};

constexpr std::int16_t kFlowOptoRS = 3;

}  // namespace tolvane
