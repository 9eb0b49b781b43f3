// The start-at-logon entry: written or removed at shut-down, never read back.
#pragma once

#include <string>

#include "platform/StartupEntryStore.h"

namespace tolvane {

inline constexpr const char* kStartupEntryName = "Tolvane";

// create writes the command line under name; otherwise the entry is removed. Failures are silent.
void SetStartupEntry(StartupEntryStore& store, bool create, const std::string& name, const std::string& commandLine);

}  // namespace tolvane
