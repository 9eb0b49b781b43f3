#include "platform/win32/Win32.h"

#include "platform/win32/SendKeys.h"

#include <vector>

#include "keysynth/SendKeysNotation.h"

namespace tolvane::win32 {
namespace {

class InputBuilder {
 public:
  explicit InputBuilder(HKL layout) : layout_(layout) {}

  void Key(BYTE vk, bool up) {
    INPUT in;
    ZeroMemory(&in, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyExA(vk, MAPVK_VK_TO_VSC, layout_));
    in.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(vk) ? KEYEVENTF_EXTENDEDKEY : 0);
    inputs.push_back(in);
  }

  void Unicode(WCHAR c) {
    for (const bool up : {false, true}) {
      INPUT in;
      ZeroMemory(&in, sizeof in);
      in.type = INPUT_KEYBOARD;
      in.ki.wScan = c;
      in.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
      inputs.push_back(in);
    }
  }

  void Modifier(BYTE vk, bool down) {
    int& n = held_[vk - VK_SHIFT];
    if (down && n++ == 0) Key(vk, false);
    if (!down && n > 0 && --n == 0) Key(vk, true);
  }

  // A character as the layout types it: its key with the Shift, Ctrl and Alt it needs
  // beyond those already held; Caps Lock does not get to invert a letter.
  void Char(char ansi, bool capsLock) {
    WCHAR c = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &ansi, 1, &c, 1) != 1 || c == 0) return;
    const SHORT scan = VkKeyScanExW(c, layout_);
    if (scan == -1 || LOBYTE(scan) == 0xFF) {
      Unicode(c);
      return;
    }
    BYTE shift = HIBYTE(scan);
    if (capsLock && IsCharAlphaW(c) && (shift & 6) == 0) shift ^= 1;
    const BYTE mods[3] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    bool pressed[3] = {false, false, false};
    for (int i = 0; i < 3; ++i) {
      if ((shift & (1 << i)) && held_[mods[i] - VK_SHIFT] == 0) {
        Key(mods[i], false);
        pressed[i] = true;
      }
    }
    Key(LOBYTE(scan), false);
    Key(LOBYTE(scan), true);
    for (int i = 2; i >= 0; --i)
      if (pressed[i]) Key(mods[i], true);
  }

  void ReleaseHeld() {
    const BYTE mods[3] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    for (int i = 0; i < 3; ++i)
      while (held_[i] > 0) Modifier(mods[i], false);
  }

  std::vector<INPUT> inputs;

 private:
  HKL layout_;
  int held_[3] = {0, 0, 0};  // Shift, Ctrl, Alt held by "+", "^", "%"
};

HWND FocusWindow() {
  GUITHREADINFO info;
  ZeroMemory(&info, sizeof info);
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(0, &info)) return GetForegroundWindow();
  return info.hwndFocus ? info.hwndFocus : info.hwndActive;
}

}  // namespace

Status SendKeys::Send(const std::string& keys, bool wait) {
  const auto strokes = ParseSendKeys(keys);
  if (!strokes) return Status::Fail("Invalid procedure call or argument");
  if (strokes->empty()) return Status::Ok();

  const HWND focus = FocusWindow();
  const HKL layout = GetKeyboardLayout(focus ? GetWindowThreadProcessId(focus, nullptr) : 0);
  const bool capsLock = (GetKeyState(VK_CAPITAL) & 1) != 0;
  InputBuilder b(layout);
  for (const auto& s : *strokes) {
    switch (s.kind) {
      case KeyStroke::Char: b.Char(s.ch, capsLock); break;
      case KeyStroke::Key: b.Key(s.vk, false); b.Key(s.vk, true); break;
      case KeyStroke::Down: b.Modifier(s.vk, true); break;
      case KeyStroke::Up: b.Modifier(s.vk, false); break;
    }
  }
  b.ReleaseHeld();
  if (b.inputs.empty()) return Status::Ok();
  const UINT sent = SendInput(static_cast<UINT>(b.inputs.size()), b.inputs.data(), sizeof(INPUT));
  if (sent != b.inputs.size()) return Status::Fail(ErrorText(GetLastError()));

  // Waiting: the focused window's thread has answered a message sent after the keys went in.
  if (wait && focus) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(focus, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_NORMAL, 1000, &result);
  }
  return Status::Ok();
}

}  // namespace tolvane::win32
