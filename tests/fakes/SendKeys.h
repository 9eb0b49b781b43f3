// Send-keys double: journals "SendKeys <text> nowait" for each text of a batch, the last one
// with the batch's wait flag; chosen texts can be made unreadable, and the whole facility can
// refuse, as a locked workstation does; a test can act while a batch is being typed.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/SendKeys.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class SendKeys : public tolvane::SendKeys, Journaled {
 public:
  using Journaled::Journaled;

  Delivery SendBatch(const std::vector<std::string>& texts, bool wait) override {
    if (during) std::exchange(during, nullptr)();
    ++batches;
    Delivery d{!refusing, 0};
    for (std::size_t i = 0; i < texts.size(); ++i) {
      journal_.Add("SendKeys " + texts[i] + (wait && i + 1 == texts.size() ? " wait" : " nowait"));
      if (failing.count(texts[i]))
        ++d.unreadable;
      else if (!refusing)
        typed.push_back(texts[i]);
    }
    return d;
  }

  std::set<std::string> failing;   // texts the facility cannot read
  bool refusing = false;           // the system takes no injected input
  std::vector<std::string> typed;  // texts typed, in order
  int batches = 0;
  std::function<void()> during;  // runs once, as the next batch goes in
};

}  // namespace tolvane::fake
