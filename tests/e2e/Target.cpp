// The application Tolvane types into: "Tolvane Target", an edit box with the focus (as in the
// programs users scan into), logging every key message it receives to the file named by its
// argument, one a line:
//   down|up|sysdown|sysup <vk> <scan> <extended> <ms>   char <code> <caps> <ms>
// ("sys": with Alt; <caps>: 1 if Caps Lock was on for the character as the application reads it;
// <ms>: Unix time in milliseconds). With TARGET_KEY_DELAY=<ms> in its environment it is a busy
// application, that long over every key pressed. The log is what is judged: the edit box is emptied
// now and then, since a long text makes its every change slow.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

FILE* keyLog = nullptr;
const char* const delay = std::getenv("TARGET_KEY_DELAY");
const DWORD keyDelay = delay ? static_cast<DWORD>(std::atoi(delay)) : 0;
WNDPROC editProc = nullptr;

LRESULT CALLBACK LogKeys(HWND h, UINT message, WPARAM w, LPARAM l) {
  ULARGE_INTEGER now;
  GetSystemTimePreciseAsFileTime(reinterpret_cast<FILETIME*>(&now));
  const double ms = (static_cast<double>(now.QuadPart) - 116444736000000000.0) / 10000.0;
  const char* key = message == WM_KEYDOWN      ? "down"
                    : message == WM_KEYUP      ? "up"
                    : message == WM_SYSKEYDOWN ? "sysdown"
                    : message == WM_SYSKEYUP   ? "sysup"
                                               : nullptr;
  const auto code = static_cast<unsigned>(w), flags = static_cast<unsigned>(l >> 16);
  if (key) std::fprintf(keyLog, "%s %u %u %u %.1f\n", key, code, flags & 0xFF, (flags >> 8) & 1, ms);
  if (message == WM_CHAR) std::fprintf(keyLog, "char %u %d %.1f\n", code, GetKeyState(VK_CAPITAL) & 1, ms);
  std::fflush(keyLog);
  if (message == WM_KEYDOWN) Sleep(keyDelay);
  if (message == WM_CHAR && GetWindowTextLengthW(h) > 100) SetWindowTextW(h, L"");
  return CallWindowProcW(editProc, h, message, w, l);
}

LRESULT CALLBACK MainProc(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  if (message == WM_ACTIVATE && LOWORD(w) != WA_INACTIVE) {
    SetFocus(GetDlgItem(h, 1));
    return 0;
  }
  return DefWindowProcW(h, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR file, int) {
  if (!(keyLog = std::fopen(file, "w"))) return 1;
  const WNDCLASSW wc{0,        MainProc,        0,       0,
                     instance, nullptr,         nullptr, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                     nullptr,  L"TolvaneTarget"};
  RegisterClassW(&wc);
  HWND main = CreateWindowW(wc.lpszClassName, L"Tolvane Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 560, 40, 440, 160,
                            nullptr, nullptr, instance, nullptr);
  HWND edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_WANTRETURN, 10, 10, 400,
                            90, main, reinterpret_cast<HMENU>(1), instance, nullptr);
  editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LogKeys)));
  SetForegroundWindow(main);
  SetFocus(edit);
  for (MSG msg; GetMessageW(&msg, nullptr, 0, 0) > 0; DispatchMessageW(&msg)) TranslateMessage(&msg);
  return 0;
}
