// A profile (INI) file codec that reads what the Windows profile functions read and edits
// the file as they do: in place, keeping every line it does not change.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tolvane {

class ProfileFile {
 public:
  ProfileFile() = default;
  // Any bytes are accepted; lines end in CRLF, LF or CR.
  static ProfileFile Parse(std::string_view bytes);

  // The first matching key of the first matching section, with surrounding blanks and one
  // pair of matching quotes removed; nullopt when the section or key is missing.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces an existing value in place, or adds the key after the last key of its section,
  // or adds the section at the end of the file.
  void Set(std::string_view section, std::string_view key, std::string_view value);

  std::string Serialize() const;

 private:
  struct Line {
    std::string text;  // without its line ending
    std::string eol;
  };
  struct Section {
    std::vector<Line> lines;                            // lines[0] is the header, except for the part before any header
    std::unordered_map<std::string, std::size_t> keys;  // folded key -> first line holding it
    std::size_t lastKeyLine = 0;                        // 0: none yet
  };

  void IndexLine(Section& section, std::size_t lineIndex);

  std::vector<Section> sections_{1};                           // sections_[0]: lines before the first header
  std::unordered_map<std::string, std::size_t> sectionIndex_;  // folded name -> first section
};

// What a value must be written as to read back unchanged: lines cannot hold line breaks,
// and values with outer blanks or outer matching quotes are put in quotes.
std::string ProfileValueText(std::string_view value);

}  // namespace tolvane
