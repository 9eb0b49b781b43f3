// A fresh program on fake services, with helpers that speak in scans and ticks.
#pragma once

#include <string>
#include <vector>

#include "app/Tolvane.h"
#include "tests/fakes/FakePlatform.h"

namespace tolvane::test {

constexpr WindowHandle kMainWindow = 0x1000;

struct Harness {
  fake::FakePlatform fp;
  Tolvane app{fp.platform()};

  Harness() { app.mainForm().hWnd = kMainWindow; }

  // Opens COMn and forgets the journal so far.
  void Open(std::int16_t n = 1) {
    app.PortList_Click(n);
    fp.journal.Clear();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) app.TickTimer_Tick();
  }
  // One read followed by enough silence to complete it.
  void Scan(const std::string& bytes) {
    fp.serial.Arrive(bytes);
    Ticks(4);
  }
  // Everything handed to the send-keys facility, in order.
  std::vector<std::string> SentKeys() const { return fp.journal.With("SendKeys "); }
};

}  // namespace tolvane::test
