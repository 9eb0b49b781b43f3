#include "capture/KeyTrans.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(KeyTrans, BuiltInEntriesTypeDataLiterally) {
  KeyTransTable t;
  t.fill("junk");
  InitKeyTrans(t);
  const std::pair<int, const char*> escaped[] = {
      {8, "{BACKSPACE}"}, {9, "{TAB}"}, {13, "{ENTER}"}, {27, "{ESCAPE}"}, {127, "{DELETE}"}, {' ', "{ }"},
      {160, "{ }"}, {'$', "{F9}"}, {'%', "{F10}"}, {'+', "{+}"}, {'~', "{~}"}, {'{', "{{}"}, {'}', "{}}"},
      {'(', "{(}"}, {')', "{)}"}, {'[', "{[}"}, {']', "{]}"}, {'^', "{^}"},
  };
  for (const auto& [n, keys] : escaped) EXPECT_EQ(t[static_cast<std::size_t>(n)], keys) << n;
  for (const unsigned char c : std::string("!\"#&'*,09AZ\\_`az|\xA1\xE9\xFF"))
    EXPECT_EQ(t[c], std::string(1, static_cast<char>(c))) << int{c};
  for (int n : {0, 7, 10, 11, 12, 14, 26, 28, 31, 128, 150, 159}) EXPECT_EQ(t[static_cast<std::size_t>(n)], "") << n;
}

}  // namespace
}  // namespace tolvane
