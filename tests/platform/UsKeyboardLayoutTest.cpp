#include <gtest/gtest.h>

#include <string>

#include "platform/fake/Keyboard.h"

namespace tolvane {
namespace {

// The US answers recorded from Windows, which the console path's tests rely on through the fake
// keyboard.
TEST(UsKeyboardLayout, AnswersAsWindowsDoes) {
  fake::Keyboard us;
  const auto key = [&us](char c) { return us.VkKeyScan(static_cast<std::uint8_t>(c)); };
  // Each character of plain comes from the key at its place in keys; of shifted, with Shift too.
  const std::string plain = "abcdefghijklmnopqrstuvwxyz0123456789;=,-./`[\\]' \t\r\b\x1b";
  const std::string shifted = "ABCDEFGHIJKLMNOPQRSTUVWXYZ)!@#$%^&*(:+<_>?~{|}\"";
  const std::string keys =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789\xBA\xBB\xBC\xBD\xBE\xBF\xC0\xDB\xDC\xDD\xDE \t\r\b\x1b";
  const auto vk = [&keys](std::size_t i) { return static_cast<std::uint8_t>(keys[i]); };
  for (std::size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(key(plain[i]), vk(i)) << int{plain[i]};
  for (std::size_t i = 0; i < shifted.size(); ++i) EXPECT_EQ(key(shifted[i]), 0x100 | vk(i)) << shifted[i];
  EXPECT_EQ(key('\n'), 0x20D) << "Ctrl+Enter";
  for (int c = 128; c < 256; ++c) EXPECT_EQ(key(static_cast<char>(c)), -1) << c;
}

}  // namespace
}  // namespace tolvane
