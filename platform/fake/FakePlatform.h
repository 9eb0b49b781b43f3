// Every fake service wired to one journal; platform() hands them to the core.
#pragma once

#include "platform/Platform.h"
#include "platform/fake/ActiveWindow.h"
#include "platform/fake/Clock.h"
#include "platform/fake/Journal.h"
#include "platform/fake/Keyboard.h"
#include "platform/fake/ProfileStore.h"
#include "platform/fake/SendKeys.h"
#include "platform/fake/SerialControl.h"
#include "platform/fake/Shell.h"
#include "platform/fake/Sound.h"
#include "platform/fake/StartupEntryStore.h"
#include "platform/fake/Toolkit.h"

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

  Platform platform();
};

}  // namespace tolvane::fake
