#include "platform/win32/Win32.h"

#include "platform/win32/Keyboard.h"

#include <memory>

namespace tolvane::win32 {

std::int16_t Keyboard::VkKeyScan(std::uint8_t c) { return ::VkKeyScanA(static_cast<CHAR>(c)); }

std::uint8_t Keyboard::MapVirtualKey(std::uint8_t vk) {
  return static_cast<std::uint8_t>(::MapVirtualKeyA(vk, 0));
}

namespace {

struct StateRequest {
  DWORD target;
  KeyState state;
};

// A thread of its own attaches to the focused window's thread for the reading, so the
// user-interface thread never shares that thread's input state.
DWORD WINAPI ReadFocusedState(void* param) {
  const std::unique_ptr<std::shared_ptr<StateRequest>> owned(static_cast<std::shared_ptr<StateRequest>*>(param));
  StateRequest* request = owned->get();
  MSG msg;
  PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // a message queue, which attaching needs
  const DWORD self = GetCurrentThreadId();
  if (request->target != 0 && request->target != self && AttachThreadInput(self, request->target, TRUE)) {
    ::GetKeyboardState(request->state.data());
    AttachThreadInput(self, request->target, FALSE);
  }
  return 0;
}

}  // namespace

KeyState FocusedThreadKeyState() {
  const HWND foreground = GetForegroundWindow();
  auto request = std::make_shared<StateRequest>();
  request->target = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  ::GetKeyboardState(request->state.data());  // what this thread knows, if the reading fails
  KeyState known = request->state;
  if (request->target == 0 || request->target == GetCurrentThreadId()) return known;
  // The reader shares the request, so a reading that comes too late harms nothing.
  auto* handed = new std::shared_ptr<StateRequest>(request);
  HANDLE reader = CreateThread(nullptr, 0, ReadFocusedState, handed, 0, nullptr);
  if (!reader) {
    delete handed;
    return known;
  }
  const bool done = WaitForSingleObject(reader, 1000) == WAIT_OBJECT_0;
  CloseHandle(reader);
  return done ? request->state : known;
}

KeyState Keyboard::GetKeyboardState() { return FocusedThreadKeyState(); }

void Keyboard::SetKeyboardState(const KeyState& state) {
  KeyState copy = state;
  ::SetKeyboardState(copy.data());
}

void Keyboard::KeybdEvent(std::uint8_t vk, std::uint8_t scan, std::uint32_t flags) {
  ::keybd_event(vk, scan, flags, 0);
}

}  // namespace tolvane::win32
