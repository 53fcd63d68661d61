#include "library/DataNew_Class.h"

#include <gtest/gtest.h>

#include <fstream>

#include "Test_Support.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

CDataFile stored_file(const std::string& name, int mode) {
  CDataFile file;
  file.file_name = name;
  file.stored = true;
  file.data_follows = true;
  file.data = {'n', 'e', 'w'};
  file.export_mode = mode;
  return file;
}

// Runs the test body inside a scratch working folder.
class IncludedFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    fs::current_path(work_.path());
    fs::create_directories(temp_);
    context_.temp_folder = temp_;
    context_.report_error = [&](const std::string& message) { errors_.push_back(message); };
  }
  void TearDown() override { fs::current_path(previous_); }

  test::ScratchDir work_{"included"};
  fs::path temp_ = work_.path() / "temp";
  fs::path previous_;
  RExportContext context_;
  std::vector<std::string> errors_;
};

TEST_F(IncludedFiles, ExportTargetsByMode) {
  CDataFile to_temp = stored_file("a.txt", kExportTemp);
  EXPECT_TRUE(to_temp.export_file(context_));
  EXPECT_EQ(contents(temp_ / "a.txt"), "new");

  CDataFile to_working = stored_file("b.txt", kExportWorking);
  EXPECT_TRUE(to_working.export_file(context_));
  EXPECT_EQ(contents("b.txt"), "new");

  CDataFile to_folder = stored_file("c.txt", kExportFolder);
  to_folder.export_folder = "out\\deep";
  EXPECT_TRUE(to_folder.export_file(context_));
  EXPECT_EQ(contents("out/deep/c.txt"), "new");

  CDataFile none = stored_file("d.txt", kExportNone);
  EXPECT_TRUE(none.export_file(context_));
  EXPECT_FALSE(fs::exists("d.txt"));
  EXPECT_TRUE(errors_.empty());

  // Removal at the end takes away exactly what was exported.
  for (const CDataFile* file : {&to_temp, &to_working, &to_folder}) file->remove_exported(context_);
  EXPECT_FALSE(fs::exists(temp_ / "a.txt"));
  EXPECT_FALSE(fs::exists("b.txt"));
  EXPECT_FALSE(fs::exists("out/deep/c.txt"));
}

TEST_F(IncludedFiles, OverwriteAndFreeing) {
  std::ofstream("keep.txt") << "old";
  CDataFile keep = stored_file("keep.txt", kExportWorking);
  keep.free_after_export = false;
  EXPECT_FALSE(keep.export_file(context_));
  EXPECT_EQ(contents("keep.txt"), "old");
  EXPECT_TRUE(keep.stored);

  keep.overwrite = true;
  EXPECT_TRUE(keep.export_file(context_));
  EXPECT_EQ(contents("keep.txt"), "new");

  // Freed after the export, it cannot be exported again.
  CDataFile once = stored_file("once.txt", kExportWorking);
  once.overwrite = true;
  EXPECT_TRUE(once.export_file(context_));
  EXPECT_FALSE(once.stored);
  EXPECT_TRUE(once.data.empty());
  EXPECT_FALSE(once.export_file(context_));
}

TEST_F(IncludedFiles, FilesWithoutDataCannotBeExported) {
  CDataFile file = stored_file("x.txt", kExportWorking);
  file.data_follows = false;
  file.data.clear();
  CStream stream;
  file.write(stream);
  // version, two strings, stored, size, data follows, then straight to the export mode.
  EXPECT_EQ(stream.size(), 4u + (4 + 5) + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 4 + 4);
  stream.rewind();
  CDataFile read;
  read.read(stream);
  EXPECT_TRUE(read.stored);
  EXPECT_FALSE(read.export_file(context_));
  EXPECT_FALSE(fs::exists("x.txt"));
}

TEST_F(IncludedFiles, SecureModeRefusesFoldersAndKeepsThemAtTheEnd) {
  context_.secure_mode = true;
  CDataFile nested = stored_file("sub\\x.txt", kExportWorking);
  EXPECT_FALSE(nested.export_file(context_));
  CDataFile folder = stored_file("y.txt", kExportFolder);
  folder.export_folder = "out";
  EXPECT_FALSE(folder.export_file(context_));
  EXPECT_FALSE(fs::exists("out"));
  EXPECT_EQ(errors_, (std::vector<std::string>{
                         "In secure mode you cannot export a data file to sub\\x.txt",
                         "In secure mode you cannot export a data file to an indicated directory."}));

  std::ofstream("kept.txt") << "x";
  fs::create_directories("dir");
  std::ofstream("dir/kept.txt") << "x";
  CDataFile plain = stored_file("kept.txt", kExportWorking);
  CDataFile in_folder = stored_file("kept.txt", kExportFolder);
  in_folder.export_folder = "dir";
  in_folder.remove_exported(context_);
  EXPECT_TRUE(fs::exists("dir/kept.txt"));
  plain.remove_exported(context_);
  EXPECT_FALSE(fs::exists("kept.txt"));
}

TEST_F(IncludedFiles, NamesMatchWithoutRegardToCase) {
  fs::create_directories("Data");
  CDataFile file = stored_file("Level.TXT", kExportFolder);
  file.export_folder = "data";
  file.overwrite = true;
  EXPECT_TRUE(file.export_file(context_));
  EXPECT_TRUE(fs::exists("Data/Level.TXT"));
  EXPECT_FALSE(fs::exists("data"));
}

}  // namespace
}  // namespace vn
