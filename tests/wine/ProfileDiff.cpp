// Differential test, run under Wine: the profile codec against GetPrivateProfileStringA and
// WritePrivateProfileStringA on the same tricky files. Cases where Wine is known to differ
// from Windows (headers without "]", text after "]", ";" lookups, tab-padded names, a
// byte-order mark, the exact bytes written) are unit tests of the codec instead.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "config/ProfileFile.h"

namespace {

using tolvane::ProfileFile;
using Names = std::set<std::string>;

const char* const kDefault = "<default>";

// clang-format off
const std::string kFiles[] = {
    // Blanks and tabs around names and values; quotes: outer, single, nested, unmatched.
    "[S]\r\nk=v\r\n", "[S]\r\n  k  =  v  \r\n", "[S]\r\n\tk\t=\tv\t\r\n", "[S]\r\nk=  \"  v  \"  \r\n",
    "[S]\r\nk='  v  '\r\n", "[S]\r\nk=\"'v'\"\r\nj='\"w\"'\r\n", "[S]\r\nk=\"v'\r\nj=\"\r\ni=''\r\n",
    // Empty values, no "=", "=" and ";" in values, comments, "#"; duplicate keys and sections, keys before any
    // section, padded headers.
    "[S]\r\nk=\r\nj= \r\n", "[S]\r\nk\r\nj=1\r\n", "[S]\r\nk=a=b\r\nj=v ;c\r\n",
    "; top\r\n[S]\r\n;k=v\r\n  ;j=w\r\nk=real\r\n", "[S]\r\n#k=v\r\n", "[S]\r\nk=1\r\nK=2\r\n",
    "[S]\r\na=1\r\n[s]\r\nk=2\r\na=3\r\n", "k=v\r\n[S]\r\nj=w\r\n", "[ S ]\r\nk=v\r\n  [T]\r\nj=w\r\n",
    // Line endings: LF only, mixed, none at the end; letter case; an empty file; blank lines.
    "[S]\nk=v\nj=w\n[T]\nx=1\n", "[S]\r\nk=v\nj=w\r\n[T]\nx=1\r\n", "[S]\r\nk=v",
    "[ToLvAnE]\r\nComPort=3\r\nPOSTAMBLE={TAB}\r\n", "", "\r\n\r\n[S]\r\n\r\nk = v\r\n\r\n[T]\r\n",
    // Bytes above 127, a blank inside a name, a long value, send-keys texts, a realistic file.
    "[S]\r\nk=caf\xE9\r\nj=\xA0x\xFF\r\n", "[S]\r\nmy key=v\r\n", "[S]\r\nk=" + std::string(300, 'x') + "\r\n",
    "[Tolvane]\r\nKeyTrans32={ }\r\nKeyTrans123={{}\r\nKeyTrans125={}}\r\nPostamble={TAB}{ENTER}\r\n",
    "[Tolvane]\r\nComPort=3\r\nBeepSound=2\r\nScannerBeepString=27,7\r\nHandshake=1\r\nBeep=1\r\nAutoLoad=0\r\n"
    "RemoveReturns=1\r\nPostamble={ENTER}\r\nSettings=19200,E,7,2\r\nPassword=pw\r\nKeyTrans36={F9}\r\n",
};
// clang-format on

// Made both ways: a key changed in place (named in other letter case), keys added to an
// existing section and to a new one, braces, an empty value.
// clang-format off
const char* const kEdits[][3] = {{"S", "J", "changed"}, {"s", "Added", "new value"}, {"Tolvane", "ComPort", "4"},
                                 {"Tolvane", "Postamble", "{TAB}{ENTER}"}, {"Tolvane", "Empty", ""}};
// clang-format on

// With key null, the profile functions list the section's keys, and with section null too the
// sections, each ended by a NUL.
std::string Profile(const std::string& path, const char* section, const char* key, const char* fallback = kDefault) {
  std::string out(70000, '\0');
  out.resize(GetPrivateProfileStringA(section, key, fallback, out.data(), 70000, path.c_str()));
  return out;
}

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

}  // namespace

int main() {
  int failures = 0, lookups = 0, valuesFound = 0, n = 0;
  for (const auto& bytes : kFiles) {
    const std::string path = ".\\profile" + std::to_string(++n) + ".ini";  // in the test's folder
    const std::string ours = path + ".ours", theirs = path + ".theirs";
    for (const auto& f : {path, theirs}) std::ofstream(f, std::ios::binary) << bytes;
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
    // The file read by the codec; the edits made both ways, read by the profile functions; what
    // they wrote, read by the codec.
    const struct {
      const char* name;
      std::string reference, file;
      bool codec;
    } phases[] = {{"READ", path, path, true}, {"WRITE", theirs, ours, false}, {"REREAD", theirs, theirs, true}};
    for (const auto& phase : phases) {
      std::ostringstream text;
      text << std::ifstream(phase.file, std::ios::binary).rdbuf();
      const ProfileFile codec = ProfileFile::Parse(text.str());
      // Files never written, or read from elsewhere, would agree on the default everywhere: every
      // file that holds a value must give some (and below, the edits read back as made).
      int found = 0;
      for (const auto& s : sections)
        for (const auto& k : keys) {
          const std::string want = Profile(phase.reference, s.c_str(), k.c_str());
          const auto got = phase.codec ? codec.Get(s, k).value_or(kDefault) : Profile(phase.file, s.c_str(), k.c_str());
          ++lookups;
          found += want != kDefault;
          if (want == got) continue;
          ++failures;
          std::printf("%s file %d: [%s] %s: profile functions \"%s\", ours \"%s\"\n", phase.name, n, s.c_str(),
                      k.c_str(), want.c_str(), got.c_str());
        }
      const bool holdsValues = phase.reference != path || bytes.find('=') != std::string::npos;
      if (holdsValues && found == 0) {
        ++failures;
        std::printf("%s file %d: no lookup found a value\n", phase.name, n);
      }
      valuesFound += found;
    }
    for (const auto& e : kEdits)
      if (Profile(theirs, e[0], e[1]) != e[2]) {
        ++failures;
        std::printf("file %d: the edit [%s] %s did not read back\n", n, e[0], e[1]);
      }
  }
  std::printf("%d files, %d lookups (%d found a value), %d disagreements\n", n, lookups, valuesFound, failures);
  return failures == 0 ? 0 : 1;
}
