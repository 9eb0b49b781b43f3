// The send-keys notation as the typing facility for ordinary applications reads it: the one
// notation parser, its items as strokes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tolvane {

struct KeyStroke {
  enum Kind : std::uint8_t {
    Char,  // a character, typed with whatever the focused window's layout needs
    Key,   // press and release of a virtual key
    Down,  // a modifier goes down ...
    Up,    // ... and up again
  };
  Kind kind;
  std::uint8_t vk;  // Key, Down, Up
  char ch;          // Char, in the ANSI code page
  bool operator==(const KeyStroke& o) const { return kind == o.kind && vk == o.vk && ch == o.ch; }
};

// More strokes than this is not a text anyone means to type.
constexpr std::size_t kMaxStrokes = 100000;

// nullopt for a text the facility cannot read: an unknown name, a missing "}" or ")", a bad
// repeat count, or too many strokes.
std::optional<std::vector<KeyStroke>> ParseSendKeys(std::string_view text);

}  // namespace tolvane
