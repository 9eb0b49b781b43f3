// System sounds: MessageBeep plays the sound of a type and returns at once.
#pragma once

#include <cstdint>

namespace tolvane {

class Sound {
 public:
  static constexpr std::uint32_t kOk = 0x00;
  static constexpr std::uint32_t kIconHand = 0x10;
  static constexpr std::uint32_t kIconQuestion = 0x20;
  static constexpr std::uint32_t kIconExclamation = 0x30;
  static constexpr std::uint32_t kIconAsterisk = 0x40;

  virtual ~Sound() = default;
  virtual void MessageBeep(std::uint32_t type) = 0;
};

}  // namespace tolvane
