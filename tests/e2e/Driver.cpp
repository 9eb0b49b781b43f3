// Drives Tolvane's windows from outside, as a user's desktop would, and plays the application
// it types into. Captions match exactly; [s] is a time limit in seconds, 10 if not given.
//   wait <caption> [s]           the window appears and its program waits for input
//   gone <caption> [s]           no such window remains
//   caption <prefix> [s]         prints the caption of the first window starting with prefix
//   texts <caption>              prints "class|text|id=N" for every control, with CR and LF in the
//                                text as \r and \n
//   hidden <caption>             succeeds if the window is there but not shown
//   shown <caption> [s]          the window, there already, is shown
//   command <caption> <id>       posts WM_COMMAND id (menu items)
//   syscommand <caption> <code>  posts WM_SYSCOMMAND
//   close <caption>              posts WM_CLOSE
//   post <caption> <msg> <w>     posts the message (a number) with that wParam, as the system
//                                tells a session change or a wake
//   select <caption> <n> <row>   chooses a row of the n-th drop-down list, as a click does
//   rows <caption> <n>           prints the rows of the n-th drop-down list, one a line
//   drop-icon <caption>          removes the window's notification icon, as an Explorer that
//                                restarts loses it
//   key <down|up|tap> <vk>       the user's own key, as the keyboard would send it
//   type-batch <text>            types the text as one bare SendInput batch (the baseline
//                                Tolvane's typing is measured against)
//   keyscan <code point>...      prints "<code point> <vk> <scan> <dead 0|1> <types 0|1>" for the key
//                                the layout in use gives each character (types: with its modifiers the
//                                key gives the character back), "<code point> -1" if none
//   front                        prints the caption of the window in front
//   activate <caption>           brings the window to the front
//   watch-keys <s>               prints "ready", then "down|up <vk> <injected 0|1>" for every key
//                                event of the whole desktop (a low-level keyboard hook) for s seconds
//   taskbar-created              broadcasts what Explorer sends when it starts again
//   tray-icons                   prints how many icons the notification area shows (Wine's
//                                taskbar: its visible child windows)
//   code-pages                   prints the ANSI code page and the user locale's own one
//   shell-starting <s>           for s seconds the shell refuses every new notification icon,
//                                as while Explorer is still starting: a notification area of
//                                its own, found first, that takes none
//   private-bytes <caption>      prints the private bytes (KiB) of the window's process
//   hold <file> <caption> <s>    holds the file open with no sharing, as a backup or sync client
//                                does, until s seconds after a window with the caption appears
//                                (30 s at most); prints "held" once a second open is refused
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Title(HWND h, int(WINAPI* get)(HWND, LPSTR, int) = GetWindowTextA) {
  char text[512] = "";
  get(h, text, sizeof text);
  return text;
}
std::string Class(HWND h) { return Title(h, GetClassNameA); }

// What a window of another process answers; -1 if it gives no answer within 5 s.
LRESULT Ask(HWND h, UINT message, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR n = 0;
  return SendMessageTimeoutA(h, message, w, l, 0, 5000, &n) ? static_cast<LRESULT>(n) : -1;
}

// A control's text as its own window procedure gives it (GetWindowText would only give
// another process's controls their creation text).
std::string ControlText(HWND h) {
  char text[4096] = "";
  const auto n = static_cast<size_t>(Ask(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text)));
  return std::string(text, n < sizeof text ? n : 0);
}

// The top-level windows, or the controls of parent.
std::vector<HWND> Windows(HWND parent = nullptr) {
  std::vector<HWND> all;
  const WNDENUMPROC add = [](HWND h, LPARAM p) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(p)->push_back(h);
    return TRUE;
  };
  if (parent)
    EnumChildWindows(parent, add, reinterpret_cast<LPARAM>(&all));
  else
    EnumWindows(add, reinterpret_cast<LPARAM>(&all));
  return all;
}

HWND Top(const std::string& caption, bool prefix = false) {
  for (HWND h : Windows())
    if (prefix ? Title(h).rfind(caption, 0) == 0 : Title(h) == caption) return h;
  return nullptr;
}

// Tries at least once.
bool Within(double seconds, const std::function<bool()>& done) {
  for (DWORD start = GetTickCount(); !done(); Sleep(50))
    if (GetTickCount() - start >= seconds * 1000) return false;
  return true;
}

INPUT Key(WORD vk, bool up) {
  INPUT in{INPUT_KEYBOARD, {}};
  in.ki = {vk, static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)), up ? DWORD{KEYEVENTF_KEYUP} : 0, 0, 0};
  return in;
}

int Send(std::vector<INPUT> in) {
  return SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size() ? 0 : 1;
}

int Post(HWND h, UINT message, WPARAM w, LPARAM l = 0) { return PostMessageA(h, message, w, l) ? 0 : 1; }

LRESULT CALLBACK LogKey(int code, WPARAM w, LPARAM l) {
  if (code == HC_ACTION) {
    const auto* k = reinterpret_cast<const KBDLLHOOKSTRUCT*>(l);
    std::printf("%s %lu %d\n", w == WM_KEYUP || w == WM_SYSKEYUP ? "up" : "down", k->vkCode,
                (k->flags & LLKHF_INJECTED) ? 1 : 0);
    std::fflush(stdout);
  }
  return CallNextHookEx(nullptr, code, w, l);
}

int WatchKeys(double seconds) {
  HHOOK hook = SetWindowsHookExA(WH_KEYBOARD_LL, LogKey, GetModuleHandleA(nullptr), 0);
  if (!hook) return 1;
  std::printf("ready\n");
  std::fflush(stdout);
  // The hook is called from this thread's message loop.
  for (const DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    for (MSG m; PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageA(&m);
  }
  UnhookWindowsHookEx(hook);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "", arg = argc > 2 ? argv[2] : "";
  const double seconds = argc > 3 ? std::atof(argv[3]) : 10;
  const int number = argc > 3 ? std::atoi(argv[3]) : 0;
  const auto vk = static_cast<WORD>(number);
  if (verb == "key" && arg == "tap") return Send({Key(vk, false), Key(vk, true)});
  if (verb == "key") return Send({Key(vk, arg == "up")});
  if (verb == "type-batch") {
    std::vector<INPUT> in;
    for (const char c : arg) {
      const SHORT scan = VkKeyScanA(c);
      const bool shift = (scan >> 8) & 1;
      if (shift) in.push_back(Key(VK_SHIFT, false));
      in.insert(in.end(), {Key(LOBYTE(scan), false), Key(LOBYTE(scan), true)});
      if (shift) in.push_back(Key(VK_SHIFT, true));
    }
    return Send(in);
  }
  if (verb == "keyscan") {
    for (int i = 2; i < argc; ++i) {
      const int c = std::atoi(argv[i]);
      const SHORT key = VkKeyScanW(static_cast<WCHAR>(c));
      const UINT vk = LOBYTE(key);
      if (key == -1) {
        std::printf("%d -1\n", c);
        continue;
      }
      BYTE state[256] = {};
      for (const auto& [bit, modifier] : {std::pair{1, VK_SHIFT}, {2, VK_CONTROL}, {4, VK_MENU}})
        if (HIBYTE(key) & bit) state[modifier] = 0x80;
      const UINT scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC);
      const bool dead = (MapVirtualKeyW(vk, MAPVK_VK_TO_CHAR) & 0x80000000u) != 0;
      WCHAR back[4] = {};
      const bool types = !dead && ToUnicode(vk, scan, state, back, 4, 0) == 1 && back[0] == c;
      std::printf("%d %u %u %d %d\n", c, vk, scan, dead ? 1 : 0, types ? 1 : 0);
    }
    return 0;
  }
  if (verb == "titles") {  // every top-level window with a caption: what a failed wait saw
    for (HWND h : Windows())
      if (!Title(h).empty() && Class(h) != "IME")
        std::printf("[%s] %s\n", Title(h).c_str(), IsWindowVisible(h) ? "shown" : "hidden");
    return 0;
  }
  if (verb == "front") return std::printf("%s\n", Title(GetForegroundWindow()).c_str()) < 0;
  if (verb == "watch-keys") return WatchKeys(std::atof(arg.c_str()));
  if (verb == "taskbar-created") return Post(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0);
  if (verb == "tray-icons") {  // a starting shell's stand-in has none
    int count = 0;
    for (HWND tray : Windows())
      if (Class(tray) == "Shell_TrayWnd")
        for (HWND icon : Windows(tray)) count += IsWindowVisible(icon) ? 1 : 0;
    return std::printf("%d\n", count) < 0;
  }
  if (verb == "code-pages") {
    DWORD legacy = 0;
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                   reinterpret_cast<LPWSTR>(&legacy), sizeof legacy / sizeof(WCHAR));
    return std::printf("%u %lu\n", GetACP(), legacy) < 0;
  }
  if (verb == "shell-starting") {
    const WNDCLASSA wc{0,
                       [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
                         return m == WM_COPYDATA ? FALSE : DefWindowProcA(h, m, w, l);
                       },
                       0,
                       0,
                       GetModuleHandleA(nullptr),
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr,
                       "Shell_TrayWnd"};
    RegisterClassA(&wc);
    HWND tray = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 0, 0, 1, 1, nullptr,
                                nullptr, wc.hInstance, nullptr);
    if (!tray || FindWindowA("Shell_TrayWnd", nullptr) != tray) return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (const DWORD start = GetTickCount(); GetTickCount() - start < std::atof(arg.c_str()) * 1000;) {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    DestroyWindow(tray);
    return 0;
  }
  if (verb == "hold" && argc > 4) {
    HANDLE held = CreateFileA(arg.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    // The premise, from the holder: anyone else's open, whatever sharing it offers, is refused.
    HANDLE other = CreateFileA(arg.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (held == INVALID_HANDLE_VALUE || other != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION)
      return std::printf("not held\n") < 0 ? 1 : 3;
    std::printf("held\n");
    std::fflush(stdout);
    Within(30, [&] { return Top(argv[3]) != nullptr; });
    Sleep(static_cast<DWORD>(std::atof(argv[4]) * 1000));
    CloseHandle(held);
    return 0;
  }
  if (verb == "gone") return Within(seconds, [&] { return !Top(arg); }) ? 0 : 1;
  // Only wait and caption give the window time to appear.
  const bool prefix = verb == "caption";
  HWND h = nullptr;
  if (!Within(prefix || verb == "wait" ? seconds : 0, [&] { return (h = Top(arg, prefix)) != nullptr; })) return 1;
  if (prefix) return std::printf("%s\n", Title(h).c_str()) < 0;
  if (verb == "wait") {
    // Its program has finished starting: it waits for input, with none pending.
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
      WaitForInputIdle(process, static_cast<DWORD>(seconds * 1000));
      CloseHandle(process);
    }
    return 0;
  }
  if (verb == "texts") {
    for (HWND c : Windows(h)) {
      std::string text;
      for (const char ch : ControlText(c)) text += ch == '\r' ? "\\r" : ch == '\n' ? "\\n" : std::string(1, ch);
      std::printf("%s|%s|id=%d\n", Class(c).c_str(), text.c_str(), GetDlgCtrlID(c));
    }
    return 0;
  }
  if (verb == "hidden") return IsWindowVisible(h) ? 1 : 0;
  if (verb == "shown") return Within(seconds, [h] { return IsWindowVisible(h) != FALSE; }) ? 0 : 1;
  if (verb == "private-bytes") {
    // Its committed private memory, region by region: what Windows counts as private bytes (Wine's
    // own counters leave that figure at 0).
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return 1;
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQueryEx(process, at, &region, sizeof region) == sizeof region;) {
      if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
      at = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    }
    CloseHandle(process);
    return total > 0 && std::printf("%zu\n", total / 1024) > 0 ? 0 : 1;
  }
  if (verb == "activate") return SetForegroundWindow(h) ? 0 : 1;
  if (verb == "command") return Post(h, WM_COMMAND, static_cast<WPARAM>(number));
  if (verb == "syscommand") return Post(h, WM_SYSCOMMAND, static_cast<WPARAM>(number));
  if (verb == "close") return Post(h, WM_CLOSE, 0);
  if (verb == "post" && argc > 4)
    return Post(h, static_cast<UINT>(number), static_cast<WPARAM>(std::strtoul(argv[4], nullptr, 0)));
  std::vector<HWND> lists;
  for (HWND c : Windows(h))
    if (Class(c) == "ComboBox") lists.push_back(c);
  if (verb == "rows" && static_cast<size_t>(number) < lists.size()) {
    HWND combo = lists[static_cast<size_t>(number)];
    // Asked in UTF-16: Wine hands another process's rows over as the window keeps them.
    for (LRESULT row = 0, rows = Ask(combo, CB_GETCOUNT); row < rows; ++row) {
      wchar_t text[256] = L"";
      DWORD_PTR n = 0;
      if (Ask(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(row)) < 256)
        SendMessageTimeoutW(combo, CB_GETLBTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text), 0, 5000, &n);
      std::printf("%ls\n", text);
    }
    return 0;
  }
  if (verb == "select" && argc > 4) {
    if (static_cast<size_t>(number) >= lists.size()) return 1;
    HWND combo = lists[static_cast<size_t>(number)];
    const LRESULT row = std::atoi(argv[4]);
    const auto shown = [combo] { return Ask(combo, CB_GETCURSEL); };
    // A click moves the row and tells the window in one step. Here they are two messages, and a
    // tick between them puts the form's own row back; then the user chooses again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      Post(combo, CB_SETCURSEL, static_cast<WPARAM>(row));
      Post(h, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
      if (Within(5, [&] { return shown() == row; }) && !Within(1, [&] { return shown() != row; })) return 0;
    }
    return 1;
  }
  if (verb == "drop-icon") {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = h;
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
  }
  return 2;
}
