#include "config/ProfileFile.h"

namespace tolvane {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s, bool tabsToo = true) {
  const auto blank = [&](char c) { return c == ' ' || (tabsToo && c == '\t'); };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// Names compare without regard to case, in code page 1252.
std::string Fold(std::string_view s) {
  std::string out(s);
  for (auto& ch : out) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 'a' && c <= 'z')
      c = static_cast<unsigned char>(c - 32);
    else if (c >= 0xE0 && c <= 0xFE && c != 0xF7)
      c = static_cast<unsigned char>(c - 32);
    else if (c == 0x9A || c == 0x9C || c == 0x9E)
      c = static_cast<unsigned char>(c - 16);
    else if (c == 0xFF)
      c = 0x9F;
    ch = static_cast<char>(c);
  }
  return out;
}

// The section name of a header line, or nullopt when the line is no header.
std::optional<std::string_view> HeaderName(std::string_view text) {
  text = Trim(text);
  if (text.empty() || text.front() != '[') return std::nullopt;
  text.remove_prefix(1);
  const auto close = text.find(']');
  if (close != std::string_view::npos) text = text.substr(0, close);
  return Trim(text);
}

// The key of a key line, or nullopt for comments and lines without "=".
std::optional<std::string_view> KeyOf(std::string_view text) {
  const auto trimmed = Trim(text);
  if (trimmed.empty() || trimmed.front() == ';') return std::nullopt;
  const auto eq = text.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  return Trim(text.substr(0, eq));
}

std::string ValueOf(std::string_view text) {
  auto value = Trim(text.substr(text.find('=') + 1));
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value.remove_prefix(1);
    value.remove_suffix(1);
  }
  return std::string(value);
}

}  // namespace

std::string ProfileValueText(std::string_view value) {
  std::string v;
  for (const char c : value)
    if (c != '\r' && c != '\n') v += c;
  const bool outerBlank = !v.empty() && (IsBlank(v.front()) || IsBlank(v.back()));
  const bool outerQuotes = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
  return outerBlank || outerQuotes ? '"' + v + '"' : v;
}

ProfileFile ProfileFile::Parse(std::string_view bytes) {
  ProfileFile file;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    auto end = bytes.find_first_of("\r\n", pos);
    Line line;
    if (end == std::string_view::npos) {
      line.text = std::string(bytes.substr(pos));
      pos = bytes.size();
    } else {
      line.text = std::string(bytes.substr(pos, end - pos));
      const std::size_t eolLength = bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1;
      line.eol = std::string(bytes.substr(end, eolLength));
      pos = end + eolLength;
    }
    if (const auto name = HeaderName(line.text)) {
      file.sections_.emplace_back();
      file.sectionIndex_.emplace(Fold(*name), file.sections_.size() - 1);  // the first one wins
    }
    Section& section = file.sections_.back();
    section.lines.push_back(std::move(line));
    file.IndexLine(section, section.lines.size() - 1);
  }
  return file;
}

void ProfileFile::IndexLine(Section& section, std::size_t lineIndex) {
  if (lineIndex == 0 && &section != &sections_.front()) return;  // the header
  if (const auto key = KeyOf(section.lines[lineIndex].text)) {
    section.keys.emplace(Fold(*key), lineIndex);
    section.lastKeyLine = lineIndex;
  }
}

std::optional<std::string> ProfileFile::Get(std::string_view section, std::string_view key) const {
  // Windows trims only blanks from the names it is given.
  const auto s = sectionIndex_.find(Fold(Trim(section, false)));
  if (s == sectionIndex_.end()) return std::nullopt;
  const Section& sec = sections_[s->second];
  const auto k = sec.keys.find(Fold(Trim(key, false)));
  if (k == sec.keys.end()) return std::nullopt;
  return ValueOf(sec.lines[k->second].text);
}

void ProfileFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  const auto sectionName = Trim(section, false);
  const auto keyName = Trim(key, false);
  const std::string valueText = ProfileValueText(value);

  auto s = sectionIndex_.find(Fold(sectionName));
  if (s == sectionIndex_.end()) {
    // A new section goes at the end; the last line gets an ending if it had none.
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it) {
      if (it->lines.empty()) continue;
      if (it->lines.back().eol.empty()) it->lines.back().eol = "\r\n";
      break;
    }
    sections_.emplace_back();
    sections_.back().lines.push_back({"[" + std::string(sectionName) + "]", "\r\n"});
    s = sectionIndex_.emplace(Fold(sectionName), sections_.size() - 1).first;
  }

  Section& sec = sections_[s->second];
  const auto k = sec.keys.find(Fold(keyName));
  if (k != sec.keys.end()) {
    Line& line = sec.lines[k->second];
    const std::string existingKey(*KeyOf(line.text));  // its casing is kept
    line.text = existingKey + "=" + valueText;
    if (line.eol.empty()) line.eol = "\r\n";
    return;
  }

  // After the last key line, or right after the header.
  const std::size_t at = sec.lastKeyLine > 0 ? sec.lastKeyLine + 1 : 1;
  if (sec.lines[at - 1].eol.empty()) sec.lines[at - 1].eol = "\r\n";
  sec.lines.insert(sec.lines.begin() + static_cast<long>(at), Line{std::string(keyName) + "=" + valueText, "\r\n"});
  for (auto& entry : sec.keys)
    if (entry.second >= at) ++entry.second;
  sec.keys.emplace(Fold(keyName), at);
  sec.lastKeyLine = at;
}

std::string ProfileFile::Serialize() const {
  std::string out;
  for (const auto& section : sections_)
    for (const auto& line : section.lines) {
      out += line.text;
      out += line.eol;
    }
  return out;
}

}  // namespace tolvane
