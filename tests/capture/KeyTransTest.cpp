#include "capture/KeyTrans.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

TEST(KeyTrans, BuiltInEntriesTypeDataLiterally) {
  KeyTransTable t;
  t.fill("junk");
  InitKeyTrans(t);
  EXPECT_EQ(t[8], "{BACKSPACE}");
  EXPECT_EQ(t[9], "{TAB}");
  EXPECT_EQ(t[13], "{ENTER}");
  EXPECT_EQ(t[27], "{ESCAPE}");
  EXPECT_EQ(t[127], "{DELETE}");
  EXPECT_EQ(t[' '], "{ }");
  EXPECT_EQ(t[160], "{ }");
  EXPECT_EQ(t['$'], "{F9}");
  EXPECT_EQ(t['%'], "{F10}");
  EXPECT_EQ(t['+'], "{+}");
  EXPECT_EQ(t['~'], "{~}");
  EXPECT_EQ(t['{'], "{{}");
  EXPECT_EQ(t['}'], "{}}");
  EXPECT_EQ(t['('], "{(}");
  EXPECT_EQ(t[')'], "{)}");
  EXPECT_EQ(t['['], "{[}");
  EXPECT_EQ(t[']'], "{]}");
  EXPECT_EQ(t['^'], "{^}");
  for (int n : std::initializer_list<int>{'!', '"', '#', '&', '\'', '*', ',', '0', '9', 'A', 'Z', '\\', '_', '`', 'a', 'z', '|', 161, 233, 255})
    EXPECT_EQ(t[static_cast<std::size_t>(n)], std::string(1, static_cast<char>(n))) << n;
  for (int n : {0, 7, 10, 11, 12, 14, 26, 28, 31, 128, 150, 159})
    EXPECT_EQ(t[static_cast<std::size_t>(n)], "") << n;
}

}  // namespace
}  // namespace tolvane
