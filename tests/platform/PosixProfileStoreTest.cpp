#include "platform/posix/ProfileStore.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tolvane {
namespace {

namespace fs = std::filesystem;

TEST(PosixProfileStore, ReplacesTheFileWholeOrNotAtAll) {
  std::string tmpl = (fs::temp_directory_path() / "tolvane-store-XXXXXX").string();
  const fs::path dir = mkdtemp(tmpl.data());
  posix::ProfileStore store;
  const std::string file = (dir / "default.tlv").string();
  EXPECT_EQ(store.Read(file), std::nullopt);

  ASSERT_TRUE(store.Write(file, "[Tolvane]\r\nBeep=1\r\n"));
  EXPECT_EQ(store.Read(file), "[Tolvane]\r\nBeep=1\r\n");
  const std::string big(3 << 20, 'x');
  ASSERT_TRUE(store.Write(file, big));
  EXPECT_EQ(store.Read(file), big);

  // A write that cannot complete leaves the old file and no temporary beside it.
  EXPECT_FALSE(store.Write((dir / "gone" / "default.tlv").string(), "x"));
  fs::create_directory(dir / "taken");
  EXPECT_FALSE(store.Write((dir / "taken").string(), "x")) << "cannot replace a folder";
  EXPECT_EQ(store.Read(file), big);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << "no temporary left behind";
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tolvane
