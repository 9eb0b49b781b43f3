#include "platform/NotifyIcon.h"

#include <cstring>

namespace tolvane {
namespace {

void Put32(std::array<std::uint8_t, 88>& out, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

std::array<std::uint8_t, 88> TrayIconRecord::Bytes() const {
  std::array<std::uint8_t, 88> out{};
  Put32(out, 0, size);
  Put32(out, 4, owner);
  Put32(out, 8, id);
  Put32(out, 12, flags);
  Put32(out, 16, callbackMessage);
  Put32(out, 20, icon);
  std::memcpy(out.data() + 24, tip.data(), tip.size());
  return out;
}

TrayIconRecord MakeTrayIconRecord(WindowHandle owner, IconHandle icon) {
  TrayIconRecord r;
  r.owner = owner;
  r.icon = icon;
  r.tip.fill(' ');
  std::memcpy(r.tip.data(), "Tolvane", 8);  // with its terminating 0
  return r;
}

}  // namespace tolvane
