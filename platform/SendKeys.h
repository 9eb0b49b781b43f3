// The platform's send-keys facility: types a key-sequence text into the focused window.
#pragma once

#include <string>

#include "common/Status.h"

namespace tolvane {

class SendKeys {
 public:
  virtual ~SendKeys() = default;
  // With wait set, returns once the keys have been processed; otherwise once queued.
  // A text the facility cannot read fails and types nothing.
  virtual Status Send(const std::string& keys, bool wait) = 0;
};

}  // namespace tolvane
