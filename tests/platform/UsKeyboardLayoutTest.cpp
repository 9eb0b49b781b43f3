#include <gtest/gtest.h>

#include "platform/fake/Keyboard.h"

namespace tolvane {
namespace {

// The US answers and set-one scan codes recorded from Windows, which the console path's tests
// rely on through the fake keyboard.
fake::Keyboard us;
std::int16_t UsVkKeyScan(std::uint8_t c) { return us.VkKeyScan(c); }
std::uint8_t UsScanCode(std::uint8_t vk) { return us.MapVirtualKey(vk); }

TEST(UsKeyboardLayout, AnswersAsWindowsDoes) {
  for (int c = 'a'; c <= 'z'; ++c) EXPECT_EQ(UsVkKeyScan(static_cast<std::uint8_t>(c)), c - 32);
  for (int c = 'A'; c <= 'Z'; ++c) EXPECT_EQ(UsVkKeyScan(static_cast<std::uint8_t>(c)), 0x100 + c);
  for (int c = '0'; c <= '9'; ++c) EXPECT_EQ(UsVkKeyScan(static_cast<std::uint8_t>(c)), c);
  const char shiftedDigits[] = ")!@#$%^&*(";
  for (int i = 0; i < 10; ++i) EXPECT_EQ(UsVkKeyScan(static_cast<std::uint8_t>(shiftedDigits[i])), 0x130 + i);
  const struct {
    char c;
    int answer;
  } others[] = {{' ', 0x20},   {';', 0xBA},  {':', 0x1BA}, {'=', 0xBB},  {'+', 0x1BB}, {',', 0xBC},  {'<', 0x1BC},
                {'-', 0xBD},   {'_', 0x1BD}, {'.', 0xBE},  {'>', 0x1BE}, {'/', 0xBF},  {'?', 0x1BF}, {'`', 0xC0},
                {'~', 0x1C0},  {'[', 0xDB},  {'{', 0x1DB}, {'\\', 0xDC}, {'|', 0x1DC}, {']', 0xDD},  {'}', 0x1DD},
                {'\'', 0xDE},  {'"', 0x1DE}, {'\t', 0x09}, {'\r', 0x0D}, {'\n', 0x20D}, {'\b', 0x08}, {'\x1b', 0x1B}};
  for (const auto& o : others) EXPECT_EQ(UsVkKeyScan(static_cast<std::uint8_t>(o.c)), o.answer) << o.c;
  for (int c = 128; c < 256; ++c) EXPECT_EQ(UsVkKeyScan(static_cast<std::uint8_t>(c)), -1) << c;
}

TEST(UsKeyboardLayout, SetOneScanCodes) {
  const struct {
    int vk, scan;
  } cases[] = {{0x1B, 0x01}, {'1', 0x02}, {'9', 0x0A}, {'0', 0x0B}, {0x08, 0x0E}, {0x09, 0x0F}, {'Q', 0x10},
               {'P', 0x19},  {0x0D, 0x1C}, {0x11, 0x1D}, {'A', 0x1E}, {'L', 0x26}, {0x10, 0x2A}, {'Z', 0x2C},
               {'M', 0x32},  {0x12, 0x38}, {0x20, 0x39}, {0x14, 0x3A}, {0x70, 0x3B}, {0x79, 0x44}, {0x7A, 0x57},
               {0x7B, 0x58}, {0x24, 0x47}, {0x26, 0x48}, {0x21, 0x49}, {0x25, 0x4B}, {0x27, 0x4D}, {0x23, 0x4F},
               {0x28, 0x50}, {0x22, 0x51}, {0x2D, 0x52}, {0x2E, 0x53}, {0x90, 0x45}, {0x91, 0x46}, {0x0C, 0x4C},
               {0x7C, 0x64}, {0x7F, 0x67}, {0xFF, 0}};
  for (const auto& c : cases) EXPECT_EQ(UsScanCode(static_cast<std::uint8_t>(c.vk)), c.scan) << c.vk;
}

}  // namespace
}  // namespace tolvane
