// Send-keys double: journals "SendKeys <text> wait|nowait"; chosen texts can be made to fail.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "platform/SendKeys.h"
#include "platform/fake/Journal.h"

namespace tolvane::fake {

class SendKeys : public tolvane::SendKeys {
 public:
  explicit SendKeys(Journal& journal) : journal_(journal) {}

  Status Send(const std::string& keys, bool wait) override {
    journal_.Add("SendKeys " + keys + (wait ? " wait" : " nowait"));
    if (failing.count(keys)) return Status::Fail("Invalid procedure call or argument");
    typed.push_back(keys);
    return Status::Ok();
  }

  std::set<std::string> failing;   // texts the facility rejects
  std::vector<std::string> typed;  // texts accepted, in order

 private:
  Journal& journal_;
};

}  // namespace tolvane::fake
