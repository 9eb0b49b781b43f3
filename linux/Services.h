// The small services of the Linux program, which has no windows: the bell for a beep,
// standard error for messages and balloons, a lock file for the single instance, and an
// XDG autostart entry for the start at logon.
#pragma once

#include <string>

#include "platform/ActiveWindow.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/NotifyIcon.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/Sound.h"
#include "platform/StartupEntryStore.h"
#include "platform/Toolkit.h"

namespace tolvane::posix {

class Sound : public tolvane::Sound {
 public:
  void MessageBeep(std::uint32_t type) override;  // the terminal bell, when there is a terminal
};

class Clock : public tolvane::Clock {
 public:
  LocalDateTime Now() override;
  std::uint64_t Milliseconds() override;
};

// Nothing of the program's is ever a window in front.
class ActiveWindow : public tolvane::ActiveWindow {
 public:
  bool ProgramWindowActive() const override { return false; }
};

class MessageBox : public tolvane::MessageBox {
 public:
  void Show(const std::string& text) override;
};

class NotifyIcon : public tolvane::NotifyIcon {
 public:
  bool Add(WindowHandle, IconHandle) override { return true; }
  bool Delete() override { return true; }
  bool Balloon(const std::string& title, const std::string& text) override;
};

class Shell : public tolvane::Shell {
 public:
  void Open(const std::string&) override {}
};

// Dialogs never appear: one that is asked for is closed as its Cancel would leave things.
class Toolkit : public tolvane::Toolkit {
 public:
  void ShowModal(Form& form) override { form.Close(); }
  void ShowModeless(Form&) override {}
  void Unload(Form&) override {}
  void BringToFront(Form&) override {}
  void Refresh(Form&) override {}
  std::string TrackPopupMenu(const std::vector<MenuSpec>&, const std::string&) override { return ""; }
  void SetMousePointer(MousePointer) override {}
  void AppActivate(const std::string&) override {}
  ScreenSize Screen() override { return {19200, 14400}; }
};

// A lock on a file beside the configuration, held for the whole run.
class SingleInstance : public tolvane::SingleInstance {
 public:
  explicit SingleInstance(std::string lockPath) : path_(std::move(lockPath)) {}
  ~SingleInstance() override;
  bool PreviousInstance() override;

 private:
  std::string path_;
  int fd_ = -1;
};

// ~/.config/autostart/tolvane.desktop (under $XDG_CONFIG_HOME when set), starting exec.
class StartupEntryStore : public tolvane::StartupEntryStore {
 public:
  StartupEntryStore(std::string desktopFile, std::string exec)
      : file_(std::move(desktopFile)), exec_(std::move(exec)) {}
  Status WriteValue(const std::string& name, const std::string& commandLine) override;
  Status RemoveValue(const std::string& name) override;

 private:
  std::string file_, exec_;
};

// The autostart entry's contents.
std::string AutostartEntry(const std::string& exec);

}  // namespace tolvane::posix
