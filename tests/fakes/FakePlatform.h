// Every fake service wired to one journal; platform() hands them to the core.
#pragma once

#include "platform/Platform.h"
#include "tests/fakes/Keyboard.h"
#include "tests/fakes/SendKeys.h"
#include "tests/fakes/SerialControl.h"
#include "tests/fakes/Services.h"
#include "tests/fakes/System.h"
#include "tests/fakes/Toolkit.h"

namespace tolvane::fake {

struct FakePlatform {
  Journal journal;
  SerialControl serial{journal};
  SendKeys sendKeys{journal};
  Sound sound{journal};
  ActiveWindow activeWindow;
  Clock clock;
  Keyboard keyboard;
  ProfileStore profileStore{journal};
  StartupEntryStore startupEntries{journal};
  Toolkit toolkit{journal};
  MessageBox messageBox{journal};
  NotifyIcon notifyIcon{journal};
  Shell shell{journal};
  SingleInstance singleInstance;
  PortMap portMap;
  SystemNotices notices{journal};

  Platform platform() {
    return {serial,  sendKeys,   sound,      activeWindow, clock,          keyboard, profileStore, startupEntries,
            toolkit, messageBox, notifyIcon, shell,        singleInstance, &portMap, &notices};
  }
};

}  // namespace tolvane::fake
