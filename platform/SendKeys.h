// The platform's send-keys facility: types key-sequence texts into the focused window.
#pragma once

#include <string>
#include <vector>

#include "common/Status.h"

namespace tolvane {

struct Delivery {
  // False when the system took fewer key events than it was given: the workstation is
  // locked, the target refuses injected input, or a secure desktop is in front.
  bool delivered = true;
  int unreadable = 0;  // texts left out because the facility could not read them
};

class SendKeys {
 public:
  virtual ~SendKeys() = default;
  // Types the texts one after another as one batch, so nothing the user types lands in
  // between. A text the facility cannot read is left out; the others are typed. With wait
  // set, returns once the keys have been processed; otherwise once queued.
  virtual Delivery SendBatch(const std::vector<std::string>& texts, bool wait) = 0;

  // One text; fails when the facility cannot read it or the system did not take it.
  Status Send(const std::string& keys, bool wait) {
    const Delivery d = SendBatch({keys}, wait);
    if (d.unreadable > 0) return Status::Fail("Invalid procedure call or argument");
    return d.delivered ? Status::Ok() : Status::Fail("The keys were not delivered");
  }
};

}  // namespace tolvane
