// The send-keys facility for ordinary applications, on SendInput: the notation parsed, each
// character typed with the focused window's keyboard layout, Unicode for what it cannot type.
#pragma once

#include "platform/SendKeys.h"

namespace tolvane::win32 {

class SendKeys : public tolvane::SendKeys {
 public:
  Status Send(const std::string& keys, bool wait) override;
};

}  // namespace tolvane::win32
