// Doubles of what the system itself lists and tells: its serial ports.
#pragma once

#include <vector>

#include "platform/PortMap.h"

namespace tolvane::fake {

class PortMap : public tolvane::PortMap {
 public:
  std::vector<int> ComPorts() override { return ports; }
  std::vector<int> ports;  // as the system lists them, in its own order
};

}  // namespace tolvane::fake
