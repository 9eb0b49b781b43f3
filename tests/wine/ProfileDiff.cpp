// Differential test, run under Wine: the profile codec against GetPrivateProfileStringA and
// WritePrivateProfileStringA on the same tricky files. Cases where Wine is known to differ
// from Windows (headers without "]", text after "]", ";" lookups, tab-padded names, a
// byte-order mark, the exact bytes written) are unit tests of the codec instead.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <tuple>

#include "config/ProfileFile.h"

namespace {

using tolvane::ProfileFile;
using Names = std::set<std::string>;
using Reader = std::function<std::string(const std::string& section, const std::string& key)>;

const char* const kDefault = "<default>";

const std::string kFiles[] = {
    // Blanks and tabs around names and values; quotes: outer, single, nested, unmatched.
    "[S]\r\nk=v\r\n", "[S]\r\n  k  =  v  \r\n", "[S]\r\n\tk\t=\tv\t\r\n", "[S]\r\nk=  \"  v  \"  \r\n",
    "[S]\r\nk='  v  '\r\n", "[S]\r\nk=\"'v'\"\r\nj='\"w\"'\r\n", "[S]\r\nk=\"v'\r\nj=\"\r\ni=''\r\n",
    // Empty values, no "=", "=" and ";" in values, comments, "#".
    "[S]\r\nk=\r\nj= \r\n", "[S]\r\nk\r\nj=1\r\n", "[S]\r\nk=a=b\r\nj=v ;c\r\n",
    "; top\r\n[S]\r\n;k=v\r\n  ;j=w\r\nk=real\r\n", "[S]\r\n#k=v\r\n",
    // Duplicate keys and sections, keys before any section, padded headers.
    "[S]\r\nk=1\r\nK=2\r\n", "[S]\r\na=1\r\n[s]\r\nk=2\r\na=3\r\n", "k=v\r\n[S]\r\nj=w\r\n",
    "[ S ]\r\nk=v\r\n  [T]\r\nj=w\r\n",
    // Line endings: LF only, mixed, none at the end; letter case; an empty file; blank lines.
    "[S]\nk=v\nj=w\n[T]\nx=1\n", "[S]\r\nk=v\nj=w\r\n[T]\nx=1\r\n", "[S]\r\nk=v",
    "[ToLvAnE]\r\nComPort=3\r\nPOSTAMBLE={TAB}\r\n", "", "\r\n\r\n[S]\r\n\r\nk = v\r\n\r\n[T]\r\n",
    // Bytes above 127, a blank inside a name, a long value, send-keys texts, a realistic file.
    "[S]\r\nk=caf\xE9\r\nj=\xA0x\xFF\r\n", "[S]\r\nmy key=v\r\n", "[S]\r\nk=" + std::string(300, 'x') + "\r\n",
    "[Tolvane]\r\nKeyTrans32={ }\r\nKeyTrans123={{}\r\nKeyTrans125={}}\r\nPostamble={TAB}{ENTER}\r\n",
    "[Tolvane]\r\nComPort=3\r\nDOSTarget=0\r\nBeepSound=2\r\nScannerBeepString=27,7\r\nHandshake=1\r\nBeep=1\r\n"
    "AutoLoad=0\r\nNumericFilter=0\r\nIgnoreDups=2\r\nRemoveReturns=1\r\nPostamble={ENTER}\r\nWindowState=1\r\n"
    "Settings=19200,E,7,2\r\nPassword=pw\r\nKeyTrans36={F9}\r\n",
};

// Made both ways: a key changed in place (named in other letter case), keys added to an
// existing section and to a new one, braces, an empty value.
const char* const kEdits[][3] = {{"S", "J", "changed"}, {"s", "Added", "new value"}, {"Tolvane", "ComPort", "4"},
                                 {"Tolvane", "Postamble", "{TAB}{ENTER}"}, {"Tolvane", "Empty", ""}};

std::string Profile(const std::string& path, const char* section, const char* key, const char* fallback = kDefault) {
  std::string out(70000, '\0');
  out.resize(GetPrivateProfileStringA(section, key, fallback, out.data(), static_cast<DWORD>(out.size()), path.c_str()));
  return out;
}

Reader Windows(const std::string& path) {
  return [path](const std::string& s, const std::string& k) { return Profile(path, s.c_str(), k.c_str()); };
}

Reader Codec(const std::string& bytes) {
  return [file = ProfileFile::Parse(bytes)](const std::string& s, const std::string& k) {
    return file.Get(s, k).value_or(kDefault);
  };
}

// The names the profile functions list: sections when section is null, else its keys.
Names List(const std::string& path, const char* section) {
  Names names;
  std::istringstream list(Profile(path, section, nullptr, ""));
  for (std::string name; std::getline(list, name, '\0');) names.insert(name);
  return names;
}

std::string Upper(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Show(const std::string& s) {
  std::string out;
  char text[8];
  for (const unsigned char c : s) out += (std::snprintf(text, sizeof text, c >= 32 && c < 127 ? "%c" : "\\x%02X", c), text);
  return out;
}

std::string Load(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

}  // namespace

int main() {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "tolvane-profile-diff\\";
  CreateDirectoryA(dir.c_str(), nullptr);
  int failures = 0, lookups = 0, n = 0;
  for (const auto& bytes : kFiles) {
    const std::string path = dir + std::to_string(++n) + ".ini", ours = path + ".ours", theirs = path + ".theirs";
    std::ofstream(path, std::ios::binary) << bytes;
    std::ofstream(theirs, std::ios::binary) << bytes;
    ProfileFile file = ProfileFile::Parse(bytes);
    for (const auto& e : kEdits) {
      file.Set(e[0], e[1], e[2]);
      WritePrivateProfileStringA(e[0], e[1], e[2], theirs.c_str());
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());  // flush the cache
    std::ofstream(ours, std::ios::binary) << file.Serialize();
    // Every name in any of the three files, in other letter case and padded with blanks; names
    // that are nowhere; k, the files' key, also where it is in no section.
    Names sections{"Missing"}, keys{"missing", "k"};
    for (const auto& f : {path, ours, theirs})
      for (const auto& s : List(f, nullptr)) {
        sections.insert({s, Upper(s), " " + s + " "});
        for (const auto& k : List(f, s.c_str())) keys.insert({k, Upper(k), " " + k});
      }
    // The file read; the edits read back; what the profile functions wrote read by the codec.
    const std::tuple<const char*, Reader, Reader> phases[] = {{"READ", Windows(path), Codec(bytes)},
                                                              {"WRITE", Windows(theirs), Windows(ours)},
                                                              {"REREAD", Windows(theirs), Codec(Load(theirs))}};
    for (const auto& [phase, expected, actual] : phases)
      for (const auto& s : sections)
        for (const auto& k : keys) {
          const std::string want = expected(s, k), got = actual(s, k);
          failures += want != got;
          ++lookups;
          if (want != got)
            std::printf("%s %s: [%s] %s: profile functions \"%s\", codec \"%s\"\n", phase, Show(bytes).c_str(),
                        Show(s).c_str(), Show(k).c_str(), Show(want).c_str(), Show(got).c_str());
        }
  }
  std::printf("%d files, %d lookups, %d disagreements\n", n, lookups, failures);
  return failures == 0 ? 0 : 1;
}
