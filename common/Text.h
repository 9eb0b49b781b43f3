// Small text helpers the program needs in more than one place.
#pragma once

#include <cctype>
#include <string>
#include <string_view>

namespace tolvane {

// ASCII letters upper-cased, every other byte kept: lengths and positions stay the same.
inline std::string ToUpper(std::string_view text) {
  std::string s(text);
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// A Windows folder and a name in it, with one backslash between (a drive's root has its own).
inline std::string JoinPath(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path.empty() || path.back() != '\\') path += '\\';
  return path.append(name);
}

}  // namespace tolvane
