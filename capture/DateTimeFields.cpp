#include "capture/DateTimeFields.h"

#include <cctype>

#include "common/Text.h"

namespace tolvane {
namespace {

struct Field {
  const char* name;
  int (*part)(const LocalDateTime&);
};

const Field kFields[] = {
    {"{YEAR}", [](const LocalDateTime& t) { return t.year % 100; }},
    {"{MONTH}", [](const LocalDateTime& t) { return t.month; }},
    {"{DAY}", [](const LocalDateTime& t) { return t.day; }},
    {"{HOUR}", [](const LocalDateTime& t) { return t.hour; }},
    {"{MINUTE}", [](const LocalDateTime& t) { return t.minute; }},
    {"{SECOND}", [](const LocalDateTime& t) { return t.second; }},
};

std::string TwoDigits(int v) {
  v = ((v % 100) + 100) % 100;
  return {static_cast<char>('0' + v / 10), static_cast<char>('0' + v % 10)};
}

}  // namespace

std::string ExpandDateTimeFields(std::string_view text, Clock& clock) {
  std::string s(text);
  if (s.find('{') == std::string::npos) return s;  // no field can be present
  for (const auto& field : kFields) {
    // Upper-casing keeps lengths, so positions in the upper-case copy are positions in s.
    const std::string upper = ToUpper(s);
    const auto p = upper.find(field.name);
    if (p == std::string::npos) continue;
    s.replace(p, std::char_traits<char>::length(field.name), TwoDigits(field.part(clock.Now())));
  }
  return s;
}

}  // namespace tolvane
