#include "platform/posix/ProfileStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tolvane {
namespace {

namespace fs = std::filesystem;

struct TempDir {
  fs::path path;
  TempDir() {
    std::string tmpl = (fs::temp_directory_path() / "tolvane-store-XXXXXX").string();
    path = mkdtemp(tmpl.data());
  }
  ~TempDir() { fs::remove_all(path); }
};

TEST(PosixProfileStore, ReplacesTheFileWholeOrNotAtAll) {
  TempDir dir;
  posix::ProfileStore store;
  const std::string file = (dir.path / "default.tlv").string();
  EXPECT_EQ(store.Read(file), std::nullopt);

  ASSERT_TRUE(store.Write(file, "[Tolvane]\r\nBeep=1\r\n"));
  EXPECT_EQ(store.Read(file), "[Tolvane]\r\nBeep=1\r\n");
  std::string big(3 << 20, 'x');
  ASSERT_TRUE(store.Write(file, big));
  EXPECT_EQ(store.Read(file), big);

  // A write that cannot complete leaves the old file and no temporary beside it.
  const std::string missingFolder = (dir.path / "gone" / "default.tlv").string();
  EXPECT_FALSE(store.Write(missingFolder, "x"));
  fs::create_directory(dir.path / "taken");
  EXPECT_FALSE(store.Write((dir.path / "taken").string(), "x")) << "cannot replace a folder";
  EXPECT_EQ(store.Read(file), big);
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.path)) ++entries;
  EXPECT_EQ(entries, 2) << "default.tlv and the folder, no temporary left behind";
}

}  // namespace
}  // namespace tolvane
