// Doubles of what the system itself lists and tells: its serial ports; the session and power
// notices, raised when the test says so.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/PortMap.h"
#include "platform/SystemNotices.h"
#include "tests/fakes/Journal.h"

namespace tolvane::fake {

class PortMap : public tolvane::PortMap {
 public:
  std::vector<int> ComPorts() override { return ports; }
  std::vector<int> ports;  // as the system lists them, in its own order
};

class SystemNotices : public tolvane::SystemNotices {
 public:
  explicit SystemNotices(Journal& journal) : journal_(journal) {}
  void Subscribe(WindowHandle window, std::function<void(SystemNotice)> handler) override {
    journal_.Add("Notices for window " + std::to_string(window));
    handler_ = std::move(handler);
  }
  // What the system would tell; nothing before the program has subscribed.
  void Raise(SystemNotice notice) {
    if (handler_) handler_(notice);
  }

 private:
  Journal& journal_;
  std::function<void(SystemNotice)> handler_;
};

}  // namespace tolvane::fake
