// The common dialogs: the games' filters, the runner's own file list, and the desktop's
// dialog program (a stand-in zenity put first on PATH, which writes down its arguments and
// answers as the test tells it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Test_Support.h"
#include "platform/Platform_Dialog.h"
#include "platform/Platform_Video.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::write_text;

std::vector<std::string> lines_of(const fs::path& path) {
  std::vector<std::string> lines;
  std::ifstream file(path);
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

TEST(PlatformDialog, FiltersAreReadInPairs) {
  const auto filters = parse_file_filter("Text files|*.txt; *.TEXT|All|*.*|Lonely description");
  ASSERT_EQ(filters.size(), 2u);
  EXPECT_EQ(filters[0].description, "Text files");
  EXPECT_EQ(filters[0].patterns, (std::vector<std::string>{"*.txt", "*.TEXT"}));
  EXPECT_EQ(filters[1].patterns, (std::vector<std::string>{"*.*"}));
  // Nothing to offer, and a nameless filter is named by its patterns.
  EXPECT_TRUE(parse_file_filter("").empty());
  EXPECT_TRUE(parse_file_filter("Images|").empty());
  const auto nameless = parse_file_filter("|*.png");
  ASSERT_EQ(nameless.size(), 1u);
  EXPECT_EQ(nameless[0].description, "*.png");
}

TEST(PlatformDialog, FiltersMatchWithoutRegardToCase) {
  const auto filters = parse_file_filter("Text|*.txt;*.log|All|*.*");
  EXPECT_TRUE(filter_matches(filters[0], "notes.TXT"));
  EXPECT_TRUE(filter_matches(filters[0], "run.log"));
  EXPECT_FALSE(filter_matches(filters[0], "notes.txt.bak"));
  EXPECT_FALSE(filter_matches(filters[0], "txt"));
  EXPECT_TRUE(filter_matches(filters[1], "README"));  // no dot at all
  const auto accented = parse_file_filter("Saves|\xC9t\xE9*.sav");
  EXPECT_TRUE(filter_matches(accented[0], "\xE9T\xC9 1.SAV"));
}

TEST(PlatformDialog, FiltersBecomeZenityFiltersThatIgnoreCase) {
  const auto filters = parse_file_filter("Text|*.txt;*.Log|All files|*.*|\xC9t\xE9|*.x1");
  EXPECT_EQ(zenity_file_filter(filters[0]), "Text | *.[tT][xX][tT] *.[lL][oO][gG]");
  EXPECT_EQ(zenity_file_filter(filters[1]), "All files | *");
  EXPECT_EQ(zenity_file_filter(filters[2]), "\xC3\x89t\xC3\xA9 | *.[xX]1");
}

class FileListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_text(scratch_ / "a.txt", "a");
    write_text(scratch_ / "b.TXT", "b");
    write_text(scratch_ / "c.png", "c");
    write_text(scratch_ / ".hidden.txt", "h");
    write_text(scratch_ / "Beta" / "inner.txt", "i");
    fs::create_directories(scratch_ / "alpha");
  }
  static std::vector<std::string> names(const CFileListModel& model) {
    std::vector<std::string> list;
    for (const RFolderEntry& entry : model.entries()) {
      list.push_back(entry.folder ? entry.name + "/" : entry.name);
    }
    return list;
  }
  test::ScratchDir scratch_{"dialog_list"};
};

TEST_F(FileListTest, FoldersComeFirstThenTheFilesOfTheFilter) {
  CFileListModel model(FileDialogMode::open, "Text|*.txt|All|*.*", false);
  ASSERT_TRUE(model.enter(scratch_.path()));
  EXPECT_EQ(names(model), (std::vector<std::string>{"../", "alpha/", "Beta/", "a.txt", "b.TXT"}));
  model.select_filter(1);
  EXPECT_EQ(names(model),
            (std::vector<std::string>{"../", "alpha/", "Beta/", "a.txt", "b.TXT", "c.png"}));

  // Into a folder and back out.
  EXPECT_EQ(model.activate({"Beta", true}), CFileListModel::Action::entered);
  EXPECT_EQ(model.folder(), fs::canonical(scratch_ / "Beta"));
  EXPECT_EQ(names(model), (std::vector<std::string>{"../", "inner.txt"}));
  EXPECT_EQ(model.activate({"..", true}), CFileListModel::Action::entered);
  EXPECT_EQ(model.folder(), fs::canonical(scratch_.path()));
  EXPECT_FALSE(model.enter(scratch_ / "no such folder"));
  EXPECT_EQ(model.folder(), fs::canonical(scratch_.path()));
}

TEST_F(FileListTest, OpenAcceptsOnlyFilesThatExist) {
  CFileListModel model(FileDialogMode::open, "All|*.*", false);
  ASSERT_TRUE(model.enter(scratch_.path()));
  model.name = "missing.txt";
  EXPECT_EQ(model.confirm(), CFileListModel::Action::none);
  EXPECT_EQ(model.problem(), "File not found.");
  // A click fills the name; a double click on a file accepts it.
  model.pick({"c.png", false});
  EXPECT_EQ(model.name, "c.png");
  EXPECT_EQ(model.activate({"b.TXT", false}), CFileListModel::Action::accepted);
  EXPECT_EQ(model.accepted(), fs::canonical(scratch_.path()) / "b.TXT");
  EXPECT_FALSE(model.accepted_exists());  // only saving asks
  // A folder typed in the name field is entered, not accepted.
  model.name = "alpha";
  EXPECT_EQ(model.confirm(), CFileListModel::Action::entered);
  EXPECT_EQ(model.name, "");
  EXPECT_EQ(model.folder(), fs::canonical(scratch_ / "alpha"));
}

TEST_F(FileListTest, SaveTakesNewNamesAndAsksBeforeReplacing) {
  CFileListModel model(FileDialogMode::save, "Text|*.txt", false);
  ASSERT_TRUE(model.enter(scratch_.path()));
  model.name = "new.txt";
  EXPECT_EQ(model.confirm(), CFileListModel::Action::accepted);
  EXPECT_FALSE(model.accepted_exists());
  model.name = "a.txt";
  EXPECT_EQ(model.confirm(), CFileListModel::Action::accepted);
  EXPECT_TRUE(model.accepted_exists());
  model.name = "nowhere/new.txt";
  EXPECT_EQ(model.confirm(), CFileListModel::Action::none);
  EXPECT_TRUE(model.accepted().empty());
}

TEST_F(FileListTest, FolderListStaysInsideItsRoot) {
  CFileListModel model(FileDialogMode::open, {}, true);
  model.set_root(scratch_.path());
  ASSERT_TRUE(model.enter(scratch_.path()));
  // No way up from the root, and only folders.
  EXPECT_EQ(names(model), (std::vector<std::string>{"alpha/", "Beta/"}));
  EXPECT_FALSE(model.enter(scratch_ / ".."));
  EXPECT_EQ(model.confirm(), CFileListModel::Action::accepted);
  EXPECT_EQ(model.accepted(), fs::canonical(scratch_.path()));
  // Choosing a listed folder without entering it.
  model.pick({"Beta", true});
  EXPECT_EQ(model.confirm(), CFileListModel::Action::accepted);
  EXPECT_EQ(model.accepted(), fs::canonical(scratch_ / "Beta"));
  model.name = "/";
  EXPECT_EQ(model.confirm(), CFileListModel::Action::none);
  EXPECT_EQ(model.activate({"Beta", true}), CFileListModel::Action::entered);
  EXPECT_EQ(names(model), (std::vector<std::string>{"../"}));
}

// A stand-in zenity: writes its arguments, one a line, to args.txt, prints the contents of
// answer.txt and exits with the status in status.txt.
class ZenityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    write_text(scratch_ / "bin" / "zenity",
               "#!/bin/sh\n"
               "here=\"$(dirname \"$0\")/..\"\n"
               "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$here/args.txt\"\n"
               "cat \"$here/answer.txt\" 2>/dev/null\n"
               "exit $(cat \"$here/status.txt\")\n");
    fs::permissions(scratch_ / "bin" / "zenity", fs::perms::owner_all);
    const char* path = std::getenv("PATH");
    saved_path_ = path ? path : "";
    ::setenv("PATH", ((scratch_ / "bin").string() + ":" + saved_path_).c_str(), 1);
  }
  void TearDown() override { ::setenv("PATH", saved_path_.c_str(), 1); }

  void answer(const std::string& text, int status) {
    write_text(scratch_ / "answer.txt", text);
    write_text(scratch_ / "status.txt", std::to_string(status));
  }
  std::vector<std::string> arguments() const { return lines_of(scratch_ / "args.txt"); }

  test::ScratchDir scratch_{"dialog_zenity"};
  std::string saved_path_;
};

TEST_F(ZenityTest, OpenAndSaveGiveTheChosenPathInTheGamesEncoding) {
  EXPECT_EQ(find_zenity(), scratch_ / "bin" / "zenity");
  answer("/games/\xC3\xA9t\xC3\xA9.txt\n", 0);
  RFileDialogSetup setup;
  setup.caption = "Open";
  setup.filter = "Text|*.txt|All|*.*";
  setup.folder = "/games";
  setup.name = "\xE9t\xE9.txt";
  RDialogResult result = choose_file(setup);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen);
  EXPECT_EQ(result.path, "/games/\xE9t\xE9.txt");
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"--file-selection", "--title", "Open", "--filename",
                                      "/games/\xC3\xA9t\xC3\xA9.txt", "--file-filter",
                                      "Text | *.[tT][xX][tT]", "--file-filter", "All | *"}));

  setup.mode = FileDialogMode::save;
  setup.caption = "Save";
  setup.name.clear();
  setup.filter.clear();
  answer("/games/out.txt\n", 0);
  result = choose_file(setup);
  EXPECT_EQ(result.path, "/games/out.txt");
  EXPECT_EQ(arguments(),
            (std::vector<std::string>{"--file-selection", "--title", "Save", "--save",
                                      "--confirm-overwrite", "--filename", "/games/"}));

  answer("", 1);
  result = choose_file(setup);
  EXPECT_EQ(result.outcome, DialogOutcome::cancelled);
  EXPECT_EQ(result.path, "");
}

TEST_F(ZenityTest, FoldersAndColours) {
  answer("/home/player/saves\n", 0);
  RFolderDialogSetup folder;
  folder.caption = "Where to?";
  folder.folder = "/home/player";
  RDialogResult result = choose_folder(folder);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen);
  EXPECT_EQ(result.path, "/home/player/saves");
  EXPECT_EQ(arguments(), (std::vector<std::string>{"--file-selection", "--directory", "--title",
                                                   "Where to?", "--filename", "/home/player/"}));

  // Red is the low byte of a game's colour.
  answer("rgb(10,20,30)\n", 0);
  result = choose_colour("Color", 0x0000FF);
  EXPECT_EQ(result.outcome, DialogOutcome::chosen);
  EXPECT_EQ(result.colour, 10 | 20 << 8 | 30 << 16);
  EXPECT_EQ(arguments(), (std::vector<std::string>{"--color-selection", "--title", "Color",
                                                   "--color=rgb(255,0,0)"}));
  answer("rgba(1,2,3,0.5)\n", 0);
  EXPECT_EQ(choose_colour("Color", 0).colour, 0x030201);
  answer("#a0b0c0\n", 0);
  EXPECT_EQ(choose_colour("Color", 0).colour, 0xC0B0A0);
  answer("#ffff00000000\n", 0);
  EXPECT_EQ(choose_colour("Color", 0).colour, 0x0000FF);
  answer("", 1);
  EXPECT_EQ(choose_colour("Color", 0).outcome, DialogOutcome::cancelled);
  // Something zenity should never say is no colour.
  answer("purple\n", 0);
  EXPECT_EQ(choose_colour("Color", 0).outcome, DialogOutcome::cancelled);
}

TEST_F(ZenityTest, AZenityThatFailsLeavesTheRunnersOwnForm) {
  if (has_display()) GTEST_SKIP() << "the runner's own form would open on this display";
  answer("", 255);
  EXPECT_EQ(choose_colour("Color", 0).outcome, DialogOutcome::unavailable);
  fs::remove(scratch_ / "bin" / "zenity");
  if (!find_zenity().empty()) GTEST_SKIP() << "a real zenity is installed";
  RFileDialogSetup setup;
  EXPECT_EQ(choose_file(setup).outcome, DialogOutcome::unavailable);
}

}  // namespace
}  // namespace vn
