// The Windows front end's own pieces under Wine, one case a run: the shell service's apartment,
// the program's icons, a window laid out again at another DPI, and what stands between typed keys
// and an ordinary window.
// Usage: windows_test <case> <Tolvane.exe>
#include "windows/Win32.h"

#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ui/MainForm.h"
#include "windows/Services.h"
#include "windows/Toolkit.h"

namespace {

using namespace tolvane;

int failures = 0;

bool Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  failures += ok ? 0 : 1;
  return ok;
}

bool NotInitialised() {
  APTTYPE type;
  APTTYPEQUALIFIER qualifier;
  return CoGetApartmentType(&type, &qualifier) == CO_E_NOTINITIALIZED;
}

// ShellExecute's documentation asks for COM on the thread that calls it.
void ShellApartment(const char*) {
  Check(NotInitialised(), "premise: this thread has no apartment yet");
  {
    win32::Shell shell;
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    Check(CoGetApartmentType(&type, &qualifier) == S_OK && (type == APTTYPE_STA || type == APTTYPE_MAINSTA),
          "a single-threaded apartment while the shell service lives");
  }
  Check(NotInitialised(), "and none once it is gone");
}

int Width(HICON icon) {
  ICONINFO info{};
  if (!icon || !GetIconInfo(icon, &info)) return 0;
  BITMAP bitmap{};
  GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
  if (info.hbmColor) DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return bitmap.bmWidth;
}

// Every size Windows asks for, in 32-bit colour; the notification area's at the small size.
void ProgramIcons(const char* exe) {
  const std::wstring path = win32::WideFromUtf8(exe);
  HMODULE program = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!Check(program != nullptr, std::string("premise: the program's resources open: ") + exe)) return;
  HRSRC group = FindResourceW(program, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
  const auto* bytes = group ? static_cast<const BYTE*>(LockResource(LoadResource(program, group))) : nullptr;
  if (!Check(bytes != nullptr, "premise: it has icon 1")) return;
  std::set<int> sizes;
  bool allTrueColour = true;
  const int count = bytes[4] | bytes[5] << 8;
  for (int i = 0; i < count; ++i) {
    const BYTE* entry = bytes + 6 + 14 * i;  // width, height, colours, 0, planes, bits, size, id
    sizes.insert(entry[0] == 0 ? 256 : entry[0]);
    allTrueColour = allTrueColour && (entry[6] | entry[7] << 8) == 32;
  }
  std::string listed;
  for (const int size : sizes) listed += " " + std::to_string(size);
  Check(sizes == std::set<int>{16, 20, 24, 32, 40, 48, 64, 256}, "16 to 256 pixels; it has" + listed);
  Check(allTrueColour, "every image in 32-bit colour");
  const win32::ProgramIcons icons = win32::LoadProgramIcons(program);
  Check(Width(icons.small) == GetSystemMetrics(SM_CXSMICON),
        "the notification area's at the small-icon size: " + std::to_string(Width(icons.small)));
  Check(Width(icons.large) == GetSystemMetrics(SM_CXICON), "the windows' at the icon size");
}

struct Layout {
  std::map<int, RECT> controls;  // by id, in the client area
  std::set<int> lists;           // drop-down lists, whose height their font sets
  std::map<int, int> fonts;      // each control's font height
  RECT window{};
};

Layout Measure(HWND window) {
  Layout l;
  GetWindowRect(window, &l.window);
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r;
    GetWindowRect(c, &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    l.controls[GetDlgCtrlID(c)] = r;
    char name[32] = "";
    GetClassNameA(c, name, sizeof name);
    if (std::string(name) == "ComboBox") l.lists.insert(GetDlgCtrlID(c));
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(c, WM_GETFONT, 0, 0)), sizeof font, &font);
    l.fonts[GetDlgCtrlID(c)] = std::abs(font.lfHeight);
  }
  return l;
}

bool Near(int got, double want, double slack) { return got >= want - slack && got <= want + slack; }

// Moved to a monitor at 150 per cent, the main window takes the rectangle the system suggests and
// its controls and fonts are half as large again; back at 100 per cent, all is as it was.
void DpiChange(const char*) {
  win32::Toolkit toolkit(GetModuleHandleW(nullptr), nullptr);
  MainForm form;
  form.caption = "Tolvane DPI";
  HWND window = toolkit.CreateMainWindow(form, [](UINT, WPARAM, LPARAM, LRESULT&) { return false; });
  if (!Check(window && toolkit.Dpi() == 96, "premise: the main window, made at 96 DPI")) return;
  const Layout before = Measure(window);
  Check(before.controls.size() > 10, "premise: its controls, " + std::to_string(before.controls.size()));
  RECT suggested = before.window;
  suggested.right = suggested.left + (before.window.right - before.window.left) * 3 / 2;
  suggested.bottom = suggested.top + (before.window.bottom - before.window.top) * 3 / 2;
  SendMessageW(window, 0x02E0, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));  // WM_DPICHANGED
  const Layout after = Measure(window);
  Check(EqualRect(&after.window, &suggested), "the window takes the suggested rectangle");
  int wrong = 0;
  for (const auto& [id, r] : before.controls) {
    const RECT& a = after.controls.at(id);
    // Sizes measured from the text (labels sized to it) may round differently.
    const auto size = [](int got, LONG was) { return Near(got, was * 1.5, std::max(3.0, was * 0.12)); };
    const bool ok = Near(a.left, r.left * 1.5, 1) && Near(a.top, r.top * 1.5, 1) &&
                    size(a.right - a.left, r.right - r.left) &&
                    (before.lists.count(id) || size(a.bottom - a.top, r.bottom - r.top)) &&
                    Near(after.fonts.at(id), before.fonts.at(id) * 1.5, 1);
    if (!ok && ++wrong <= 3)
      std::printf("     control %d: %ld,%ld %ldx%ld font %d, was %ld,%ld %ldx%ld font %d\n", id, a.left, a.top,
                  a.right - a.left, a.bottom - a.top, after.fonts.at(id), r.left, r.top, r.right - r.left,
                  r.bottom - r.top, before.fonts.at(id));
  }
  Check(wrong == 0, "every control and its font at 150 per cent; " + std::to_string(wrong) + " not");
  SendMessageW(window, 0x02E0, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&before.window));
  const Layout back = Measure(window);
  bool same = EqualRect(&back.window, &before.window);
  for (const auto& [id, r] : before.controls) same = same && EqualRect(&back.controls.at(id), &r);
  Check(same && back.fonts == before.fonts, "back at 100 per cent, all as it was");
}

// An ordinary window of another process, in front: there is an input desktop, and both levels are
// read and the same, so its keys are not refused.
void ForegroundInputOfAnOrdinaryWindow(const char*) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" window -";
  STARTUPINFOW start{};
  start.cb = sizeof start;
  PROCESS_INFORMATION child{};
  if (!Check(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &start, &child),
             "premise: another process started"))
    return;
  DWORD front = 0;
  for (int i = 0; i < 100 && front != child.dwProcessId; ++i) {
    Sleep(100);
    front = 0;
    if (HWND w = GetForegroundWindow()) GetWindowThreadProcessId(w, &front);
  }
  if (Check(front == child.dwProcessId, "premise: its window is in front")) {
    const ForegroundInput f = win32::ActiveWindow().Foreground();
    std::printf("     levels: ours %#x, the window's %#x\n", f.ownLevel.value_or(0), f.foregroundLevel.value_or(0));
    Check(f.inputDesktop, "there is an input desktop");
    Check(f.ownLevel && f.foregroundLevel && *f.foregroundLevel == *f.ownLevel, "both levels read, and the same");
  }
  TerminateProcess(child.hProcess, 0);
  WaitForSingleObject(child.hProcess, 5000);
  CloseHandle(child.hProcess);
  CloseHandle(child.hThread);
}

// The other process of the case above: a window brought to the front, for 20 s at most.
void Window(const char*) {
  HWND w = CreateWindowExW(0, L"STATIC", L"Tolvane front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 300, 200, nullptr,
                           nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(w);
  for (DWORD end = GetTickCount() + 20000; GetTickCount() < end;) {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
    Sleep(20);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::map<std::string, std::function<void(const char*)>> cases{
      {"shell_apartment", ShellApartment},
      {"program_icons", ProgramIcons},
      {"dpi_change", DpiChange},
      {"foreground_input", ForegroundInputOfAnOrdinaryWindow},
      {"window", Window}};
  const auto c = argc == 3 ? cases.find(argv[1]) : cases.end();
  if (c == cases.end()) return 2;
  c->second(argv[2]);
  std::fflush(stdout);
  return failures ? 1 : 0;
}
