// Drives Tolvane's windows from outside, as a user's desktop would: waits for a window by its
// caption, prints captions and control texts, sends menu commands, closes windows.
//   driver wait <caption> [seconds]      a top-level window with exactly this caption appears
//                                        and its program waits for input
//   driver gone <caption> [seconds]      no such window remains
//   driver caption <prefix> [seconds]    prints the caption of the first window starting with prefix
//   driver texts <caption>               prints "class|text|visible|enabled|id=N|..." of every control
//   driver command <caption> <id>        posts WM_COMMAND id (menu items)
//   driver close <caption>               posts WM_CLOSE
//   driver select <caption> <n> <row>    chooses a row of the n-th drop-down list, as a click does
//   driver activate <caption>            brings the window to the front, as a click on it would
//   driver syscommand <caption> <code>   posts WM_SYSCOMMAND (SC_RESTORE is 61728)
//   driver list                          prints every top-level window
//   driver key <down|up|tap> <vk>        the user's own key, as the keyboard would send it
//   driver type-batch <file>             types the file's text as one bare SendInput batch
//                                        (the baseline Tolvane's typing is measured against)
//   driver taskbar-created               broadcasts what Explorer sends when it starts again
//   driver tray-icons                    prints how many icons the notification area shows
//                                        (Wine's taskbar: its visible child windows)
//   driver drop-icon <caption>           removes that window's notification icon, as an
//                                        Explorer that restarts loses it
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Search {
  std::string text;
  bool prefix;
  HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
  auto* s = reinterpret_cast<Search*>(param);
  char title[512] = "";
  GetWindowTextA(hwnd, title, sizeof title);
  const bool match = s->prefix ? std::strncmp(title, s->text.c_str(), s->text.size()) == 0 : s->text == title;
  if (match) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindTop(const std::string& text, bool prefix) {
  Search s{text, prefix, nullptr};
  EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

HWND WaitFor(const std::string& text, bool prefix, double seconds) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000;) {
    if (HWND h = FindTop(text, prefix)) return h;
    Sleep(50);
  }
  return nullptr;
}

// A control's text as its own window procedure gives it (GetWindowText would only give
// another process's controls their creation text).
std::string ControlText(HWND hwnd) {
  char text[4096] = "";
  DWORD_PTR n = 0;
  SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &n);
  return std::string(text, n < sizeof text ? n : 0);
}

BOOL CALLBACK PrintChild(HWND hwnd, LPARAM) {
  char cls[64] = "";
  GetClassNameA(hwnd, cls, sizeof cls);
  std::string extra;
  if (std::strcmp(cls, "ComboBox") == 0) {
    DWORD_PTR sel = 0, count = 0;
    SendMessageTimeoutA(hwnd, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, 2000, &sel);
    SendMessageTimeoutA(hwnd, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 2000, &count);
    extra = "|sel=" + std::to_string(static_cast<int>(sel)) + "/" + std::to_string(count);
  } else if (std::strcmp(cls, "Button") == 0) {
    DWORD_PTR check = 0;
    SendMessageTimeoutA(hwnd, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
    extra = "|check=" + std::to_string(check);
  }
  std::printf("%s|%s|%d|%d|id=%d%s\n", cls, ControlText(hwnd).c_str(), IsWindowVisible(hwnd) ? 1 : 0,
              IsWindowEnabled(hwnd) ? 1 : 0, GetDlgCtrlID(hwnd), extra.c_str());
  return TRUE;
}

BOOL CALLBACK PrintTop(HWND hwnd, LPARAM) {
  char title[512] = "", cls[128] = "";
  GetWindowTextA(hwnd, title, sizeof title);
  GetClassNameA(hwnd, cls, sizeof cls);
  RECT r;
  GetWindowRect(hwnd, &r);
  std::printf("%p|%s|%s|visible=%d|iconic=%d|%ld,%ld,%ld,%ld\n", static_cast<void*>(hwnd), cls, title,
              IsWindowVisible(hwnd) ? 1 : 0, IsIconic(hwnd) ? 1 : 0, r.left, r.top, r.right, r.bottom);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "list") {
    EnumWindows(PrintTop, 0);
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "key") {
    const std::string how = argv[2];
    const auto vk = static_cast<WORD>(std::atoi(argv[3]));
    INPUT in[2];
    ZeroMemory(in, sizeof in);
    for (INPUT& i : in) {
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    }
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    if (how == "down") return SendInput(1, &in[0], sizeof(INPUT)) == 1 ? 0 : 1;
    if (how == "up") return SendInput(1, &in[1], sizeof(INPUT)) == 1 ? 0 : 1;
    if (how == "tap") return SendInput(2, in, sizeof(INPUT)) == 2 ? 0 : 1;
    return 2;
  }
  if (argc == 3 && std::string(argv[1]) == "type-batch") {
    FILE* f = std::fopen(argv[2], "rb");
    if (!f) return 1;
    std::vector<INPUT> inputs;
    const auto add = [&inputs](WORD vk, bool up) {
      INPUT i;
      ZeroMemory(&i, sizeof i);
      i.type = INPUT_KEYBOARD;
      i.ki.wVk = vk;
      i.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
      i.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
      inputs.push_back(i);
    };
    for (int c; (c = std::fgetc(f)) != EOF;) {
      const SHORT scan = VkKeyScanA(static_cast<CHAR>(c));
      const bool shift = (scan >> 8) & 1;
      if (shift) add(VK_SHIFT, false);
      add(LOBYTE(scan), false);
      add(LOBYTE(scan), true);
      if (shift) add(VK_SHIFT, true);
    }
    std::fclose(f);
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size() ? 0 : 1;
  }
  if (argc == 2 && std::string(argv[1]) == "taskbar-created")
    return PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0) ? 0 : 1;
  if (argc == 2 && std::string(argv[1]) == "tray-icons") {
    HWND tray = FindWindowA("Shell_TrayWnd", nullptr);
    int count = 0;
    if (tray)
      EnumChildWindows(
          tray,
          [](HWND child, LPARAM p) -> BOOL {
            if (IsWindowVisible(child)) ++*reinterpret_cast<int*>(p);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&count));
    std::printf("%d\n", count);
    return tray ? 0 : 1;
  }
  if (argc < 3) return 2;
  const std::string verb = argv[1], caption = argv[2];
  const double seconds = argc > 3 ? std::atof(argv[3]) : 10;
  if (verb == "wait") {
    // Found, and its program has finished starting: waiting for input with none pending.
    HWND h = WaitFor(caption, false, seconds);
    if (!h) return 1;
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid)) {
      WaitForInputIdle(process, static_cast<DWORD>(seconds * 1000));
      CloseHandle(process);
    }
    return 0;
  }
  if (verb == "gone") {
    for (DWORD start = GetTickCount(); GetTickCount() - start < seconds * 1000; Sleep(50))
      if (!FindTop(caption, false)) return 0;
    return 1;
  }
  if (verb == "caption") {
    HWND h = WaitFor(caption, true, seconds);
    if (!h) return 1;
    char title[512] = "";
    GetWindowTextA(h, title, sizeof title);
    std::printf("%s\n", title);
    return 0;
  }
  HWND h = FindTop(caption, false);
  if (!h) return 1;
  if (verb == "texts") {
    EnumChildWindows(h, PrintChild, 0);
    return 0;
  }
  if (verb == "select" && argc > 4) {
    struct Find {
      int wanted, seen;
      HWND found;
    } f{std::atoi(argv[3]), 0, nullptr};
    EnumChildWindows(
        h,
        [](HWND child, LPARAM p) -> BOOL {
          auto* f = reinterpret_cast<Find*>(p);
          char cls[64] = "";
          GetClassNameA(child, cls, sizeof cls);
          if (std::strcmp(cls, "ComboBox") != 0 || f->seen++ != f->wanted) return TRUE;
          f->found = child;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&f));
    if (!f.found) return 1;
    DWORD_PTR r = 0;
    SendMessageTimeoutA(f.found, CB_SETCURSEL, std::atoi(argv[4]), 0, SMTO_ABORTIFHUNG, 2000, &r);
    const WPARAM id = static_cast<WPARAM>(GetDlgCtrlID(f.found));
    return PostMessageA(h, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(f.found)) ? 0 : 1;
  }
  if (verb == "command" && argc > 3) return PostMessageA(h, WM_COMMAND, std::atoi(argv[3]), 0) ? 0 : 1;
  if (verb == "close") return PostMessageA(h, WM_CLOSE, 0, 0) ? 0 : 1;
  if (verb == "drop-icon") {
    NOTIFYICONDATAA data;
    std::memset(&data, 0, sizeof data);
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = h;
    return Shell_NotifyIconA(NIM_DELETE, &data) ? 0 : 1;
  }
  if (verb == "syscommand" && argc > 3) return PostMessageA(h, WM_SYSCOMMAND, std::atoi(argv[3]), 0) ? 0 : 1;
  if (verb == "activate") {
    SetForegroundWindow(h);
    return GetForegroundWindow() == h ? 0 : 1;
  }
  return 2;
}
