#include <gtest/gtest.h>

#include <fstream>

#include "Test_Support.h"
#include "platform/Platform_File.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

TEST(RemoveTree, ARootThatIsALinkGoesAsALink) {
  test::ScratchDir dir("remove_root_link");
  fs::create_directories(dir / "target" / "inner");
  std::ofstream(dir / "target" / "inner" / "keep") << "x";
  fs::create_directory_symlink(dir / "target", dir / "root");
  EXPECT_TRUE(remove_tree_no_follow(dir / "root"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir / "root")));
  EXPECT_TRUE(fs::exists(dir / "target" / "inner" / "keep"));

  // A trailing separator names the same folder; a missing one is no error.
  fs::create_directories(dir / "plain" / "sub");
  EXPECT_TRUE(remove_tree_no_follow((dir / "plain").string() + "/"));
  EXPECT_FALSE(fs::exists(dir / "plain"));
  EXPECT_TRUE(remove_tree_no_follow(dir / "plain"));
}

}  // namespace
}  // namespace vn
