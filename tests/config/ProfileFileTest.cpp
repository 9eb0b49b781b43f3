#include "config/ProfileFile.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

std::optional<std::string> Read(const std::string& file, const char* section = "S", const char* key = "k") {
  return ProfileFile::Parse(file).Get(section, key);
}

TEST(ProfileFile, ReadsAsTheWindowsProfileFunctions) {
  const std::pair<const char*, std::optional<std::string>> cases[] = {  // [S] k
      {"[S]\r\nk=v\r\n", "v"}, {"[S]\r\n  k \t=\t v  \r\n", "v"}, {"[S]\r\nk=  \"  v  \"  \r\n", "  v  "},
      {"[S]\r\nk='  v  '\r\n", "  v  "}, {"[S]\r\nk=\"'v'\"\r\n", "'v'"}, {"[S]\r\nk=\"v'\r\n", "\"v'"},
      {"[S]\r\nk=\"\r\n", "\""}, {"[S]\r\nk=\r\n", ""}, {"[S]\r\nk\r\n", std::nullopt}, {"[S]\r\nk=a=b\r\n", "a=b"},
      {"[S]\r\nk=v ;c\r\n", "v ;c"}, {"[S]\r\n  ;k=v\r\n", std::nullopt}, {"[S]\r\nk=v1\r\nk=v2\r\n", "v1"},
      {"[S]\r\na=1\r\n[S]\r\nk=v\r\n", std::nullopt}, {"[ S ]\r\nk=v\r\n", "v"}, {" [S]\r\nk=v\r\n", "v"},
      {"[S\r\nk=v\r\n", "v"}, {"[S]k=v\r\n", std::nullopt}, {"k=v\r\n[S]\r\n", std::nullopt}, {"[S]\nk=v\n", "v"},
      {"[S]\rk=v\r", "v"}, {"[S]\r\nk=v", "v"}, {"\xEF\xBB\xBF[S]\r\nk=v\r\n", std::nullopt}, {"", std::nullopt},
      {"\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n", "v"}, {"[S]\r\nk=caf\xE9\r\n", "caf\xE9"}, {"[T]\r\nk=v\r\n", std::nullopt},
  };
  for (const auto& [file, value] : cases) EXPECT_EQ(Read(file), value) << '"' << file << '"';
  EXPECT_EQ(Read("[S]\r\n;k=v\r\n", "S", ";k"), std::nullopt);
  EXPECT_EQ(Read("[S]\r\n#k=v\r\n", "S", "#k"), "v");
  EXPECT_EQ(Read("[S]k=v\r\nj=w\r\n", "S", "j"), "w");
  EXPECT_EQ(Read("[S]\r\n\xE9t\xE9=1\r\n", "S", "\xC9T\xC9"), "1");
  EXPECT_EQ(Read("[S]\r\nk=v\r\n", " S ", " k "), "v");
  EXPECT_EQ(Read("[S]\r\nk=v\r\n", "\tS"), std::nullopt);
}

TEST(ProfileFile, EditsInPlaceKeepingEveryOtherLine) {
  ProfileFile f = ProfileFile::Parse("; my scanner\r\n[Other]\r\nx = 1\r\n\r\n[tolvane]\r\n"
                                     "ComPort = 3\r\nUnknown=keep\r\n; note\r\n\r\n[Last]\n");
  f.Set("Tolvane", "comport", "4");
  f.Set("Tolvane", "Beep", "1");
  f.Set("New", "k", "v");
  EXPECT_EQ(f.Serialize(), "; my scanner\r\n[Other]\r\nx = 1\r\n\r\n[tolvane]\r\nComPort=4\r\n"
                           "Unknown=keep\r\nBeep=1\r\n; note\r\n\r\n[Last]\n[New]\r\nk=v\r\n");

  for (const char* file : {"", "[S]\r\nk=v", "[S]"}) {  // appending after no line ending
    ProfileFile g = ProfileFile::Parse(file);
    g.Set("S", "k", "v");
    g.Set("T", "a", "");
    g.Set("S", "j", "w");
    EXPECT_EQ(g.Serialize(), "[S]\r\nk=v\r\nj=w\r\n[T]\r\na=\r\n") << file;
  }
}

TEST(ProfileFile, WhatIsWrittenReadsBackUnchanged) {
  const std::string values[] = {"", "plain", " lead", "trail ", "\ttab", "\"quoted\"", "'single'",
                                "\"half", "a=b;c", std::string(250, 'x'), "caf\xE9", "{ }"};
  for (const auto& v : values) {
    ProfileFile f;
    f.Set("S", "k", v);
    EXPECT_EQ(ProfileFile::Parse(f.Serialize()).Get("S", "k"), v) << v;
  }
  ProfileFile f;  // a line break cannot make a second key
  f.Set("S", "k", "a\r\nevil=1");
  const ProfileFile back = ProfileFile::Parse(f.Serialize());
  EXPECT_EQ(back.Get("S", "k"), "aevil=1");
  EXPECT_EQ(back.Get("S", "evil"), std::nullopt);
}

}  // namespace
}  // namespace tolvane
