#include "config/StartupEntry.h"

namespace tolvane {

void SetStartupEntry(StartupEntryStore& store, bool create, const std::string& name, const std::string& commandLine) {
  // A refused registry write is not told: the settings file, told on its own, matters more,
  // and the entry is written again at the next exit.
  const Status s = create ? store.WriteValue(name, commandLine) : store.RemoveValue(name);
  static_cast<void>(s);
}

}  // namespace tolvane
