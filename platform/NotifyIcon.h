// The notification-area icon: added and deleted with one record for the whole run.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/ActiveWindow.h"

namespace tolvane {

using IconHandle = std::uintptr_t;

// The platform's ANSI notification-icon record, as the program fills it.
struct TrayIconRecord {
  std::uint32_t size = 88;
  WindowHandle owner = 0;
  std::uint32_t id = 0;
  std::uint32_t flags = 7;              // message, icon and tip valid
  std::uint32_t callbackMessage = 0x200;  // arrives like mouse movement
  IconHandle icon = 0;
  std::array<char, 64> tip{};

  // The 88 bytes as the 32-bit platform lays them out (little-endian, 32-bit handles).
  std::array<std::uint8_t, 88> Bytes() const;
};

// "Tolvane", a 0, blanks up to 64 bytes.
TrayIconRecord MakeTrayIconRecord(WindowHandle owner, IconHandle icon);

class NotifyIcon {
 public:
  static constexpr int kAdd = 0;
  static constexpr int kDelete = 2;

  virtual ~NotifyIcon() = default;
  virtual bool Notify(int message, const TrayIconRecord& record) = 0;
  // A short message shown from the icon.
  virtual bool Balloon(const TrayIconRecord& record, const std::string& title, const std::string& text) = 0;
};

}  // namespace tolvane
