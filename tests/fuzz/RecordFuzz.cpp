// Fuzzes record assembly and processing with arbitrary preferences and line data: nothing
// crashes, records stay bounded, silence always finishes a record, and the console path never
// leaves a modifier down.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Tolvane.h"
#include "platform/fake/FakePlatform.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 8) return 0;
  tolvane::fake::FakePlatform fp;
  tolvane::Tolvane app(fp.platform());
  app.mainForm().hWnd = 1;
  fp.activeWindow.programActive = (data[0] & 1) == 0;
  auto& f = app.mainForm();
  f.RemoveCRs.SetValue(data[1] % 3);
  f.NumFilter.SetValue((data[1] / 3) % 3);
  f.IgnoreDups.SetValue((data[1] / 9) % 3);
  f.BeepOnInput.SetValue(data[2] % 3);
  f.cboSound.listIndex = static_cast<std::int16_t>(static_cast<std::int8_t>(data[3]));
  f.chkDOSTarget.SetValue(data[4] % 3);
  app.serialSettings().FlowCtrlIndex = static_cast<std::int16_t>(data[5] % 6);
  fp.keyboard.SetCapsLock(data[6] & 1);

  // Then: a postamble, a beep string and a translation entry, each up to a 0 byte.
  std::size_t p = 8;
  const auto field = [&] {
    std::string s;
    while (p < size && data[p] != 0 && s.size() < 64) s += static_cast<char>(data[p++]);
    ++p;
    return s;
  };
  f.TermKeyCombo.text = field();
  app.serialSettings().ScannerBeepString = field();
  app.keyTrans()[data[7]] = field();

  app.PortList_Click(1);
  // The rest arrives in pieces; a byte of 0xFF..0xF0 means that many idle ticks instead.
  for (; p < size; ++p) {
    const std::uint8_t b = data[p];
    if (b >= 0xF0 && p + 1 < size && data[p + 1] == 0xF0) {
      for (int t = 0; t < b - 0xEF; ++t) app.TickTimer_Tick();
      ++p;
    } else {
      fp.serial.Arrive(std::string(1, static_cast<char>(b)));
      if (b % 7 == 0) app.TickTimer_Tick();
    }
    Check(app.assembly().state.CurrentRecord.size() <= tolvane::kMaxRecordLength);
  }
  for (int t = 0; t < 5; ++t) app.TickTimer_Tick();
  Check(app.assembly().state.CurrentRecord.empty());
  Check(app.assembly().state.ReceiveBuffer.empty());

  int held[3] = {0, 0, 0};
  for (const auto& e : fp.keyboard.events) {
    if (e.vk < 16 || e.vk > 18 || (e.flags & tolvane::Keyboard::kExtendedKey)) continue;
    held[e.vk - 16] += (e.flags & tolvane::Keyboard::kKeyUp) ? -1 : 1;
    Check(held[e.vk - 16] == 0 || held[e.vk - 16] == 1);
  }
  Check(held[0] == 0 && held[1] == 0 && held[2] == 0);
  return 0;
}
