#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/fake/Keyboard.h"

namespace tolvane {
namespace {

// The US answers and set-one scan codes recorded from Windows, which the console path's tests
// rely on through the fake keyboard.
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

TEST(UsKeyboardLayout, SetOneScanCodes) {
  fake::Keyboard us;
  const std::pair<int, int> cases[] = {
      {0x1B, 0x01}, {'1', 0x02}, {'9', 0x0A}, {'0', 0x0B}, {0x08, 0x0E}, {0x09, 0x0F}, {'Q', 0x10}, {'P', 0x19},
      {0x0D, 0x1C}, {0x11, 0x1D}, {'A', 0x1E}, {'L', 0x26}, {0x10, 0x2A}, {'Z', 0x2C}, {'M', 0x32}, {0x12, 0x38},
      {0x20, 0x39}, {0x14, 0x3A}, {0x70, 0x3B}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58}, {0x24, 0x47}, {0x26, 0x48},
      {0x21, 0x49}, {0x25, 0x4B}, {0x27, 0x4D}, {0x23, 0x4F}, {0x28, 0x50}, {0x22, 0x51}, {0x2D, 0x52}, {0x2E, 0x53},
      {0x90, 0x45}, {0x91, 0x46}, {0x0C, 0x4C}, {0x7C, 0x64}, {0x7F, 0x67}, {0xFF, 0}};
  for (const auto& [vk, scan] : cases) EXPECT_EQ(us.MapVirtualKey(static_cast<std::uint8_t>(vk)), scan) << vk;
}

}  // namespace
}  // namespace tolvane
