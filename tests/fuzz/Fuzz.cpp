// The fuzz targets, one binary each (FUZZ_PART picks the part): whatever the input, nothing
// crashes and the properties below hold.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "app/Tolvane.h"
#include "capture/RecordAssembly.h"
#include "common/Text.h"
#include "common/TextToNumber.h"
#include "config/ProfileFile.h"
#include "keysynth/SendKeysEmitter.h"
#include "linux/CommandLine.h"
#include "serialsettings/DeviceAddress.h"
#include "tests/fakes/FakePlatform.h"
#include "tests/support/TypingSimulator.h"

namespace {

using namespace tolvane;
using Bytes = std::string;

void Check(bool ok) {
  if (!ok) std::abort();
}

// The pieces between 0 bytes; always at least one.
std::vector<Bytes> Split(const Bytes& data) {
  std::vector<Bytes> pieces(1);
  for (const char c : data) {
    if (c == '\0')
      pieces.emplace_back();
    else
      pieces.back() += c;
  }
  return pieces;
}

// Console key events: a failed parse types nothing; modifiers pair up and every key goes up
// before the next goes down; the Caps Lock switch is the only extended event.
void CheckConsoleEvents(const std::vector<fake::RecordedKeyEvent>& events) {
  int held[3] = {0, 0, 0}, pending = -1;
  for (const auto& e : events) {
    const bool up = (e.flags & Keyboard::kKeyUp) != 0;
    if (e.flags & Keyboard::kExtendedKey) {
      Check(e.vk == vk::Capital && e.scan == 69);
    } else if (IsModifierToggle(e.vk)) {
      Check(pending < 0 && held[e.vk - vk::Shift] == (up ? 1 : 0));
      held[e.vk - vk::Shift] ^= 1;
    } else {
      Check(up ? pending == e.vk : pending < 0);
      pending = up ? -1 : e.vk;
    }
  }
  Check(pending < 0 && held[0] + held[1] + held[2] == 0);
}

// Numbers keep their rounding promises; the beep string gives one byte per field.
void Numbers(const Bytes& text) {
  const double v = TextToNumber(text);
  Check(!std::isnan(v));
  if (const auto n = ToInt16(v)) Check(std::fabs(*n - v) <= 0.5);
  if (const auto n = ToInt32(v)) Check(std::fabs(static_cast<double>(*n) - v) <= 0.5);
  if (const auto bytes = BeepStringToBytes(text))
    Check(bytes->size() == 1 + static_cast<std::size_t>(std::count(text.begin(), text.end(), ',')));
}

// A file, a 0, then edits "key\x01value" between 0 bytes: after the edits and a write, each
// key reads back as last written and every other key as it was.
void Profile(const Bytes& input) {
  const auto pieces = Split(input);
  ProfileFile file = ProfileFile::Parse(pieces[0]);
  std::map<std::string, std::pair<std::string, std::string>> last;  // by upper-cased name
  for (std::size_t i = 1; i < pieces.size(); ++i) {
    const Bytes& edit = pieces[i];
    const auto sep = edit.find('\x01');
    std::string name, value = sep == Bytes::npos ? "" : edit.substr(sep + 1);
    for (const char c : edit.substr(0, sep))
      if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    if (!name.empty()) last[ToUpper(name)] = {name, value};
  }
  std::map<std::string, std::optional<std::string>> before;
  for (const char* k : {"COMPORT", "SETTINGS", "KEYTRANS65", "K"}) before[k] = file.Get("Tolvane", k);
  for (const auto& [upper, edit] : last) file.Set("Tolvane", edit.first, edit.second);
  const ProfileFile again = ProfileFile::Parse(file.Serialize());
  for (const auto& [upper, edit] : last) {
    std::string clean;
    for (const char c : edit.second)
      if (c != '\r' && c != '\n') clean += c;
    Check(again.Get("Tolvane", edit.first) == clean);
  }
  for (const auto& [k, v] : before)
    if (!last.count(k)) Check(again.Get("Tolvane", k) == v);
}

// Preferences from the first bytes, then a postamble, a beep string and a translation entry
// (each up to a 0), then line data in pieces (a byte of 0xF0..0xFF followed by 0xF0 is that
// many idle ticks): records stay bounded, silence finishes them, the console path is sound.
void Record(const Bytes& data) {
  if (data.size() < 8) return;
  const auto at = [&data](std::size_t i) { return static_cast<std::uint8_t>(data[i]); };
  fake::FakePlatform fp;
  Tolvane app(fp.platform());
  fp.activeWindow.programActive = (at(0) & 1) == 0;
  auto& f = app.mainForm();
  f.RemoveCRs.SetValue(at(1) % 3);
  f.NumFilter.SetValue((at(1) / 3) % 3);
  f.IgnoreDups.SetValue((at(1) / 9) % 3);
  f.BeepOnInput.SetValue(at(2) % 3);
  f.cboSound.listIndex = static_cast<std::int8_t>(at(3));
  f.chkDOSTarget.SetValue(at(4) % 3);
  app.serialSettings().FlowCtrlIndex = at(5) % 6;
  fp.keyboard.SetCapsLock(at(6) & 1);
  std::size_t p = 8;
  const auto field = [&] {
    if (p >= data.size()) return Bytes();
    const auto end = std::min(data.find('\0', p), std::min(data.size(), p + 64));
    const Bytes s = data.substr(p, end - p);
    p = end + 1;
    return s;
  };
  f.TermKeyCombo.text = field();
  app.serialSettings().ScannerBeepString = field();
  app.keyTrans()[at(7)] = field();
  app.PortList_Click(1);
  for (; p < data.size(); ++p) {
    if (at(p) >= 0xF0 && p + 1 < data.size() && at(p + 1) == 0xF0) {
      for (int t = 0; t < at(p) - 0xEF; ++t) app.TickTimer_Tick();
      ++p;
    } else {
      fp.serial.Arrive(Bytes(1, data[p]));
      if (at(p) % 7 == 0) app.TickTimer_Tick();
    }
    Check(app.assembly().state.CurrentRecord.size() <= kMaxRecordLength);
  }
  for (int t = 0; t < 5; ++t) app.TickTimer_Tick();
  Check(app.assembly().state.CurrentRecord.empty() && app.assembly().state.ReceiveBuffer.empty());
  CheckConsoleEvents(fp.keyboard.events);
}

// A key string on the console path, Caps Lock from the first byte.
void KeySynth(const Bytes& data) {
  if (data.empty()) return;
  fake::Keyboard keyboard;
  keyboard.SetCapsLock(data[0] & 1);
  ConsoleKeyEmitter emitter(keyboard);
  const Bytes keys = data.substr(1);
  const std::int16_t result = emitter.SimSendKeys(keys);
  Check(result >= kParseOk && result <= kNoKeyForCharacter);
  Check(result == 0 ? keyboard.stateWrites == 2 : keyboard.events.empty() && keyboard.stateWrites == 0);
  CheckConsoleEvents(keyboard.events);
  Check(result != 0 || keyboard.capsLockOn == ((data[0] & 1) != 0) || keys.find('{') != Bytes::npos);
}

// The facility's notation on a published layout, Caps Lock and the user's held keys from the
// first two bytes: the text's modifiers pair up, and the batch leaves no key down, Caps Lock
// as it was (or switched, when the text taps it an odd number of times) and no dead key waiting.
void Typing(const Bytes& data) {
  if (data.size() < 2) return;
  const auto strokes = ParseSendKeys(data.substr(2));
  if (!strokes) return;
  int held[3] = {0, 0, 0};
  std::size_t capsTaps = 0;
  for (const auto& s : *strokes) {
    if (s.kind == KeyStroke::Down) ++held[s.vk - vk::Shift];
    if (s.kind == KeyStroke::Up) Check(--held[s.vk - vk::Shift] >= 0);
    capsTaps += s.kind == KeyStroke::Key && s.vk == vk::Capital;
  }
  Check(strokes->size() <= kMaxStrokes && held[0] + held[1] + held[2] == 0);
  const auto& layouts = test::AllLayouts();
  const test::TableLayout layout(*layouts[static_cast<std::uint8_t>(data[0]) % layouts.size()]);
  test::TypingSimulator sim(layout, (data[0] & 0x80) != 0);  // also the keyboard's state
  const std::uint8_t modifiers[8] = {vk::LShift, vk::RShift, vk::LControl, vk::RControl,
                                     vk::LMenu,  vk::RMenu,  vk::LWin,     vk::RWin};
  for (int i = 0; i < 8; ++i)
    if (data[1] & (1 << i)) sim.Hold(modifiers[i]);
  SendKeysEmitter emitter(layout, sim, [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
  emitter.Add(*strokes);
  sim.Type(emitter.Finish());
  const auto& faults = sim.Faults();
  Check(faults.size() == capsTaps % 2 && (faults.empty() || faults[0].rfind("Caps Lock turned", 0) == 0));
}

// The Linux program's command line (arguments between 0 bytes) and its Device and status
// texts: a clear yes or no, and lines with nothing but printable characters.
void LinuxCommandLine(const Bytes& data) {
  const std::vector<std::string> args = Split(data);
  std::string error;
  const auto o = posix::ParseArguments(args, error);
  const bool known = o && (o->typing == "auto" || o->typing == "uinput" || o->typing == "xtest");
  Check(o ? error.empty() && known : !error.empty());
  const std::string device = posix::DevicePath(args[0], static_cast<int>(args.size()) - 1);
  Check(!device.empty() || (args[0].empty() && args.size() == 1));
  for (const char c : posix::PrintableLine(data + posix::StatusText(data, args[0]))) Check(c >= 32 && c < 127);
}

// A RecordEnd value, a 0, a Device value, a 0, then line data (a byte of 0xFF is a tick). The
// value is a byte list that writes back as itself, or nothing; an address reads back from its
// own text, and one refused names the value; records stay bounded, a held end is never whole,
// and silence finishes everything.
void Framing(const Bytes& data) {
  const auto pieces = Split(data);
  const auto end = ParseRecordEnd(pieces[0]);
  if (end) {
    Check(ParseRecordEnd(RecordEndText(*end)) == end);
    Check(end->empty() ||
          end->size() == 1 + static_cast<std::size_t>(std::count(pieces[0].begin(), pieces[0].end(), ',')));
  }
  const Bytes device = pieces.size() > 1 ? pieces[1] : Bytes();
  std::string error;
  if (const auto address = ParseDeviceAddress(device, error)) {
    Check(error.empty() && IsNetworkAddress(device) && address->port > 0 && !address->host.empty());
    std::string again;
    const auto reread = ParseDeviceAddress(address->text, again);
    Check(reread && reread->text == address->text && reread->host == address->host &&
          reread->rfc2217 == address->rfc2217);
  } else {
    Check(error.rfind(device + ": ", 0) == 0);
  }
  if (!device.empty() && (device[0] == '/' || device[0] == '.')) Check(!IsNetworkAddress(device));

  fake::FakePlatform fp;
  Tolvane app(fp.platform());
  app.serialSettings().RecordEnd = end.value_or("");
  app.PortList_Click(1);
  const auto& state = app.assembly().state;
  const Bytes line = pieces.size() > 2 ? data.substr(pieces[0].size() + pieces[1].size() + 2) : Bytes();
  for (const char c : line) {
    if (static_cast<std::uint8_t>(c) == 0xFF)
      app.TickTimer_Tick();
    else
      fp.serial.Arrive(Bytes(1, c));
    Check(state.CurrentRecord.size() <= kMaxRecordLength);
    Check(state.EndHeld.size() < std::max<std::size_t>(1, end.value_or("").size()));
  }
  for (int t = 0; t < 5; ++t) app.TickTimer_Tick();
  Check(state.CurrentRecord.empty() && state.ReceiveBuffer.empty() && state.EndHeld.empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Bytes input(reinterpret_cast<const char*>(data), size);
  void (*const parts[])(const Bytes&) = {Numbers, Profile, Record, KeySynth, Typing, LinuxCommandLine, Framing};
  parts[FUZZ_PART](input);
  return 0;
}
