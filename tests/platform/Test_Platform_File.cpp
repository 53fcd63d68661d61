#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <span>
#include <vector>

#include "Test_Support.h"
#include "platform/Platform_File.h"
#include "platform/Platform_FileIo.h"

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

bool write_text(const fs::path& path, const std::string& text, std::string& error) {
  return write_file_atomic(
      path, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), error);
}

std::vector<std::string> names_in(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A writer killed between making its new file and renaming it leaves that file behind; the
// next writer of the same file removes it, but never one a live writer still holds, nor
// anything else that merely looks alike.
TEST(AtomicWrite, TheNextWriterRemovesWhatDeadWritersLeft) {
  test::ScratchDir dir("atomic_stale");
  std::ofstream(dir / ".save.ini.tmp4411") << "dead writer";
  std::ofstream(dir / ".save.ini.tmp17") << "another dead writer";
  std::ofstream(dir / ".save.ini.tmpx") << "not a writer's name";
  std::ofstream(dir / ".other.ini.tmp12") << "another file's writer";
  const int live = ::open((dir / ".save.ini.tmp99").c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(live, 0);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);

  std::string error;
  ASSERT_TRUE(write_text(dir / "save.ini", "[a]\r\nb=1\r\n", error)) << error;
  EXPECT_EQ(test::read_text(dir / "save.ini"), "[a]\r\nb=1\r\n");
  EXPECT_EQ(names_in(dir.path()), (std::vector<std::string>{".other.ini.tmp12", ".save.ini.tmp99",
                                                            ".save.ini.tmpx", "save.ini"}));
  ::close(live);
  ASSERT_TRUE(write_text(dir / "save.ini", "[a]\r\nb=2\r\n", error)) << error;
  EXPECT_EQ(names_in(dir.path()),
            (std::vector<std::string>{".other.ini.tmp12", ".save.ini.tmpx", "save.ini"}));
}

TEST(AtomicWrite, AFailedWriteNamesTheFileAskedFor) {
  test::ScratchDir dir("atomic_failed");
  std::string error;
  EXPECT_FALSE(write_text(dir / "missing" / "x.game", "data", error));
  EXPECT_EQ(error, (dir / "missing" / "x.game").string() + ": No such file or directory");
  fs::create_directory(dir / "locked");
  fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
  if (::access((dir / "locked").c_str(), W_OK) != 0) {  // root may write anyway
    EXPECT_FALSE(write_text(dir / "locked" / "x.game", "data", error));
    EXPECT_EQ(error, (dir / "locked" / "x.game").string() + ": Permission denied");
  }
  fs::permissions(dir / "locked", fs::perms::owner_all);
  EXPECT_FALSE(write_text(dir.path(), "data", error));
  EXPECT_TRUE(names_in(dir.path()) == std::vector<std::string>{"locked"});
}

}  // namespace
}  // namespace vn
