#include "windows/Win32.h"

#include "windows/Keyboard.h"

namespace tolvane::win32 {

// The byte as the character it stands for (VkKeyScanA would read it in the ANSI code page).
std::int16_t Keyboard::VkKeyScan(std::uint8_t c) {
  const auto byte = static_cast<CHAR>(c);
  WCHAR w = 0;
  return MultiByteToWideChar(ByteCodePage(), 0, &byte, 1, &w, 1) == 1 ? ::VkKeyScanW(w) : -1;
}

std::uint8_t Keyboard::MapVirtualKey(std::uint8_t vk) { return static_cast<std::uint8_t>(::MapVirtualKeyA(vk, 0)); }

// The keys as the system has them now. This thread reads no keyboard input while another
// window has the focus, and asking it for one key brings its whole table up to date. Reading
// the focused window's thread instead (by attaching to it) would reset that thread's table,
// and keys it has still to turn into characters would lose their Shift.
KeyboardState Keyboard::GetKeyboardState() {
  KeyboardState state{};
  ::GetKeyState(0);
  ::GetKeyboardState(state.data());
  return state;
}

void Keyboard::SetKeyboardState(const KeyboardState& state) {
  KeyboardState copy = state;
  ::SetKeyboardState(copy.data());
}

void Keyboard::KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
  ::keybd_event(vk, scan, flags & ~kAltGr, 0);
}

bool Keyboard::ShiftTurnsCapsLockOff() { return ShiftLockChosen(); }

bool ShiftLockChosen() {
  DWORD attributes = 0, size = sizeof attributes;
  if (RegGetValueW(HKEY_CURRENT_USER, L"Keyboard Layout", L"Attributes", RRF_RT_REG_DWORD, nullptr, &attributes,
                   &size) != ERROR_SUCCESS)
    return false;
  return (attributes & KLF_SHIFTLOCK) != 0;
}

}  // namespace tolvane::win32
