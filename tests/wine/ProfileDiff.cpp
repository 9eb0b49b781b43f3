// Differential test, run under Wine: the profile codec against GetPrivateProfileStringA and
// WritePrivateProfileStringA on the same tricky files. Cases where Wine is known to differ
// from Windows (headers without "]", text after "]", ";" lookups, tab-padded names, a
// byte-order mark, the exact bytes written) are unit tests of the codec instead.
#include <windows.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "config/ProfileFile.h"

namespace {

using tolvane::ProfileFile;

const char* const kDefault = "<default>";

struct Case {
  const char* name;
  std::string bytes;
};

std::vector<Case> Cases() {
  return {
      {"simple", "[S]\r\nk=v\r\n"},
      {"blanks", "[S]\r\n  k  =  v  \r\n"},
      {"tabs", "[S]\r\n\tk\t=\tv\t\r\n"},
      {"double quotes", "[S]\r\nk=  \"  v  \"  \r\n"},
      {"single quotes", "[S]\r\nk='  v  '\r\n"},
      {"nested quotes", "[S]\r\nk=\"'v'\"\r\nj='\"w\"'\r\n"},
      {"unmatched quotes", "[S]\r\nk=\"v'\r\nj=\"\r\ni=''\r\n"},
      {"empty values", "[S]\r\nk=\r\nj= \r\n"},
      {"no equals", "[S]\r\nk\r\nj=1\r\n"},
      {"equals and semicolon", "[S]\r\nk=a=b\r\nj=v ;c\r\n"},
      {"comments", "; top\r\n[S]\r\n;k=v\r\n  ;j=w\r\nk=real\r\n"},
      {"hash", "[S]\r\n#k=v\r\n"},
      {"duplicate keys", "[S]\r\nk=1\r\nK=2\r\n"},
      {"duplicate sections", "[S]\r\na=1\r\n[s]\r\nk=2\r\na=3\r\n"},
      {"keys before a section", "k=v\r\n[S]\r\nj=w\r\n"},
      {"padded headers", "[ S ]\r\nk=v\r\n  [T]\r\nj=w\r\n"},
      {"LF only", "[S]\nk=v\nj=w\n[T]\nx=1\n"},
      {"mixed endings", "[S]\r\nk=v\nj=w\r\n[T]\nx=1\r\n"},
      {"case", "[ToLvAnE]\r\nComPort=3\r\nPOSTAMBLE={TAB}\r\n"},
      {"no final line ending", "[S]\r\nk=v"},
      {"empty file", ""},
      {"blank lines", "\r\n\r\n[S]\r\n\r\nk = v\r\n\r\n[T]\r\n"},
      {"high bytes", "[S]\r\nk=caf\xE9\r\nj=\xA0x\xFF\r\n"},
      {"key with blanks", "[S]\r\nmy key=v\r\n"},
      {"long value", "[S]\r\nk=" + std::string(300, 'x') + "\r\n"},
      {"send-keys texts", "[Tolvane]\r\nKeyTrans32={ }\r\nKeyTrans123={{}\r\nKeyTrans125={}}\r\nPostamble={TAB}{ENTER}\r\n"},
      {"realistic",
       "[Tolvane]\r\nComPort=3\r\nDOSTarget=0\r\nBeepSound=2\r\nScannerBeepString=27,7\r\nHandshake=1\r\nBeep=1\r\n"
       "AutoLoad=0\r\nNumericFilter=0\r\nIgnoreDups=2\r\nRemoveReturns=1\r\nPostamble={ENTER}\r\nWindowState=1\r\n"
       "Settings=19200,E,7,2\r\nPassword=pw\r\nKeyTrans36={F9}\r\n"},
  };
}

std::string Trim(std::string s) {
  const auto a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(" \t") - a + 1);
}

std::string Upper(std::string s) {
  for (auto& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return s;
}

// Section and key names to look up: every name in the file, in other letter case and padded
// with blanks, and names that are not there.
void Names(const std::string& bytes, std::set<std::string>& sections, std::set<std::string>& keys) {
  sections.insert("Missing");
  keys.insert("missing");
  std::size_t pos = 0;
  while (pos <= bytes.size()) {
    auto end = bytes.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = bytes.size();
    const std::string line = Trim(bytes.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    std::string name;
    if (line[0] == '[') {
      const auto close = line.find(']');
      name = Trim(line.substr(1, close - 1));
      if (name.empty()) continue;
      sections.insert({name, Upper(name), " " + name + " "});
    } else if (line.find('=') != std::string::npos) {
      name = Trim(line.substr(0, line.find('=')));
      if (name.empty()) continue;
      keys.insert({name, Upper(name), " " + name});
    }
  }
}

std::string Windows(const std::string& path, const std::string& section, const std::string& key) {
  std::vector<char> buffer(70000);
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), kDefault, buffer.data(),
                                           static_cast<DWORD>(buffer.size()), path.c_str());
  return std::string(buffer.data(), n);
}

std::string Codec(const std::string& bytes, const std::string& section, const std::string& key) {
  return ProfileFile::Parse(bytes).Get(section, key).value_or(kDefault);
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string ReadFile(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

std::string Show(const std::string& s) {
  std::string out;
  for (const unsigned char c : s) {
    if (c >= 32 && c < 127) out += static_cast<char>(c);
    else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "tolvane-profile-diff\\";
  CreateDirectoryA(dir.c_str(), nullptr);

  int failures = 0, lookups = 0, n = 0;
  using Lookup = std::string (*)(const std::string&, const std::string&, const std::string&);
  // Every section with every key, the profile functions on one file against a reader of another.
  const auto compare = [&](const char* phase, const Case& c, const std::set<std::string>& sections,
                           const std::set<std::string>& keys, const std::string& reference, Lookup read,
                           const std::string& source) {
    for (const auto& s : sections)
      for (const auto& k : keys) {
        ++lookups;
        const std::string expected = Windows(reference, s, k), actual = read(source, s, k);
        if (expected == actual) continue;
        ++failures;
        std::printf("%s %s: [%s] %s: profile functions \"%s\", codec \"%s\"\n", phase, c.name, Show(s).c_str(),
                    Show(k).c_str(), Show(expected).c_str(), Show(actual).c_str());
      }
  };

  for (const auto& c : Cases()) {
    const std::string path = dir + "case" + std::to_string(n) + ".ini";
    const std::string ours = dir + "ours" + std::to_string(n) + ".ini";
    const std::string theirs = dir + "theirs" + std::to_string(n) + ".ini";
    ++n;
    WriteFile(path, c.bytes);
    std::set<std::string> sections, keys;
    Names(c.bytes, sections, keys);
    compare("READ", c, sections, keys, path, Codec, c.bytes);

    // The same edits both ways, then both files read back through the profile functions.
    const std::string firstSection = sections.size() > 1 ? *std::next(sections.begin()) : "S";
    const std::string firstKey = keys.size() > 1 ? *std::next(keys.begin()) : "k";
    const std::pair<std::string, std::pair<std::string, std::string>> edits[] = {
        {firstSection, {firstKey, "changed"}},
        {firstSection, {"Added", "new value"}},
        {"Tolvane", {"ComPort", "4"}},
        {"Tolvane", {"Postamble", "{TAB}{ENTER}"}},
        {"Tolvane", {"Empty", ""}},
    };
    ProfileFile file = ProfileFile::Parse(c.bytes);
    WriteFile(theirs, c.bytes);
    for (const auto& e : edits) {
      file.Set(e.first, e.second.first, e.second.second);
      WritePrivateProfileStringA(e.first.c_str(), e.second.first.c_str(), e.second.second.c_str(), theirs.c_str());
      sections.insert(e.first);
      keys.insert(e.second.first);
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());  // flush the cache
    WriteFile(ours, file.Serialize());
    compare("WRITE", c, sections, keys, theirs, Windows, ours);
    // What the profile functions wrote, the codec reads alike.
    compare("REREAD", c, sections, keys, theirs, Codec, ReadFile(theirs));
  }
  std::printf("%d files, %d lookups, %d disagreements\n", n, lookups, failures);
  return failures == 0 ? 0 : 1;
}
