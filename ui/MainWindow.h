// The main window's own behaviour: minimising into the notification area, the icon's mouse
// messages and pop-up menu, the password asked on restore, the about box and help.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/NotifyIcon.h"
#include "platform/Platform.h"
#include "ui/AboutBox.h"
#include "ui/MainForm.h"
#include "ui/ModalSlot.h"

namespace tolvane {

// The balloon's text for a record the system did not take.
std::string NotTypedText(const std::string& record);

class MainWindow {
 public:
  MainWindow(const Platform& platform, MainForm& form, std::string& password);

  void Form_Resize();
  // The notification icon's mouse: they act only while the window is minimised.
  void Icon_DoubleClick();
  void Icon_MenuRequest();

  void mnuOpen_Click();
  void mnuAbout_Click();
  void HelpAbout_Click() { mnuAbout_Click(); }
  void HelpIndex_Click();
  void mPassword_Click();

  void ShowSplash();
  void UnloadSplash();
  // The shell refuses the icon while Explorer is still starting (at logon, just when the
  // start-at-logon entry runs the program hidden): a refused icon is added again at each
  // IconTimer tick until the shell takes it, and a window hidden for a minute without an icon
  // is shown, so the program can always be reached.
  void AddTrayIcon(IconHandle icon);
  void IconTimer_Tick();
  void DeleteTrayIcon();
  // The notification area was rebuilt (Explorer restarted) and lost the icon.
  void TaskbarCreated();
  // A balloon from the icon showing a record the system did not take; at most one a second.
  void TellNotTyped(const std::string& record);

  bool InResize = false;
  // Set whenever a resize leaves the window minimised, so the restore check sees the real
  // state even when no tick has run since.
  bool MainMinimized = false;
  std::string EnteredPassword;
  std::unique_ptr<About> about;  // the about box or the splash, while loaded

 private:
  void UnloadAbout();
  std::unique_ptr<About> NewAbout();
  void TryTrayIcon();

  Platform platform_;
  MainForm& form_;
  std::string& password_;
  bool iconWanted_ = false;                        // from start-up to shut-down
  bool iconShown_ = false;                         // the shell took it
  std::optional<std::uint64_t> unreachableSince_;  // hidden without an icon since
  IconHandle icon_ = 0;
  bool balloonShown_ = false;
  std::uint64_t lastBalloon_ = 0;
  ModalSlot aboutSlot_, enterPasswordSlot_, setPasswordSlot_;
};

}  // namespace tolvane
