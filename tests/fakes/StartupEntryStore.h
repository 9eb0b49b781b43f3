// Start-up entries in memory, journaled as "RunOnce set <name>=<command>" / "RunOnce remove <name>".
#pragma once

#include <map>
#include <string>

#include "platform/StartupEntryStore.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class StartupEntryStore : public tolvane::StartupEntryStore {
 public:
  explicit StartupEntryStore(Journal& journal) : journal_(journal) {}

  Status WriteValue(const std::string& name, const std::string& commandLine) override {
    journal_.Add("RunOnce set " + name + "=" + commandLine);
    if (failing) return Status::Fail("Access is denied.");
    values[name] = commandLine;
    return Status::Ok();
  }
  Status RemoveValue(const std::string& name) override {
    journal_.Add("RunOnce remove " + name);
    if (failing) return Status::Fail("Access is denied.");
    values.erase(name);
    return Status::Ok();
  }

  std::map<std::string, std::string> values;
  bool failing = false;

 private:
  Journal& journal_;
};

}  // namespace tolvane::fake
