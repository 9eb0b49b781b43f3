// Doubles of the small shell services: message box, notification icon, shell open, instance.
#pragma once

#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/NotifyIcon.h"
#include "platform/Shell.h"
#include "platform/SingleInstance.h"
#include "platform/fake/Journal.h"

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
  bool Notify(int message, const TrayIconRecord& record) override {
    journal_.Add(message == kAdd ? "NotifyIcon add" : message == kDelete ? "NotifyIcon delete" : "NotifyIcon other");
    records.push_back(record);
    return true;
  }
  bool Balloon(const TrayIconRecord&, const std::string& title, const std::string& text) override {
    journal_.Add("Balloon " + title + ": " + text);
    return true;
  }
  std::vector<TrayIconRecord> records;

 private:
  Journal& journal_;
};

class Shell : public tolvane::Shell {
 public:
  explicit Shell(Journal& journal) : journal_(journal) {}
  void Open(WindowHandle, const std::string& file) override { journal_.Add("ShellOpen " + file); }

 private:
  Journal& journal_;
};

class SingleInstance : public tolvane::SingleInstance {
 public:
  bool PreviousInstance() override { return running; }
  bool running = false;
};

}  // namespace tolvane::fake
