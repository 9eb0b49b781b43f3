// The serial ports the system has, as it lists them itself (on Windows, the registry's
// HARDWARE\DEVICEMAP\SERIALCOMM, which USB-serial adapters and Bluetooth ports join as they come).
#pragma once

#include <vector>

namespace tolvane {

class PortMap {
 public:
  virtual ~PortMap() = default;
  // The number n of each port named COMn, in no particular order; empty when there is no list.
  virtual std::vector<int> ComPorts() = 0;
};

}  // namespace tolvane
