// Doubles of the small shell services: message box, notification icon, shell open, instance.
#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/NotifyIcon.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class MessageBox : public tolvane::MessageBox {
 public:
  explicit MessageBox(Journal& journal) : journal_(journal) {}
  void Show(const std::string& text) override { journal_.Add("MessageBox " + text); }

 private:
  Journal& journal_;
};

class NotifyIcon : public tolvane::NotifyIcon {
 public:
  explicit NotifyIcon(Journal& journal) : journal_(journal) {}
  bool Add(WindowHandle owner, IconHandle icon) override {
    journal_.Add("NotifyIcon add");
    this->owner = owner;
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
  WindowHandle owner = 0;
  IconHandle icon = 0;
  bool refusing = false;  // the shell is not there yet: adding fails

 private:
  Journal& journal_;
};

class Shell : public tolvane::Shell {
 public:
  explicit Shell(Journal& journal) : journal_(journal) {}
  void Open(const std::string& file) override { journal_.Add("ShellOpen " + file); }

 private:
  Journal& journal_;
};

class SingleInstance : public tolvane::SingleInstance {
 public:
  bool PreviousInstance() override { return running; }
  bool running = false;
};

}  // namespace tolvane::fake
