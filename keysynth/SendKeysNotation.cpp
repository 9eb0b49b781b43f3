#include "keysynth/SendKeysNotation.h"

#include "keysynth/Notation.h"

namespace tolvane {
namespace {

class Strokes : public NotationTarget {
 public:
  KeyNameSet Names() const override { return KeyNameSet::Windows; }
  std::int16_t Character(char c, int count) override { return Add({KeyStroke::Char, 0, c}, count); }
  std::int16_t Key(const KeyNameRow& key, int count) override { return Add({KeyStroke::Key, key.vk, 0}, count); }
  std::int16_t Modifier(std::uint8_t vk, bool down) override {
    return Add({down ? KeyStroke::Down : KeyStroke::Up, vk, 0}, 1);
  }

  std::vector<KeyStroke> strokes;

 private:
  std::int16_t Add(KeyStroke s, int count) {
    for (int i = 0; count < 0 || i < count; ++i) {
      if (strokes.size() >= kMaxStrokes) return kQueueFull;
      strokes.push_back(s);
    }
    return kParseOk;
  }
};

}  // namespace

std::optional<std::vector<KeyStroke>> ParseSendKeys(std::string_view text) {
  Strokes target;
  std::int16_t pos = 0;
  if (ParseNotation(text, target, pos) != kParseOk) return std::nullopt;
  return std::move(target.strokes);
}

}  // namespace tolvane
