// The application Tolvane types into during the end-to-end tests: one edit box with the
// focus, logging every key message it receives, one per line, to the file named on its
// command line:  down|up|sysdown|sysup <vk> <scan> <extended> <ms>  or  char <code> <ms>,
// "sys" for keys pressed with Alt; <ms> is the Unix time in milliseconds.
#include <windows.h>

#include <cstdio>

namespace {

FILE* logFile = nullptr;
WNDPROC editProc = nullptr;

double UnixMs() {
  FILETIME ft;
  GetSystemTimePreciseAsFileTime(&ft);
  const unsigned long long t = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return (static_cast<double>(t) - 116444736000000000.0) / 10000.0;
}

LRESULT CALLBACK EditHook(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const char* key = message == WM_KEYDOWN      ? "down"
                    : message == WM_KEYUP      ? "up"
                    : message == WM_SYSKEYDOWN ? "sysdown"
                    : message == WM_SYSKEYUP   ? "sysup"
                                               : nullptr;
  const auto code = static_cast<unsigned>(wParam), flags = static_cast<unsigned>(lParam >> 16);
  if (key) std::fprintf(logFile, "%s %u %u %u %.1f\n", key, code, flags & 0xFF, (flags >> 8) & 1, UnixMs());
  if (message == WM_CHAR) std::fprintf(logFile, "char %u %.1f\n", code, UnixMs());
  std::fflush(logFile);
  return CallWindowProcW(editProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) {  // the edit box keeps the focus
    SetFocus(GetDlgItem(hwnd, 1));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  if (!(logFile = std::fopen(arguments, "w"))) return 1;
  WNDCLASSW wc{};
  wc.lpfnWndProc = MainProc;
  wc.hInstance = instance;
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = L"TolvaneTarget";
  RegisterClassW(&wc);
  HWND main = CreateWindowW(L"TolvaneTarget", L"Tolvane Target", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 560, 40, 440,
                            160, nullptr, nullptr, instance, nullptr);
  HWND edit = CreateWindowW(L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                            10, 10, 400, 90, main, reinterpret_cast<HMENU>(1), instance, nullptr);
  editProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(EditHook)));
  SetForegroundWindow(main);
  SetFocus(edit);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
