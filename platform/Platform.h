// The set of platform services one running program uses; the build picks the implementations.
#pragma once

#include "platform/ActiveWindow.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"
#include "platform/ProfileStore.h"
#include "platform/SendKeys.h"
#include "platform/SerialControl.h"
#include "platform/Sound.h"
#include "platform/StartupEntryStore.h"

namespace tolvane {

struct Platform {
  SerialControl& serial;
  SendKeys& sendKeys;
  Sound& sound;
  ActiveWindow& activeWindow;
  Clock& clock;
  Keyboard& keyboard;
  ProfileStore& profileStore;
  StartupEntryStore& startupEntries;
};

}  // namespace tolvane
