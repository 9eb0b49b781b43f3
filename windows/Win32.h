// The Windows headers, included one way everywhere in this folder.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// Our own interfaces use these names; the A and W functions are called by their full names.
#undef MessageBox
#undef MapVirtualKey
#undef VkKeyScan

#include <string>

namespace tolvane::win32 {

// The system's own text for an error code, without its line ending.
inline std::string ErrorText(DWORD error) {
  char* text = nullptr;
  const DWORD n =
      FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string s = n && text ? std::string(text, n) : "Error " + std::to_string(error);
  if (text) LocalFree(text);
  while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ')) s.pop_back();
  return s;
}

// The code page of the bytes the program receives and keeps (records, the configuration file's
// values, what its text boxes show): the ANSI code page, but where the system has been set to
// UTF-8 (65001), in which a byte of 0x80 or more is no character alone, the user locale's own
// legacy ANSI code page.
inline UINT ByteCodePage() {
  const UINT ansi = GetACP();
  if (ansi != CP_UTF8) return ansi;
  DWORD legacy = 0;
  const int got = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                                 reinterpret_cast<LPWSTR>(&legacy), sizeof legacy / sizeof(WCHAR));
  return got && legacy != 0 && legacy != CP_UTF8 ? legacy : ansi;
}

inline std::wstring WideFromBytes(const std::string& bytes) {
  if (bytes.empty()) return {};
  const UINT page = ByteCodePage();
  const int n = MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), n);
  return wide;
}

inline std::string BytesFromWide(const std::wstring& wide) {
  if (wide.empty()) return {};
  const UINT page = ByteCodePage();
  const int n = WideCharToMultiByte(page, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(page, 0, wide.data(), static_cast<int>(wide.size()), bytes.data(), n, nullptr, nullptr);
  return bytes;
}

// Paths and command lines cross between the core and this layer as UTF-8; Windows takes
// them as UTF-16, so every character survives whatever the ANSI code page is.
inline std::wstring WideFromUtf8(const std::string& utf8) {
  if (utf8.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
  return wide;
}

inline std::string Utf8FromWide(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace tolvane::win32
