#include "config/StartupEntry.h"

namespace tolvane {

void SetStartupEntry(StartupEntryStore& store, bool create, const std::string& name, const std::string& commandLine) {
  if (create) store.WriteValue(name, commandLine);
  else store.RemoveValue(name);
}

}  // namespace tolvane
