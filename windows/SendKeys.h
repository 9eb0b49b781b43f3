// The send-keys facility for ordinary applications, on SendInput: the texts of a record as
// one batch, keys chosen by the portable emitter from the focused window's layout.
#pragma once

#include "platform/SendKeys.h"

namespace tolvane::win32 {

class SendKeys : public tolvane::SendKeys {
 public:
  Delivery SendBatch(const std::vector<std::string>& texts, bool wait) override;
};

}  // namespace tolvane::win32
