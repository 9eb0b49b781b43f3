#include "windows/Win32.h"

#include "windows/ProfileStore.h"

namespace tolvane::win32 {

namespace {

// The whole file; its error code when it is there but cannot be read, 0 otherwise.
FileRead ReadFileOnce(const std::string& path, DWORD& error) {
  error = 0;
  HANDLE file = CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
      error = 0;
      return {};
    }
    return {std::nullopt, ErrorText(error)};
  }
  std::string bytes;
  char buffer[65536];
  DWORD n = 0;
  BOOL ok = TRUE;
  while ((ok = ReadFile(file, buffer, sizeof buffer, &n, nullptr)) && n > 0) bytes.append(buffer, n);
  error = ok ? 0 : GetLastError();
  CloseHandle(file);
  if (!ok) return {std::nullopt, ErrorText(error)};
  return {bytes, ""};
}

}  // namespace

FileRead ProfileStore::Read(const std::string& path) {
  DWORD error = 0;
  return ReadFileOnce(path, error);
}

FileRead ProfileStore::ReadWhenFree(const std::string& path, std::uint32_t patienceMs) {
  const ULONGLONG until = GetTickCount64() + patienceMs;
  for (DWORD error = 0;; Sleep(100)) {
    FileRead read = ReadFileOnce(path, error);
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION) || GetTickCount64() >= until) return read;
  }
}

// A temporary file in the same folder, flushed, then moved over the old one: a crash, a full
// disk or a read-only folder leaves the old file as it was.
Status ProfileStore::Write(const std::string& path, const std::string& bytes) {
  const std::wstring target = WideFromUtf8(path);
  const auto slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"." : target.substr(0, slash + 1);
  wchar_t temp[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"tlv", 0, temp)) return Status::Fail(ErrorText(GetLastError()));

  HANDLE file = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  bool ok = file != INVALID_HANDLE_VALUE;
  DWORD error = ok ? 0 : GetLastError();
  if (ok) {
    DWORD written = 0;
    ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && FlushFileBuffers(file);
    if (!ok) error = GetLastError();
    CloseHandle(file);
  }
  if (ok && !MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    error = GetLastError();
  }
  if (!ok) {
    DeleteFileW(temp);
    return Status::Fail(ErrorText(error));
  }
  return Status::Ok();
}

}  // namespace tolvane::win32
