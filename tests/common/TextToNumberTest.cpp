#include "common/TextToNumber.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tolvane {
namespace {

// Decimal as BASIC Val reads it, then &H and &O wrapping by their width.
TEST(TextToNumber, ReadsLikeBasicVal) {
  // clang-format off
  const std::pair<const char*, double> cases[] = {
      {"2457", 2457}, {" 2 45 7", 2457}, {"24 and 57", 24}, {"1. 1", 1.1}, {"1.1.1", 1.1}, {"1..1", 1}, {"1e", 1},
      {"1d2", 100}, {"1D-2", 0.01}, {"1.1e +3", 1100}, {"1e+1+", 10}, {"1eA", 1}, {"5 Elm St", 5}, {"-1e20", -1e20},
      {"1e-3", 0.001}, {"", 0}, {".1", 0.1}, {"-.5", -0.5}, {"  -  7", -7}, {".", 0}, {"1,000", 1}, {"$5", 0},
      {"0x1A", 0}, {"\t1\n2\r3", 123}, {"+4", 4}, {"--5", 0}, {"1e5-2", 100000}, {"&HFF", 255}, {"&hff", 255},
      {"&H7F", 127}, {"&H F", 15}, {"&HFFFF", -1}, {"&H8000", -32768}, {"&H7FFF", 32767}, {"&H10000", 65536},
      {"&H00FF", 255}, {"&H", 0}, {"&H1G", 1}, {"&O7", 7}, {"&O 7", 7}, {"&O177", 127}, {"&O400", 256},
      {"&O100000", -32768}, {"&O177777", -1}, {"&X1", 0}, {"&", 0}, {"&H80000000", -2147483648.0},
      {"    1615 198th Street N.E.", 1615198},
  };
  // clang-format on
  for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(TextToNumber(text), value) << text;

  EXPECT_TRUE(std::isinf(TextToNumber("1e999")));
  EXPECT_LT(TextToNumber("-1e999"), 0);
  EXPECT_EQ(TextToNumber("1e-999"), 0);
  EXPECT_EQ(TextToNumber("0.0000e99999999999999999999"), 0);
  EXPECT_TRUE(std::isinf(TextToNumber(std::string(400, '9'))));
  EXPECT_FALSE(ToInt32(TextToNumber("1e999")));
}

TEST(TextToNumber, RoundsHalfToEvenThenChecksRange) {
  // clang-format off
  const std::pair<double, std::int16_t> rounded[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-0.6, -1}, {0.6, 1}, {32767.49, 32767},
      {-32768.5, -32768}};
  // clang-format on
  for (const auto& [x, n] : rounded) EXPECT_EQ(ToInt16(x), n) << x;
  EXPECT_FALSE(ToInt16(32767.5));
  EXPECT_FALSE(ToInt16(-32768.51));
  EXPECT_FALSE(ToInt32(2147483647.5));
  EXPECT_EQ(ToInt32(-2147483648.5), -2147483648LL);
  EXPECT_FALSE(ToInt32(NAN));
}

}  // namespace
}  // namespace tolvane
