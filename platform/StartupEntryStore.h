// The per-user store of programs to start once at the next logon.
#pragma once

#include <string>

#include "common/Status.h"

namespace tolvane {

class StartupEntryStore {
 public:
  virtual ~StartupEntryStore() = default;
  // Creates the entry or replaces its command line; name and command line are UTF-8.
  virtual Status WriteValue(const std::string& name, const std::string& commandLine) = 0;
  // Removes the entry; nothing happens when there is none.
  virtual Status RemoveValue(const std::string& name) = 0;
};

}  // namespace tolvane
