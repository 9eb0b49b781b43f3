// The small Windows services: sound, active window, clock, message box, shell, instance,
// notification icon and the start-at-logon entry in the registry.
#pragma once

#include "windows/Win32.h"

#include <shellapi.h>

#include <functional>

#include "platform/ActiveWindow.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/NotifyIcon.h"
#include "platform/PortMap.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/Sound.h"
#include "platform/StartupEntryStore.h"
#include "platform/SystemNotices.h"

namespace tolvane::win32 {

// The program's icon (resource 1) at the system's sizes: large for its windows, small for the
// notification area.
struct ProgramIcons {
  HICON large, small;
};
ProgramIcons LoadProgramIcons(HINSTANCE module);

class Sound : public tolvane::Sound {
 public:
  void MessageBeep(std::uint32_t type) override;
};

class ActiveWindow : public tolvane::ActiveWindow {
 public:
  bool ProgramWindowActive() const override;
  // The input desktop, and the integrity levels of this process and of the foreground window's.
  ForegroundInput Foreground() const override;
};

class Clock : public tolvane::Clock {
 public:
  LocalDateTime Now() override;
  std::uint64_t Milliseconds() override;
};

class MessageBox : public tolvane::MessageBox {
 public:
  void Show(const std::string& text) override;
  WindowHandle owner = 0;
};

// ShellExecute may use COM (shell extensions, the handler of an address): the thread that makes
// this object, which is the one that calls the shell, is put in a single-threaded apartment for
// the object's life, as ShellExecute asks.
class Shell : public tolvane::Shell {
 public:
  Shell();
  ~Shell() override;
  Shell(const Shell&) = delete;
  Shell& operator=(const Shell&) = delete;
  void Open(const std::string& file) override;

 private:
  bool com_ = false;  // this object's initialisation, to undo
};

// A named mutex for the logged-on user's session, held for the whole run.
class SingleInstance : public tolvane::SingleInstance {
 public:
  bool PreviousInstance() override;
  ~SingleInstance() override;

 private:
  void* mutex_ = nullptr;
};

// The first (88-byte on the 32-bit build) version of the shell's record, the same one to add
// and delete; its mouse messages arrive as callbackMessage with the mouse message in lParam.
class NotifyIcon : public tolvane::NotifyIcon {
 public:
  explicit NotifyIcon(UINT callbackMessage) : callbackMessage_(callbackMessage) {}
  bool Add(WindowHandle owner, IconHandle icon) override;
  bool Delete() override;
  bool Balloon(const std::string& title, const std::string& text) override;

 private:
  NOTIFYICONDATAA Record(DWORD size) const;

  UINT callbackMessage_;
  HWND owner_ = nullptr;
  HICON icon_ = nullptr;
};

// HKEY_LOCAL_MACHINE\HARDWARE\DEVICEMAP\SERIALCOMM: a value for each port, its name the data.
class PortMap : public tolvane::PortMap {
 public:
  std::vector<int> ComPorts() override;
};

// The session's changes (WTSRegisterSessionNotification, for this session only) and the wake
// from sleep, both as messages to the main window, which hands them to Handle.
class SystemNotices : public tolvane::SystemNotices {
 public:
  void Subscribe(WindowHandle window, std::function<void(SystemNotice)> handler) override;
  // True for WM_WTSSESSION_CHANGE and WM_POWERBROADCAST, whether or not they told anything.
  bool Handle(UINT message, WPARAM w);
  ~SystemNotices() override;  // before the window goes

 private:
  HWND window_ = nullptr;
  std::function<void(SystemNotice)> handler_;
};

// HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce.
class StartupEntryStore : public tolvane::StartupEntryStore {
 public:
  Status WriteValue(const std::string& name, const std::string& commandLine) override;
  Status RemoveValue(const std::string& name) override;
};

}  // namespace tolvane::win32
