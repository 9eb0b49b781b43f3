#include "windows/Win32.h"

#include <objbase.h>
#include <shellapi.h>
#include <wtsapi32.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "windows/Services.h"

namespace tolvane::win32 {

namespace {
constexpr const wchar_t* kRunOnceKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// The first version of the record, which both builds pass: 88 bytes with 32-bit handles,
// 104 with 64-bit ones.
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104), "notification-icon record size");

// The mandatory integrity level of a process's token: the last sub-authority of its label.
std::optional<std::uint32_t> IntegrityLevel(HANDLE process) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(process, TOKEN_QUERY, &token)) return std::nullopt;
  std::optional<std::uint32_t> level;
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  std::vector<BYTE> label(size);
  if (size > 0 && GetTokenInformation(token, TokenIntegrityLevel, label.data(), size, &size)) {
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
    if (IsValidSid(sid) && *GetSidSubAuthorityCount(sid) > 0)
      level = *GetSidSubAuthority(sid, static_cast<DWORD>(*GetSidSubAuthorityCount(sid) - 1));
  }
  CloseHandle(token);
  return level;
}
}  // namespace

ProgramIcons LoadProgramIcons(HINSTANCE module) {
  const auto load = [module](int width, int height) {
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(width),
                                         GetSystemMetrics(height), LR_SHARED));
  };
  return {load(SM_CXICON, SM_CYICON), load(SM_CXSMICON, SM_CYSMICON)};
}

void Sound::MessageBeep(std::uint32_t type) { ::MessageBeep(type); }

// The foreground window's process, not this thread's active window: a dialog or message box
// of ours is as much "us" as the main window.
bool ActiveWindow::ProgramWindowActive() const {
  HWND foreground = GetForegroundWindow();
  if (!foreground) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(foreground, &process);
  return process == GetCurrentProcessId();
}

// Asked before every record: the user may lock the workstation or bring an elevated program to the
// front at any time.
ForegroundInput ActiveWindow::Foreground() const {
  ForegroundInput f;
  // Access to the input desktop is refused while it is Winlogon's (locked) or the secure desktop.
  HDESK input = OpenInputDesktop(0, FALSE, DESKTOP_SWITCHDESKTOP);
  f.inputDesktop = input != nullptr;
  if (input) CloseDesktop(input);
  f.ownLevel = IntegrityLevel(GetCurrentProcess());
  f.foregroundLevel.reset();
  DWORD process = 0;
  if (HWND foreground = GetForegroundWindow()) GetWindowThreadProcessId(foreground, &process);
  if (HANDLE h = process ? OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, process) : nullptr) {
    f.foregroundLevel = IntegrityLevel(h);
    CloseHandle(h);
  }
  return f;
}

LocalDateTime Clock::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::uint64_t Clock::Milliseconds() { return GetTickCount64(); }

// A message may name a file (UTF-8); anything that is not UTF-8 is read as ANSI.
void MessageBox::Show(const std::string& text) {
  UINT codePage = CP_UTF8;
  int n = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n == 0 && !text.empty()) {
    codePage = CP_ACP;
    n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  }
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  ::MessageBoxW(reinterpret_cast<HWND>(owner), wide.c_str(), L"Tolvane", MB_OK);
}

Shell::Shell() { com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)); }

Shell::~Shell() {
  if (com_) CoUninitialize();
}

void Shell::Open(const std::string& file) {
  wchar_t folder[MAX_PATH] = L"";
  GetCurrentDirectoryW(MAX_PATH, folder);
  ShellExecuteW(GetForegroundWindow(), L"open", WideFromUtf8(file).c_str(), nullptr, folder, SW_SHOWNORMAL);
}

// A copy run as administrator made the mutex with a security that lets this one not open it:
// that copy runs all the same.
bool SingleInstance::PreviousInstance() {
  if (mutex_) return false;
  mutex_ = CreateMutexA(nullptr, FALSE, "Local\\Tolvane.SingleInstance");
  const DWORD error = GetLastError();
  return mutex_ ? error == ERROR_ALREADY_EXISTS : error == ERROR_ACCESS_DENIED;
}

void SystemNotices::Subscribe(WindowHandle window, std::function<void(SystemNotice)> handler) {
  handler_ = std::move(handler);
  window_ = reinterpret_cast<HWND>(window);
  if (!WTSRegisterSessionNotification(window_, NOTIFY_FOR_THIS_SESSION)) window_ = nullptr;
}

// A switch to another user locks this session, then disconnects it from the console; only
// the disconnect lets the other user's copy in, and a plain lock keeps the port. Of the two
// wakes, PBT_APMRESUMEAUTOMATIC comes every time, PBT_APMRESUMESUSPEND after it when a user
// woke the machine: one reopen is enough.
bool SystemNotices::Handle(UINT message, WPARAM w) {
  if (message != WM_WTSSESSION_CHANGE && message != WM_POWERBROADCAST) return false;
  if (!handler_) return true;
  if (message == WM_POWERBROADCAST) {
    if (w == PBT_APMRESUMEAUTOMATIC) handler_(SystemNotice::Resumed);
  } else if (w == WTS_CONSOLE_DISCONNECT || w == WTS_REMOTE_DISCONNECT) {
    handler_(SystemNotice::SessionAway);
  } else if (w == WTS_CONSOLE_CONNECT || w == WTS_REMOTE_CONNECT) {
    handler_(SystemNotice::SessionBack);
  }
  return true;
}

SystemNotices::~SystemNotices() {
  if (window_) WTSUnRegisterSessionNotification(window_);
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

NOTIFYICONDATAA NotifyIcon::Record(DWORD size) const {
  NOTIFYICONDATAA data;
  std::memset(&data, 0, sizeof data);
  data.cbSize = size;
  data.hWnd = owner_;
  data.uID = 0;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = callbackMessage_;
  data.hIcon = icon_;
  // The tip: the name, its 0, blanks to the end of the field.
  std::memset(data.szTip, ' ', sizeof data.szTip);
  std::memcpy(data.szTip, "Tolvane", 8);
  return data;
}

bool NotifyIcon::Add(WindowHandle owner, IconHandle icon) {
  owner_ = reinterpret_cast<HWND>(owner);
  icon_ = reinterpret_cast<HICON>(icon);
  NOTIFYICONDATAA data = Record(NOTIFYICONDATAA_V1_SIZE);
  return Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

bool NotifyIcon::Delete() {
  NOTIFYICONDATAA data = Record(NOTIFYICONDATAA_V1_SIZE);
  return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

// A balloon needs the record's second version; the icon itself keeps the first.
bool NotifyIcon::Balloon(const std::string& title, const std::string& text) {
  NOTIFYICONDATAA data = Record(NOTIFYICONDATAA_V2_SIZE);
  data.uFlags = NIF_INFO;
  lstrcpynA(data.szInfo, text.c_str(), sizeof data.szInfo);
  lstrcpynA(data.szInfoTitle, title.c_str(), sizeof data.szInfoTitle);
  data.dwInfoFlags = NIIF_WARNING;
  data.uTimeout = 10000;
  return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

std::vector<int> PortMap::ComPorts() {
  std::vector<int> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
    return ports;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256], data[64];
    DWORD nameLength = 256, size = sizeof data - sizeof(wchar_t), type = 0;
    const LONG r = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;  // a name or data too long for a port is no port of ours
    data[size / sizeof(wchar_t)] = L'\0';
    wchar_t* end = nullptr;
    const long n = _wcsnicmp(data, L"COM", 3) == 0 ? std::wcstol(data + 3, &end, 10) : 0;
    if (n > 0 && end && *end == L'\0') ports.push_back(static_cast<int>(n));
  }
  RegCloseKey(key);
  return ports;
}

Status StartupEntryStore::WriteValue(const std::string& name, const std::string& commandLine) {
  HKEY key = nullptr;
  LONG r = RegCreateKeyExW(HKEY_CURRENT_USER, kRunOnceKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           &key, nullptr);
  if (r != ERROR_SUCCESS) return Status::Fail(ErrorText(static_cast<DWORD>(r)));
  const std::wstring value = WideFromUtf8(commandLine);
  r = RegSetValueExW(key, WideFromUtf8(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return r == ERROR_SUCCESS ? Status::Ok() : Status::Fail(ErrorText(static_cast<DWORD>(r)));
}

Status StartupEntryStore::RemoveValue(const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyW(HKEY_CURRENT_USER, kRunOnceKey, &key) != ERROR_SUCCESS) return Status::Ok();
  RegDeleteValueW(key, WideFromUtf8(name).c_str());
  RegCloseKey(key);
  return Status::Ok();
}

}  // namespace tolvane::win32
