#include "common/TextToNumber.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tolvane {
namespace {

bool Skipped(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

int DigitValue(char c, int radix) {
  int d = -1;
  if (c >= '0' && c <= '9')
    d = c - '0';
  else if (c >= 'A' && c <= 'F')
    d = c - 'A' + 10;
  else if (c >= 'a' && c <= 'f')
    d = c - 'a' + 10;
  return d < radix ? d : -1;
}

double WrapTo16(std::uint64_t v) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(v)); }
double WrapTo32(std::uint64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

// After "&": "H" reads hex, where the count of significant digits picks the width
// (3-4 wrap as 16-bit, 5-8 as 32-bit); "O" reads octal, where the value picks it.
double RadixValue(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  const char kind = s[i++];
  int radix = 0;
  int maxDigits = 0;
  if (kind == 'H' || kind == 'h') {
    radix = 16;
    maxDigits = 16;
  } else if (kind == 'O' || kind == 'o') {
    radix = 8;
    maxDigits = 21;  // 63 bits
  } else {
    return 0;
  }
  std::uint64_t v = 0;
  int digits = 0;
  for (; i < s.size() && digits < maxDigits; ++i) {
    if (Skipped(s[i])) continue;
    const int d = DigitValue(s[i], radix);
    if (d < 0) break;
    if (digits == 0 && d == 0) continue;  // leading zeros do not widen the type
    v = v * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
    ++digits;
  }
  if (radix == 16) {
    if (digits > 8) return static_cast<double>(static_cast<std::int64_t>(v));
    if (digits > 4) return WrapTo32(v);
    if (digits > 2) return WrapTo16(v);
    return static_cast<double>(v);
  }
  if (v > 0xFFFFFFFFull) return static_cast<double>(v);
  if (v > 0xFFFF) return WrapTo32(v);
  if (v > 0xFF) return WrapTo16(v);
  return static_cast<double>(v);
}

}  // namespace

double TextToNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && Skipped(s[i])) ++i;
  if (i >= s.size()) return 0;
  if (s[i] == '&') return RadixValue(s, i + 1);

  bool negative = false;
  if (s[i] == '-' || s[i] == '+') negative = s[i++] == '-';

  // Collect the digits without the blanks, then let from_chars round correctly.
  std::string whole, fraction;
  bool point = false, exponent = false;
  for (; i < s.size(); ++i) {
    const char c = s[i];
    if (Skipped(c)) continue;
    if (c >= '0' && c <= '9') {
      (point ? fraction : whole) += c;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      exponent = c == 'E' || c == 'e' || c == 'D' || c == 'd';
      if (exponent) ++i;
      break;
    }
  }

  long exp = 0;
  if (exponent) {
    bool expNegative = false, signSeen = false, digitSeen = false;
    for (; i < s.size(); ++i) {
      const char c = s[i];
      if (Skipped(c)) continue;
      if ((c == '+' || c == '-') && !signSeen && !digitSeen) {
        signSeen = true;
        expNegative = c == '-';
      } else if (c >= '0' && c <= '9') {
        digitSeen = true;
        if (exp < 1000000) exp = exp * 10 + (c - '0');
      } else {
        break;
      }
    }
    if (expNegative) exp = -exp;
  }

  if (whole.empty() && fraction.empty()) return 0;
  std::string text = whole.empty() ? "0" : whole;
  if (!fraction.empty()) text += "." + fraction;
  text += "e" + std::to_string(exp);

  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: decide by where the first significant digit sits.
    const auto firstWhole = whole.find_first_not_of('0');
    long magnitude = 0;
    if (firstWhole != std::string::npos) {
      magnitude = static_cast<long>(whole.size() - firstWhole);
    } else {
      const auto firstFraction = fraction.find_first_not_of('0');
      magnitude = firstFraction == std::string::npos ? -1000000 : -static_cast<long>(firstFraction);
    }
    value = magnitude + exp > 0 ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

double RoundHalfEven(double x) {
  const double below = std::floor(x);
  const double diff = x - below;
  if (diff < 0.5) return below;
  if (diff > 0.5) return below + 1;
  return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<std::int16_t> ToInt16(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= -32768.0 && r <= 32767.0)) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

std::optional<std::int32_t> ToInt32(double x) {
  const double r = RoundHalfEven(x);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return std::nullopt;
  return static_cast<std::int32_t>(r);
}

}  // namespace tolvane
