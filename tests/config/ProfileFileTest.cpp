#include "config/ProfileFile.h"

#include <gtest/gtest.h>

namespace tolvane {
namespace {

std::optional<std::string> Read(const std::string& file, const char* section, const char* key) {
  return ProfileFile::Parse(file).Get(section, key);
}

TEST(ProfileFile, ReadsAsTheWindowsProfileFunctions) {
  const struct {
    const char* file;
    const char* section;
    const char* key;
    std::optional<std::string> value;
  } cases[] = {
      {"[S]\r\nk=v\r\n", "s", "K", "v"}, {"[S]\r\n  k \t=\t v  \r\n", "S", "k", "v"},
      {"[S]\r\nk=  \"  v  \"  \r\n", "S", "k", "  v  "}, {"[S]\r\nk='  v  '\r\n", "S", "k", "  v  "},
      {"[S]\r\nk=\"'v'\"\r\n", "S", "k", "'v'"}, {"[S]\r\nk=\"v'\r\n", "S", "k", "\"v'"},
      {"[S]\r\nk=\"\r\n", "S", "k", "\""}, {"[S]\r\nk=\r\n", "S", "k", ""}, {"[S]\r\nk\r\n", "S", "k", std::nullopt},
      {"[S]\r\nk=a=b\r\n", "S", "k", "a=b"}, {"[S]\r\nk=v ;c\r\n", "S", "k", "v ;c"},
      {"[S]\r\n;k=v\r\n", "S", ";k", std::nullopt}, {"[S]\r\n  ;k=v\r\n", "S", "k", std::nullopt},
      {"[S]\r\n#k=v\r\n", "S", "#k", "v"}, {"[S]\r\nk=v1\r\nk=v2\r\n", "S", "k", "v1"},
      {"[S]\r\na=1\r\n[S]\r\nk=v\r\n", "S", "k", std::nullopt}, {"[ S ]\r\nk=v\r\n", "S", "k", "v"},
      {" [S]\r\nk=v\r\n", "S", "k", "v"}, {"[S\r\nk=v\r\n", "S", "k", "v"}, {"[S]k=v\r\nj=w\r\n", "S", "j", "w"},
      {"[S]k=v\r\n", "S", "k", std::nullopt}, {"k=v\r\n[S]\r\n", "S", "k", std::nullopt},
      {"[S]\nk=v\n", "S", "k", "v"}, {"[S]\rk=v\r", "S", "k", "v"}, {"[S]\r\nk=v", "S", "k", "v"},
      {"\xEF\xBB\xBF[S]\r\nk=v\r\n", "S", "k", std::nullopt}, {"\xEF\xBB\xBF\r\n[S]\r\nk=v\r\n", "S", "k", "v"},
      {"[S]\r\nk=caf\xE9\r\n", "S", "k", "caf\xE9"}, {"[S]\r\n\xE9t\xE9=1\r\n", "S", "\xC9T\xC9", "1"},
      {"[S]\r\nk=v\r\n", " S ", " k ", "v"}, {"[S]\r\nk=v\r\n", "\tS", "k", std::nullopt},
      {"", "S", "k", std::nullopt}, {"[T]\r\nk=v\r\n", "S", "k", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Read(c.file, c.section, c.key), c.value) << '"' << c.file << "\" [" << c.section << "] " << c.key;
}

TEST(ProfileFile, EditsInPlaceKeepingEveryOtherLine) {
  ProfileFile f = ProfileFile::Parse(
      "; my scanner\r\n[Other]\r\nx = 1\r\n\r\n[tolvane]\r\nComPort = 3\r\nUnknown=keep\r\n; note\r\n\r\n[Last]\n");
  f.Set("Tolvane", "comport", "4");
  f.Set("Tolvane", "Beep", "1");
  f.Set("New", "k", "v");
  EXPECT_EQ(f.Serialize(),
            "; my scanner\r\n[Other]\r\nx = 1\r\n\r\n[tolvane]\r\nComPort=4\r\nUnknown=keep\r\nBeep=1\r\n; note\r\n\r\n"
            "[Last]\n[New]\r\nk=v\r\n");

  ProfileFile empty;
  empty.Set("S", "k", "v");
  empty.Set("T", "a", "");
  empty.Set("S", "j", "w");
  EXPECT_EQ(empty.Serialize(), "[S]\r\nk=v\r\nj=w\r\n[T]\r\na=\r\n");

  ProfileFile noEnding = ProfileFile::Parse("[S]\r\nk=v");
  noEnding.Set("S", "j", "w");
  noEnding.Set("T", "a", "b");
  EXPECT_EQ(noEnding.Serialize(), "[S]\r\nk=v\r\nj=w\r\n[T]\r\na=b\r\n");

  ProfileFile headerOnly = ProfileFile::Parse("[S]");
  headerOnly.Set("S", "k", "v");
  EXPECT_EQ(headerOnly.Serialize(), "[S]\r\nk=v\r\n");
}

TEST(ProfileFile, WhatIsWrittenReadsBackUnchanged) {
  const std::string values[] = {"", "plain", " lead", "trail ", "\ttab", "\"quoted\"", "'single'", "\"half",
                                "a=b;c", std::string(250, 'x'), "caf\xE9", "{ }"};
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
