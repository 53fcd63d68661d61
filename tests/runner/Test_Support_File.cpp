#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>

#include "Test_Support.h"
#include "platform/Platform_File.h"
#include "runner/Support_File.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

void write_file(const fs::path& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary);
  out << contents;
}

EnvironmentLookup environment_of(std::map<std::string, std::string> values) {
  return [values = std::move(values)](const char* name) {
    auto found = values.find(name);
    return found != values.end() ? found->second : std::string();
  };
}

std::string current_folder() { return fs::current_path().string(); }

TEST(TempFolderBases, FirstLineOfTempdirTxtWins) {
  test::ScratchDir dir("tempdir_txt");
  const std::string base = (dir / "chosen").string();
  for (const char* line_end : {"\r\n", "\n", "\r"}) {
    write_file(dir / "tempdir.txt", base + line_end + "second line" + line_end);
    const auto bases = temp_folder_bases(dir.path(), environment_of({{"TMPDIR", "/elsewhere"}}));
    EXPECT_EQ(bases, (std::vector<std::string>{base, "/tmp", current_folder()})) << line_end;
  }
}

TEST(TempFolderBases, EnvironmentThenTmp) {
  test::ScratchDir dir("tempdir_env");
  auto first = [&](std::map<std::string, std::string> values) {
    return temp_folder_bases(dir.path(), environment_of(std::move(values))).front();
  };
  EXPECT_EQ(first({{"TMPDIR", ""}, {"TEMP", "/x/temp"}, {"TMP", "/x/tmp"}}), "/x/temp");
  EXPECT_EQ(first({{"TMP", "/x/tmp/"}}), "/x/tmp");
  EXPECT_EQ(first({{"TMPDIR", "/x/tmpdir"}, {"TEMP", "/x/temp"}}), "/x/tmpdir");
  EXPECT_EQ(first({}), "/tmp");
  // Relative bases are pinned to the directory of the moment.
  EXPECT_EQ(first({{"TMPDIR", "relative"}}), current_folder() + "/relative");
}

TEST(TempFolderBases, BlankOrWindowsTempdirTxt) {
  test::ScratchDir dir("tempdir_windows");
  write_file(dir / "tempdir.txt", "\nnot this\n");
  EXPECT_EQ(temp_folder_bases(dir.path(), environment_of({{"TMP", "/x/tmp"}})).front(), "/x/tmp");
  write_file(dir / "tempdir.txt", "C:\\games\\tmp\r\n");
  EXPECT_EQ(temp_folder_bases(dir.path(), environment_of({})).front(), "/games/tmp");
}

TEST(TempFolder, CreatedPrivateWithMissingParents) {
  test::ScratchDir dir("temp_create");
  const std::string base = (dir / "a" / "b").string();
  CTempFolder temp(12345);
  ASSERT_TRUE(temp.create({base}));
  EXPECT_EQ(temp.base_folder(), base);
  EXPECT_TRUE(std::regex_match(temp.folder(), std::regex(base + "/vn_ttt_[0-9]{1,5}")))
      << temp.folder();
  EXPECT_EQ(fs::status(temp.folder()).permissions(), fs::perms::owner_all);

  // The same seed draws the same number first; the name is taken, so it draws again.
  CTempFolder twin(12345);
  ASSERT_TRUE(twin.create({base}));
  EXPECT_NE(twin.folder(), temp.folder());
  EXPECT_TRUE(fs::is_directory(temp.folder()));
  EXPECT_TRUE(fs::is_directory(twin.folder()));
}

TEST(TempFolder, FallsBackWhenABaseCannotBeCreated) {
  test::ScratchDir dir("temp_fallback");
  write_file(dir / "blocker", "a file, so nothing can be made below it");
  const std::string blocked = (dir / "blocker" / "sub").string();
  const std::string second = (dir / "second").string();

  CTempFolder temp;
  ASSERT_TRUE(temp.create({blocked, second}));
  EXPECT_EQ(temp.base_folder(), second);

  CTempFolder none;
  EXPECT_FALSE(none.create({blocked, (dir / "blocker" / "other").string()}));
  EXPECT_TRUE(none.folder().empty());

  // The real chain: a tempdir.txt naming a base that cannot be made ends up under /tmp.
  write_file(dir / "tempdir.txt", blocked + "\n");
  const auto bases = temp_folder_bases(dir.path(), environment_of({}));
  CTempFolder chained;
  ASSERT_TRUE(chained.create(bases));
  EXPECT_EQ(chained.base_folder(), "/tmp");
  chained.remove();
  EXPECT_FALSE(fs::exists(chained.folder()));
}

TEST(TempFolder, FileNamesAreFreeNamesInsideTheFolder) {
  test::ScratchDir dir("temp_names");
  CTempFolder temp;
  ASSERT_TRUE(temp.create({dir.path().string()}));
  const std::regex pattern(temp.folder() + "/a[0-9]{1,5}\\.wav");
  for (int i = 0; i < 20; ++i) {
    const std::string name = temp.file_name(".wav");
    ASSERT_TRUE(std::regex_match(name, pattern)) << name;
    EXPECT_FALSE(fs::exists(name));
    write_file(name, "x");
  }
}

TEST(TempFolderRemoval, RemovesNestedFilesAndFolders) {
  test::ScratchDir dir("temp_remove");
  CTempFolder temp;
  ASSERT_TRUE(temp.create({dir.path().string()}));
  const fs::path folder = temp.folder();
  fs::create_directories(folder / "sub" / "deeper");
  write_file(folder / "top.txt", "1");
  write_file(folder / "sub" / "file.txt", "2");
  write_file(folder / "sub" / "deeper" / "file.txt", "3");
  fs::permissions(folder / "sub" / "deeper", fs::perms::owner_read | fs::perms::owner_exec);
  temp.remove();
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::is_directory(dir.path()));
}

TEST(TempFolderRemoval, LinksAreRemovedButNotFollowed) {
  test::ScratchDir dir("temp_links");
  const fs::path outside = dir / "outside";
  fs::create_directories(outside / "nested");
  write_file(outside / "keep.txt", "keep");
  write_file(outside / "nested" / "keep.txt", "keep");
  write_file(dir / "lonely.txt", "keep");

  CTempFolder temp;
  ASSERT_TRUE(temp.create({(dir / "base").string()}));
  const fs::path folder = temp.folder();
  fs::create_directory(folder / "sub");
  fs::create_directory_symlink(outside, folder / "to_folder");
  fs::create_directory_symlink(outside, folder / "sub" / "to_folder");
  fs::create_symlink(dir / "lonely.txt", folder / "to_file");
  fs::create_symlink(dir / "missing", folder / "dangling");
  temp.remove();

  EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
  EXPECT_TRUE(fs::exists(outside / "keep.txt"));
  EXPECT_TRUE(fs::exists(outside / "nested" / "keep.txt"));
  EXPECT_TRUE(fs::exists(dir / "lonely.txt"));
}

TEST(TempFolderRemoval, MissingFolderAndSecondCallDoNothing) {
  test::ScratchDir dir("temp_twice");
  CTempFolder never_made;
  never_made.remove();

  CTempFolder temp;
  ASSERT_TRUE(temp.create({dir.path().string()}));
  temp.remove();
  // Something new under the old name is not ours any more.
  fs::create_directory(temp.folder());
  temp.remove();
  EXPECT_TRUE(fs::is_directory(temp.folder()));

  CTempFolder gone;
  ASSERT_TRUE(gone.create({dir.path().string()}));
  fs::remove_all(gone.folder());
  gone.remove();
  EXPECT_TRUE(fs::is_directory(dir.path()));
}

// A runner killed before it could remove its folder leaves it behind; the next runner to
// make one in the same base removes it, and nothing a live runner holds.
TEST(TempFolderRemoval, FoldersOfDeadRunnersGoWhenTheNextOneStarts) {
  test::ScratchDir dir("temp_abandoned");
  CTempFolder live;
  ASSERT_TRUE(live.create({dir.path().string()}));
  write_file(fs::path(live.folder()) / "sound.wav", "live");

  // What a killed runner leaves: its folder and a mark nobody holds any more.
  const fs::path dead = dir / "vn_ttt_123";
  fs::create_directories(dead / "sub");
  write_file(dead / "sub" / "data.bin", "left");
  release_folder(hold_folder(dead));
  // Neither made by a runner of this kind nor named like one: left alone.
  const fs::path unmarked = dir / "vn_ttt_77";
  const fs::path other = dir / "vn_ttt_x1";
  fs::create_directories(unmarked);
  fs::create_directories(other);
  release_folder(hold_folder(other));

  CTempFolder next;
  ASSERT_TRUE(next.create({dir.path().string()}));
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(fs::path(live.folder()) / "sound.wav"));
  EXPECT_TRUE(fs::is_directory(unmarked));
  EXPECT_TRUE(fs::is_directory(other));

  // A held folder stays until its holder lets go.
  const int hold = hold_folder(unmarked);
  ASSERT_GE(hold, 0);
  EXPECT_FALSE(remove_folder_if_abandoned(unmarked));
  release_folder(hold);
  EXPECT_TRUE(remove_folder_if_abandoned(unmarked));
  EXPECT_FALSE(fs::exists(unmarked));
}

}  // namespace
}  // namespace vn
