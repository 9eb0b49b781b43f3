// Runs the capture pipeline on a simulated scanner and prints what would be typed.
// Usage: tolvane-sim [scan ...]   (each argument is one read; "\r" and "\n" are understood)
#include <cstdio>
#include <string>
#include <vector>

#include "app/Tolvane.h"
#include "platform/fake/FakePlatform.h"
#include "platform/posix/Clock.h"

namespace {

using namespace tolvane;

struct PrintingSendKeys : SendKeys {
  Status Send(const std::string& keys, bool wait) override {
    std::printf("  type %-14s%s\n", ("\"" + keys + "\"").c_str(), wait ? " (and wait)" : "");
    return Status::Ok();
  }
};

std::string Unescape(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && (s[i + 1] == 'r' || s[i + 1] == 'n')) {
      out += s[++i] == 'r' ? '\r' : '\n';
    } else {
      out += s[i];
    }
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> scans;
  for (int i = 1; i < argc; ++i) scans.push_back(Unescape(argv[i]));
  if (scans.empty()) scans = {"0123456789012\r\n", "A+B $5 (x)\r\n", "{ENTER}~%\r\n"};

  fake::FakePlatform fp;
  PrintingSendKeys keys;
  posix::Clock clock;
  Platform platform{fp.serial, keys, fp.sound, fp.activeWindow, clock, fp.keyboard, fp.profileStore, fp.startupEntries, fp.toolkit, fp.messageBox, fp.notifyIcon, fp.shell, fp.singleInstance};
  Tolvane app(platform);
  app.mainForm.hWnd = 1;
  app.mainForm.captionChanged = [](const std::string& c) { std::printf("caption: %s\n", c.c_str()); };
  app.mainForm.RemoveCRs.SetValue(1);
  app.mainForm.TermKeyCombo.text = "{TAB}{MONTH}/{DAY}{ENTER}";
  app.Combo1_Click(1);

  for (const auto& scan : scans) {
    std::printf("scanner sends %zu bytes\n", scan.size());
    fp.serial.Arrive(scan);
    for (int tick = 0; tick < 4; ++tick) app.Timer1_Tick();  // 200 ms of silence
    std::printf("  display \"%s\"\n", app.mainForm.Display.text.c_str());
  }
  app.Combo1_Click(0);
  return 0;
}
