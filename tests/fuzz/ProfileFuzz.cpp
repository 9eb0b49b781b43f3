// Fuzzes the profile codec: any bytes parse; after edits and a write, reading again gives the
// values written and leaves every other key as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/ProfileFile.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::string Clean(const std::string& s) {
  std::string out;
  for (const char c : s)
    if (c != '\r' && c != '\n') out += c;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The input is a file, a 0 byte, then edits "key\x01value" separated by 0 bytes.
  const std::string input(reinterpret_cast<const char*>(data), size);
  const auto split = input.find('\0');
  const std::string bytes = input.substr(0, split);
  std::vector<std::pair<std::string, std::string>> edits;
  for (std::size_t p = split; p != std::string::npos && p < input.size();) {
    const auto next = input.find('\0', p + 1);
    const std::string edit = input.substr(p + 1, next == std::string::npos ? std::string::npos : next - p - 1);
    const auto sep = edit.find('\x01');
    std::string key = sep == std::string::npos ? edit : edit.substr(0, sep);
    // Names as the program uses them: letters and digits.
    std::string name;
    for (const char c : key)
      if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) name += c;
    if (!name.empty()) edits.emplace_back(name, sep == std::string::npos ? "" : edit.substr(sep + 1));
    p = next;
  }

  tolvane::ProfileFile file = tolvane::ProfileFile::Parse(bytes);
  const char* const probes[] = {"ComPort", "Settings", "KeyTrans65", "k", "Beep"};
  std::vector<std::optional<std::string>> before;
  for (const char* k : probes) before.push_back(file.Get("Tolvane", k));

  for (const auto& [key, value] : edits) file.Set("Tolvane", key, value);
  const tolvane::ProfileFile again = tolvane::ProfileFile::Parse(file.Serialize());

  for (std::size_t i = edits.size(); i-- > 0;) {
    bool later = false;  // a later edit of the same key (names compare without case) wins
    for (std::size_t j = i + 1; j < edits.size(); ++j) {
      std::string a = edits[i].first, b = edits[j].first;
      for (auto& c : a) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (auto& c : b) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      later = later || a == b;
    }
    if (!later) Check(again.Get("Tolvane", edits[i].first) == Clean(edits[i].second));
  }
  for (std::size_t i = 0; i < std::size(probes); ++i) {
    bool edited = false;
    for (const auto& e : edits) {
      std::string a = e.first, b = probes[i];
      for (auto& c : a) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (auto& c : b) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      edited = edited || a == b;
    }
    if (!edited) Check(again.Get("Tolvane", probes[i]) == before[i]);
  }
  return 0;
}
