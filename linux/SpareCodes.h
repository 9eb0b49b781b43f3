// The spare key codes (codes the keymap leaves empty) that XTest typing binds characters to.
// A window looks a key up in the keymap as it is when the window reads the key, not as it was
// when the key was sent; so a code is bound to another character only once every window its
// keys went to has read them, or, for a window that cannot say so, once it is the least
// recently used code, and never within the batch that used it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tolvane::posix {

class SpareCodes {
 public:
  using Window = unsigned long;  // where keys went; 0 for a window that cannot say it has read them

  // A new keymap: these codes are empty.
  void Reset(std::vector<unsigned> codes);
  std::size_t size() const { return spares_.size(); }

  // A batch starts that binds these characters: their codes are kept for them where others do.
  void Begin(const std::u16string& chars);
  unsigned Find(char16_t c) const;  // the code c is bound to; 0 for none
  // A code to bind a character to now: one no window can still read as its old character,
  // least recently used first. 0 when there is none.
  unsigned Choose() const;
  std::size_t Free() const;  // how many codes Choose could give to characters the batch does not bind
  void Bind(unsigned code, char16_t c);
  void Typed(unsigned code, Window window);  // a key of the code has gone to the window
  std::vector<unsigned> Bound() const;       // the codes that hold a character

  // The windows' word that they have read their keys: each ping follows the keys before it.
  std::vector<Window> Unpinged() const;  // windows with keys no ping follows yet
  void Pinged(Window window, unsigned long ping);
  void Answered(Window window, unsigned long ping);               // the window has read every key before the ping
  void Gone(Window window);                                       // a window that is gone reads nothing more
  std::vector<std::pair<Window, unsigned long>> Awaited() const;  // the last unanswered ping of each window

 private:
  struct Spare {
    unsigned code = 0;
    char16_t ch = 0;
    std::uint64_t used = 0;  // the use count when last typed; 0 for never
    Window window = 0;       // where its last key went
    unsigned long ping = 0;  // the ping after its last key; 0 for none yet
    bool unread = false;     // its last key may not have been read
    bool inBatch = false;    // typed in this batch
  };
  // 0 for a code to take first, 1 for one whose window cannot say, 2 for one that cannot be taken.
  static int Rank(const Spare& s);
  const Spare* Best() const;

  std::vector<Spare> spares_;
  std::u16string batch_;
  std::uint64_t uses_ = 0;
};

}  // namespace tolvane::posix
