#include "tests/fakes/FakePlatform.h"

namespace tolvane::fake {

Platform FakePlatform::platform() {
  return Platform{serial,  sendKeys,   sound,      activeWindow, clock,          keyboard, profileStore, startupEntries,
                  toolkit, messageBox, notifyIcon, shell,        singleInstance, &portMap, &notices};
}

}  // namespace tolvane::fake
