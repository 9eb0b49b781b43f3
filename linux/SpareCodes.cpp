#include "linux/SpareCodes.h"

#include <algorithm>
#include <map>
#include <tuple>

namespace tolvane::posix {

void SpareCodes::Reset(std::vector<unsigned> codes) {
  // High codes first: keycode 8, the lowest, is one some applications take for no key.
  std::sort(codes.rbegin(), codes.rend());
  spares_.clear();
  for (const unsigned code : codes) spares_.push_back({code});
}

void SpareCodes::Begin(const std::u16string& chars) {
  batch_ = chars;
  for (Spare& s : spares_) s.inBatch = false;
}

unsigned SpareCodes::Find(char16_t c) const {
  for (const Spare& s : spares_)
    if (s.ch == c && c) return s.code;
  return 0;
}

int SpareCodes::Rank(const Spare& s) {
  if (!s.unread) return 0;
  return s.window == 0 && !s.inBatch ? 1 : 2;
}

const SpareCodes::Spare* SpareCodes::Best() const {
  const Spare* best = nullptr;
  const auto key = [this](const Spare& s) {
    const bool wanted = s.ch && batch_.find(s.ch) != std::u16string::npos;
    return std::make_tuple(Rank(s), wanted, s.used);
  };
  for (const Spare& s : spares_)
    if (Rank(s) < 2 && (!best || key(s) < key(*best))) best = &s;
  return best;
}

unsigned SpareCodes::Choose() const {
  const Spare* s = Best();
  return s ? s->code : 0;
}

std::size_t SpareCodes::Free() const {
  return static_cast<std::size_t>(std::count_if(spares_.begin(), spares_.end(), [this](const Spare& s) {
    return Rank(s) < 2 && !(s.ch && batch_.find(s.ch) != std::u16string::npos);
  }));
}

void SpareCodes::Bind(unsigned code, char16_t c) {
  for (Spare& s : spares_)
    if (s.code == code) s.ch = c;
}

void SpareCodes::Typed(unsigned code, Window window) {
  for (Spare& s : spares_) {
    if (s.code != code) continue;
    s.used = ++uses_;
    s.window = window;
    s.ping = 0;
    s.unread = true;
    s.inBatch = true;
  }
}

std::vector<unsigned> SpareCodes::Bound() const {
  std::vector<unsigned> codes;
  for (const Spare& s : spares_)
    if (s.ch) codes.push_back(s.code);
  return codes;
}

std::vector<SpareCodes::Window> SpareCodes::Unpinged() const {
  std::vector<Window> windows;
  for (const Spare& s : spares_)
    if (s.unread && s.window && !s.ping && std::find(windows.begin(), windows.end(), s.window) == windows.end())
      windows.push_back(s.window);
  return windows;
}

void SpareCodes::Pinged(Window window, unsigned long ping) {
  for (Spare& s : spares_)
    if (s.unread && s.window == window && !s.ping) s.ping = ping;
}

void SpareCodes::Answered(Window window, unsigned long ping) {
  for (Spare& s : spares_)
    if (s.unread && s.window == window && s.ping && s.ping <= ping) s.unread = false;
}

void SpareCodes::Gone(Window window) {
  for (Spare& s : spares_)
    if (s.window == window) s.unread = false;
}

std::vector<std::pair<SpareCodes::Window, unsigned long>> SpareCodes::Awaited() const {
  std::map<Window, unsigned long> last;
  for (const Spare& s : spares_)
    if (s.unread && s.window && s.ping) last[s.window] = std::max(last[s.window], s.ping);
  return {last.begin(), last.end()};
}

}  // namespace tolvane::posix
