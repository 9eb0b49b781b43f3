// Doubles of the small services: the active window, the clock, sound, the settings file and the
// start-up entry in memory, message box, notification icon, shell open, the running instance.
#pragma once

#include <deque>
#include <map>
#include <string>

#include "platform/ActiveWindow.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/NotifyIcon.h"
#include "platform/ProfileStore.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/Sound.h"
#include "platform/StartupEntryStore.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class ActiveWindow : public tolvane::ActiveWindow {
 public:
  bool ProgramWindowActive() const override { return programActive; }
  ForegroundInput Foreground() const override { return foreground; }
  bool programActive = false;
  ForegroundInput foreground;  // what stands between typed keys and the window in front
};

// A fixed time, or a script of times handed out one per reading, the last kept.
class Clock : public tolvane::Clock {
 public:
  LocalDateTime Now() override {
    ++readings;
    if (!script.empty()) {
      now = script.front();
      script.pop_front();
    }
    return now;
  }
  std::uint64_t Milliseconds() override { return ms; }

  LocalDateTime now{2007, 3, 5, 14, 5, 9};
  std::uint64_t ms = 100000;
  std::deque<LocalDateTime> script;
  int readings = 0;
};

class Sound : public tolvane::Sound, Journaled {
 public:
  using Journaled::Journaled;
  void MessageBeep(std::uint32_t type) override { journal_.Add("MessageBeep " + std::to_string(type)); }
};

// In-memory files; read-only, writes fail and leave the old bytes; an unreadable file fails its
// reads with a reason.
class ProfileStore : public tolvane::ProfileStore, Journaled {
 public:
  using Journaled::Journaled;
  FileRead Read(const std::string& path) override {
    journal_.Add("ReadFile " + path);
    if (const auto bad = unreadable.find(path); bad != unreadable.end()) return {std::nullopt, bad->second};
    const auto it = files.find(path);
    if (it == files.end()) return {};
    return {it->second, ""};
  }
  Status Write(const std::string& path, const std::string& bytes) override {
    journal_.Add("WriteFile " + path);
    if (readOnly) return Status::Fail("Access is denied.");
    files[path] = bytes;
    return Status::Ok();
  }

  std::map<std::string, std::string> files;
  std::map<std::string, std::string> unreadable;  // path -> why it cannot be read; its bytes stay
  bool readOnly = false;
};

// Journaled as "RunOnce set <name>=<command>" / "RunOnce remove <name>".
class StartupEntryStore : public tolvane::StartupEntryStore, Journaled {
 public:
  using Journaled::Journaled;
  Status WriteValue(const std::string& name, const std::string& commandLine) override {
    journal_.Add("RunOnce set " + name + "=" + commandLine);
    values[name] = commandLine;
    return Status::Ok();
  }
  Status RemoveValue(const std::string& name) override {
    journal_.Add("RunOnce remove " + name);
    values.erase(name);
    return Status::Ok();
  }

  std::map<std::string, std::string> values;
};

class MessageBox : public tolvane::MessageBox, Journaled {
 public:
  using Journaled::Journaled;
  void Show(const std::string& text) override { journal_.Add("MessageBox " + text); }
};

class NotifyIcon : public tolvane::NotifyIcon, Journaled {
 public:
  using Journaled::Journaled;
  bool Add(WindowHandle, IconHandle icon) override {
    journal_.Add("NotifyIcon add");
    this->icon = icon;
    return !refusing;
  }
  bool Delete() override {
    journal_.Add("NotifyIcon delete");
    return true;
  }
  bool Balloon(const std::string& title, const std::string& text) override {
    journal_.Add("Balloon " + title + ": " + text);
    return true;
  }
  IconHandle icon = 0;
  bool refusing = false;  // the shell is not there yet: adding fails
};

class Shell : public tolvane::Shell, Journaled {
 public:
  using Journaled::Journaled;
  void Open(const std::string& file) override { journal_.Add("ShellOpen " + file); }
};

class SingleInstance : public tolvane::SingleInstance {
 public:
  bool PreviousInstance() override { return running; }
  bool running = false;
};

}  // namespace tolvane::fake
