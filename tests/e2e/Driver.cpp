// Drives Tolvane's windows from outside, as a user's desktop would. Captions match exactly;
// [s] is a time limit in seconds, 10 if not given.
//   wait <caption> [s]           the window appears and its program waits for input
//   gone <caption> [s]           no such window remains
//   caption <prefix> [s]         prints the caption of the first window starting with prefix
//   texts <caption>              prints "class|text|id=N" for every control
//   command <caption> <id>       posts WM_COMMAND id (menu items)
//   syscommand <caption> <code>  posts WM_SYSCOMMAND
//   close <caption>              posts WM_CLOSE
//   select <caption> <n> <row>   chooses a row of the n-th drop-down list, as a click does
//   drop-icon <caption>          removes the window's notification icon, as an Explorer that
//                                restarts loses it
//   list                         prints "caption|visible=0 or 1" for every top-level window
//   key <down|up|tap> <vk>       the user's own key, as the keyboard would send it
//   type-batch <text>            types the text as one bare SendInput batch (the baseline
//                                Tolvane's typing is measured against)
//   taskbar-created              broadcasts what Explorer sends when it starts again
//   tray-icons                   prints how many icons the notification area shows (Wine's
//                                taskbar: its visible child windows)
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string Title(HWND h) {
  char text[512] = "";
  GetWindowTextA(h, text, sizeof text);
  return text;
}

std::string Class(HWND h) {
  char name[64] = "";
  GetClassNameA(h, name, sizeof name);
  return name;
}

// A control's text as its own window procedure gives it (GetWindowText would only give
// another process's controls their creation text).
std::string ControlText(HWND h) {
  char text[4096] = "";
  DWORD_PTR n = 0;
  SendMessageTimeoutA(h, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &n);
  return std::string(text, n < sizeof text ? n : 0);
}

// The first top-level window (or control of parent) that matches; nullptr if none.
HWND Find(const std::function<bool(HWND)>& match, HWND parent = nullptr) {
  struct Search {
    const std::function<bool(HWND)>& match;
    HWND found;
  } search{match, nullptr};
  const WNDENUMPROC visit = [](HWND h, LPARAM p) -> BOOL {
    auto* s = reinterpret_cast<Search*>(p);
    if (!s->match(h)) return TRUE;
    s->found = h;
    return FALSE;
  };
  if (parent) EnumChildWindows(parent, visit, reinterpret_cast<LPARAM>(&search));
  else EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND Top(const std::string& caption, bool prefix = false) {
  return Find([&](HWND h) { return prefix ? Title(h).rfind(caption, 0) == 0 : Title(h) == caption; });
}

bool Within(double seconds, const std::function<bool()>& done) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000; Sleep(50))
    if (done()) return true;
  return false;
}

INPUT Key(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return in;
}

int Send(std::vector<INPUT> in) {
  return SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)) == in.size() ? 0 : 1;
}

int Post(HWND h, UINT message, WPARAM w, LPARAM l = 0) { return PostMessageA(h, message, w, l) ? 0 : 1; }

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 1 ? argv[1] : "", arg = argc > 2 ? argv[2] : "";
  const double seconds = argc > 3 ? std::atof(argv[3]) : 10;
  const int number = argc > 3 ? std::atoi(argv[3]) : 0;
  if (verb == "list") {
    Find([](HWND h) {
      std::printf("%s|visible=%d\n", Title(h).c_str(), IsWindowVisible(h) ? 1 : 0);
      return false;
    });
    return 0;
  }
  if (verb == "key") {
    std::vector<INPUT> in;
    if (arg != "up") in.push_back(Key(static_cast<WORD>(number), false));
    if (arg != "down") in.push_back(Key(static_cast<WORD>(number), true));
    return Send(in);
  }
  if (verb == "type-batch") {
    std::vector<INPUT> in;
    for (const char c : arg) {
      const SHORT scan = VkKeyScanA(c);
      const bool shift = (scan >> 8) & 1;
      if (shift) in.push_back(Key(VK_SHIFT, false));
      in.push_back(Key(LOBYTE(scan), false));
      in.push_back(Key(LOBYTE(scan), true));
      if (shift) in.push_back(Key(VK_SHIFT, true));
    }
    return Send(in);
  }
  if (verb == "taskbar-created") return Post(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0);
  if (verb == "tray-icons") {
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    int count = 0;
    if (tray)
      Find([&](HWND h) {
        count += IsWindowVisible(h) ? 1 : 0;
        return false;
      }, tray);
    std::printf("%d\n", count);
    return tray ? 0 : 1;
  }
  if (verb == "gone") return Within(seconds, [&] { return !Top(arg); }) ? 0 : 1;
  HWND h = nullptr;
  if (verb == "caption") {
    if (!Within(seconds, [&] { return (h = Top(arg, true)) != nullptr; })) return 1;
    std::printf("%s\n", Title(h).c_str());
    return 0;
  }
  if (verb == "wait") {
    if (!Within(seconds, [&] { return (h = Top(arg)) != nullptr; })) return 1;
    // Its program has finished starting: it waits for input, with none pending.
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
      WaitForInputIdle(process, static_cast<DWORD>(seconds * 1000));
      CloseHandle(process);
    }
    return 0;
  }
  if (!(h = Top(arg))) return 1;
  if (verb == "texts") {
    Find([](HWND c) {
      std::printf("%s|%s|id=%d\n", Class(c).c_str(), ControlText(c).c_str(), GetDlgCtrlID(c));
      return false;
    }, h);
    return 0;
  }
  if (verb == "command") return Post(h, WM_COMMAND, static_cast<WPARAM>(number));
  if (verb == "syscommand") return Post(h, WM_SYSCOMMAND, static_cast<WPARAM>(number));
  if (verb == "close") return Post(h, WM_CLOSE, 0);
  if (verb == "select" && argc > 4) {
    int seen = 0;
    HWND combo = Find([&](HWND c) { return Class(c) == "ComboBox" && seen++ == number; }, h);
    if (!combo) return 1;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(combo, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0, SMTO_ABORTIFHUNG, 2000, &result);
    return Post(h, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }
  if (verb == "drop-icon") {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = h;
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
  }
  return 2;
}
