// TolvaneSetup.dll: the installer's one custom action, carried in the package and never installed.
// Windows Installer searches only for files whose name the package knows, and CONFIG names any file,
// so this action tells the package's launch condition whether the installer can read it.
#include <windows.h>
// After windows.h, which they need.
#include <msi.h>
#include <msiquery.h>

namespace {

// A property's value, on the process heap (HeapFree it), or null when it is empty.
wchar_t* Property(MSIHANDLE install, const wchar_t* name) {
  wchar_t none[1] = L"";
  DWORD size = 0;
  if (MsiGetPropertyW(install, name, none, &size) != ERROR_MORE_DATA) return nullptr;
  auto* value = static_cast<wchar_t*>(HeapAlloc(GetProcessHeap(), 0, (++size) * sizeof(wchar_t)));
  if (value && MsiGetPropertyW(install, name, value, &size) == ERROR_SUCCESS) return value;
  if (value) HeapFree(GetProcessHeap(), 0, value);
  return nullptr;
}

// A drive's path (C:\...) or a share's (\\server\share\...): the file is copied by the installer's
// service, whose current folder is not the administrator's.
bool IsFullPath(const wchar_t* path) {
  if (path[0] == L'\\' && path[1] == L'\\') return path[2] != L'\0';
  const wchar_t drive = static_cast<wchar_t>(path[0] | 0x20);
  return drive >= L'a' && drive <= L'z' && path[1] == L':' && path[2] == L'\\';
}

// Why the file cannot be read, into reason; false if it can.
bool Unreadable(const wchar_t* path, wchar_t* reason, int size) {
  if (!IsFullPath(path)) {
    lstrcpynW(reason, L"not a full path (such as C:\\folder\\site.tlv or \\\\server\\share\\site.tlv)", size);
    return true;
  }
  const DWORD attributes = GetFileAttributesW(path);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    lstrcpynW(reason, L"a folder, not a file", size);
    return true;
  }
  const HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    return false;
  }
  const DWORD error = GetLastError();
  if (!FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, reason,
                      static_cast<DWORD>(size), nullptr)) {
    lstrcpynW(reason, L"it cannot be opened", size);
  }
  for (int n = lstrlenW(reason); n > 0 && (reason[n - 1] == L'\r' || reason[n - 1] == L'\n'); --n) reason[n - 1] = 0;
  return true;
}

// A line in the installer's log (/l*v), never shown.
void Log(MSIHANDLE install, const wchar_t* path, const wchar_t* reason) {
  const MSIHANDLE record = MsiCreateRecord(2);
  MsiRecordSetStringW(record, 0, L"Tolvane: CONFIG=[1] cannot be installed as default.tlv: [2]");
  MsiRecordSetStringW(record, 1, path);
  MsiRecordSetStringW(record, 2, reason);
  MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
  MsiCloseHandle(record);
}

}  // namespace

// Sets ConfigReadable to 1 when CONFIG is the full path of a file that can be opened for reading, and
// clears it otherwise, whatever the command line said; logs why CONFIG cannot be used. The launch
// condition fails the install, with its message; this action never fails it itself.
extern "C" __declspec(dllexport) UINT __stdcall CheckConfig(MSIHANDLE install) {
  wchar_t* path = Property(install, L"CONFIG");
  wchar_t reason[512] = L"";
  const bool readable = path && !Unreadable(path, reason, ARRAYSIZE(reason));
  if (path && !readable) Log(install, path, reason);
  if (path) HeapFree(GetProcessHeap(), 0, path);
  MsiSetPropertyW(install, L"ConfigReadable", readable ? L"1" : L"");
  return ERROR_SUCCESS;
}
