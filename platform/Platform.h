// The set of platform services one running program uses; the build picks the implementations.
// File paths and command lines cross between the core and the platform as UTF-8 in
// std::string, whatever the system's code page; captions and messages stay in that code page.
#pragma once

#include "platform/ActiveWindow.h"
#include "platform/Clock.h"
#include "platform/Keyboard.h"
#include "platform/MessageBox.h"
#include "platform/NotifyIcon.h"
#include "platform/PortMap.h"
#include "platform/ProfileStore.h"
#include "platform/SendKeys.h"
#include "platform/SerialControl.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/Sound.h"
#include "platform/StartupEntryStore.h"
#include "platform/SystemNotices.h"
#include "platform/Toolkit.h"

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
  Toolkit& toolkit;
  MessageBox& messageBox;
  NotifyIcon& notifyIcon;
  Shell& shell;
  SingleInstance& singleInstance;
  // What only some systems have; null where there is none.
  PortMap* portMap = nullptr;
  SystemNotices* notices = nullptr;
};

}  // namespace tolvane
