#include "windows/Win32.h"

#include "windows/SendKeys.h"

#include <vector>

#include "keysynth/SendKeysEmitter.h"
#include "windows/Keyboard.h"

namespace tolvane::win32 {
namespace {

// The focused window's layout, asked as the emitter asks.
class SystemLayout : public KeyboardLayout {
 public:
  explicit SystemLayout(HKL layout) : layout_(layout) {}

  std::int16_t VkKeyScanEx(char16_t c) const override { return ::VkKeyScanExW(static_cast<WCHAR>(c), layout_); }

  std::uint16_t ScanCode(std::uint8_t vk) const override {
    return static_cast<std::uint16_t>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC_EX, layout_));
  }

  KeyResult Translate(std::uint8_t vk, std::uint8_t modifiers, bool capsLock) const override {
    BYTE state[256] = {};
    if (modifiers & kModShift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    if (modifiers & kModCtrl) state[VK_CONTROL] = state[VK_LCONTROL] = 0x80;
    if (modifiers & kModAlt) state[VK_MENU] = state[VK_LMENU] = 0x80;
    if (capsLock) state[VK_CAPITAL] = 0x01;
    WCHAR out[8] = {};
    const UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_);
    // Flag 4 leaves the thread's dead-key state alone where Windows knows it; elsewhere a
    // blank clears what a dead key left.
    const int n = ToUnicodeEx(vk, scan, state, out, 8, 4, layout_);
    KeyResult r;
    if (n < 0) {
      r.ch = out[0];
      r.dead = true;
      BYTE blank[256] = {};
      WCHAR ignored[8];
      while (ToUnicodeEx(VK_SPACE, MapVirtualKeyExW(VK_SPACE, MAPVK_VK_TO_VSC, layout_), blank, ignored, 8, 4,
                         layout_) < 0) {
      }
    } else if (n == 1) {
      r.ch = out[0];
    }
    return r;
  }

  // Layouts put characters behind Ctrl+Alt only where their right Alt key is AltGr (their
  // tables' KLLF_ALTGR), and the emitter asks only for such characters.
  bool RightAltIsAltGr() const override { return true; }

 private:
  HKL layout_;
};

// Caps Lock as the system has it, and the modifier keys held right now.
class SystemKeys : public SystemKeyState {
 public:
  std::int16_t GetKeyState(std::uint8_t vk) const override {
    if (vk == VK_CAPITAL) return ::GetKeyState(VK_CAPITAL) & 1;
    return static_cast<std::int16_t>(GetAsyncKeyState(vk) & 0x8000);
  }
  bool ShiftTurnsCapsLockOff() const override { return shiftLock_; }

 private:
  bool shiftLock_ = ShiftLockChosen();
};

char16_t FromAnsi(char c) {
  WCHAR w = 0;
  return MultiByteToWideChar(ByteCodePage(), 0, &c, 1, &w, 1) == 1 ? static_cast<char16_t>(w) : 0;
}

INPUT ToInput(const KeyInput& k) {
  INPUT in;
  ZeroMemory(&in, sizeof in);
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = k.vk;
  in.ki.wScan = k.scan;
  in.ki.dwFlags =
      (k.up ? KEYEVENTF_KEYUP : 0) | (k.extended ? KEYEVENTF_EXTENDEDKEY : 0) | (k.unicode ? KEYEVENTF_UNICODE : 0);
  return in;
}

HWND FocusWindow() {
  GUITHREADINFO info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(0, &info)) return GetForegroundWindow();
  return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

}  // namespace

Delivery SendKeys::SendBatch(const std::vector<std::string>& texts, bool wait) {
  Delivery d;
  const HWND focus = FocusWindow();
  const SystemLayout layout(GetKeyboardLayout(focus ? GetWindowThreadProcessId(focus, nullptr) : 0));
  const SystemKeys keys;
  SendKeysEmitter emitter(layout, keys, FromAnsi);
  for (const auto& text : texts) {
    const auto strokes = ParseSendKeys(text);
    if (strokes)
      emitter.Add(*strokes);
    else
      ++d.unreadable;
  }
  const std::vector<KeyInput> batch = emitter.Finish();
  if (batch.empty()) return d;

  std::vector<INPUT> inputs;
  inputs.reserve(batch.size());
  for (const auto& k : batch) inputs.push_back(ToInput(k));
  // One call: the user's own typing cannot land in the middle of the scan.
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    d.delivered = false;
    return d;
  }
  // Waiting: the focused window's thread has answered a message sent after the keys went in.
  if (wait && focus) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(focus, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000, &result);
  }
  return d;
}

}  // namespace tolvane::win32
