#include <cstdlib>

#include "Test_File_Support.h"
#include "library/DataNew_Class.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class FileFunctions : public FileTest {};

TEST_F(FileFunctions, TextReadingAcrossLineEnds) {
  write("in.txt", " -12.5x rest\r\n3,25\n\n0 7.5.5\rlast");
  RValue f = call("file_text_open_read", {"in.txt"});
  ASSERT_EQ(f.real, 1);
  EXPECT_EQ(real("file_text_read_real", {f}), -12.5);
  EXPECT_EQ(text_of("file_text_read_string", {f}), " rest");
  EXPECT_EQ(real("file_text_eoln", {f}), 1);
  // Reading at the end of a line gives nothing and stays there.
  EXPECT_EQ(text_of("file_text_read_string", {f}), "");
  call("file_text_readln", {f});
  EXPECT_EQ(real("file_text_read_real", {f}), 3.25);
  EXPECT_EQ(real("file_text_eoln", {f}), 1);
  call("file_text_readln", {f});
  EXPECT_EQ(real("file_text_eoln", {f}), 1);
  EXPECT_EQ(real("file_text_eof", {f}), 0);
  call("file_text_readln", {f});
  // Blanks are skipped while the value is 0; a second separator moves the digits on.
  EXPECT_EQ(real("file_text_read_real", {f}), 7.505);
  call("file_text_readln", {f});
  EXPECT_EQ(text_of("file_text_read_string", {f}), "last");
  EXPECT_EQ(real("file_text_eoln", {f}), 1);
  EXPECT_EQ(real("file_text_eof", {f}), 1);
  call("file_text_readln", {f});
  EXPECT_EQ(real("file_text_read_real", {f}), 0);
  EXPECT_TRUE(shown().empty());
  call("file_text_close", {f});
  EXPECT_EQ(real("file_text_eof", {f}), 0);
  EXPECT_EQ(text_of("file_text_read_string", {f}), "");
  EXPECT_EQ(shown(), (Strings{"File is not opened for reading.", "Error reading string."}));
}

TEST_F(FileFunctions, TextWritingAppendingAndTheirErrors) {
  RValue f = call("file_text_open_write", {"out.txt"});
  for (double x : {3.0, 2.5, -1.5, 0.0000001, 1e15}) call("file_text_write_real", {f, x});
  call("file_text_writeln", {f});
  call("file_text_write_string", {f, "é"});
  EXPECT_EQ(real("file_text_read_real", {f}), 0);
  EXPECT_EQ(shown(), Strings{"Error reading real."});
  call("file_text_close", {f});
  call("file_text_write_string", {f, "lost"});
  EXPECT_EQ(shown(), Strings{"File not opened for writing."});
  EXPECT_EQ(read_text("out.txt"), " 3 2.500000 -1.500000 0 1000000000000000\r\né");

  f = call("file_text_open_append", {"out.txt"});
  call("file_text_write_string", {f, "+"});
  call("file_text_close", {f});
  f = call("file_text_open_append", {"new.txt"});
  call("file_text_write_string", {f, "made"});
  call("file_text_close", {f});
  EXPECT_EQ(read_text("out.txt"), " 3 2.500000 -1.500000 0 1000000000000000\r\né+");
  EXPECT_EQ(read_text("new.txt"), "made");
  // Writing empties an existing file.
  f = call("file_text_open_write", {"out.txt"});
  call("file_text_close", {f});
  EXPECT_EQ(read_text("out.txt"), "");
  EXPECT_TRUE(shown().empty());
}

TEST_F(FileFunctions, SlotsRunOutPerTableAndClosingChecksTheHandle) {
  write("a.txt", "x");
  for (int i = 1; i <= 32; ++i) ASSERT_EQ(real("file_text_open_read", {"a.txt"}), i);
  EXPECT_EQ(real("file_text_open_read", {"a.txt"}), -1);
  EXPECT_EQ(shown(), Strings{"Cannot open another file (maximum exceeded)."});
  // The binary table is a table of its own.
  for (int i = 1; i <= 32; ++i) ASSERT_EQ(real("file_bin_open", {"a.txt", 0.0}), i);
  EXPECT_EQ(real("file_bin_open", {"a.txt", 0.0}), -1);
  EXPECT_EQ(shown(), Strings{"Cannot open another file (maximum exceeded)."});
  call("file_text_close", {7.0});
  EXPECT_EQ(real("file_text_open_read", {"a.txt"}), 7);
  call("file_text_close", {0.0});
  call("file_text_close", {33.0});
  reset_file_state();
  call("file_text_close", {5.0});
  EXPECT_EQ(shown(), (Strings{"Trying to close unexisting text file.",
                              "Trying to close unexisting text file."}));
  // A missing file is -1 without a word; a folder cannot be opened.
  EXPECT_EQ(real("file_text_open_read", {"missing.txt"}), -1);
  EXPECT_TRUE(shown().empty());
  fs::create_directory("folder");
  EXPECT_EQ(real("file_text_open_read", {"folder"}), -1);
  EXPECT_EQ(real("file_text_open_write", {"folder"}), -1);
  EXPECT_EQ(shown(),
            (Strings{"Error opening file for reading.", "Error opening file for writing."}));
}

TEST_F(FileFunctions, BinarySeeksPastTheEnd) {
  RValue f = call("file_bin_open", {"data.bin", 1.0});
  ASSERT_EQ(f.real, 1);
  call("file_bin_write_byte", {f, 65.0});
  call("file_bin_write_byte", {f, 256.0 + 66});
  call("file_bin_seek", {f, 5.0});
  EXPECT_EQ(real("file_bin_position", {f}), 5);
  EXPECT_EQ(real("file_bin_size", {f}), 2);
  call("file_bin_write_byte", {f, -1.0});
  EXPECT_EQ(real("file_bin_size", {f}), 6);
  // Write only: reading fails.
  call("file_bin_seek", {f, 0.0});
  EXPECT_EQ(real("file_bin_read_byte", {f}), 0);
  EXPECT_EQ(shown(), Strings{"Error reading byte."});
  call("file_bin_close", {f});
  EXPECT_EQ(read_text("data.bin"), std::string("AB\0\0\0\xFF", 6));

  f = call("file_bin_open", {"data.bin", 2.0});
  call("file_bin_seek", {f, 1.0});
  EXPECT_EQ(real("file_bin_read_byte", {f}), 66);
  call("file_bin_write_byte", {f, 67.0});  // at position 2, seen by the next read
  call("file_bin_seek", {f, 2.0});
  EXPECT_EQ(real("file_bin_read_byte", {f}), 67);
  call("file_bin_seek", {f, 100.0});
  EXPECT_EQ(real("file_bin_read_byte", {f}), 0);
  EXPECT_EQ(real("file_bin_position", {f}), 100);
  call("file_bin_seek", {f, -1.0});
  EXPECT_EQ(shown(), (Strings{"Error reading byte.", "Error seeking."}));
  call("file_bin_rewrite", {f});
  EXPECT_EQ(real("file_bin_size", {f}), 0);
  EXPECT_EQ(real("file_bin_position", {f}), 0);
  call("file_bin_close", {f});
  call("file_bin_close", {f});
  call("file_bin_size", {f});
  call("file_bin_rewrite", {40.0});
  EXPECT_EQ(shown(), (Strings{"Trying to close unopened file.", "File is not opened.",
                              "Trying to rewrite unopened file."}));
  // Reading only: writing fails, and a missing file is created.
  f = call("file_bin_open", {"fresh.bin", 0.0});
  call("file_bin_write_byte", {f, 1.0});
  EXPECT_EQ(shown(), Strings{"Error writing byte."});
  EXPECT_TRUE(fs::exists("fresh.bin"));
}

TEST_F(FileFunctions, TheSingleFileFamily) {
  call("file_open_write", {"one.txt"});
  call("file_write_real", {4.25});
  call("file_writeln");
  call("file_write_string", {"two"});
  call("file_open_read", {"one.txt"});  // closes the file being written first
  EXPECT_EQ(real("file_read_real"), 4.25);
  EXPECT_EQ(real("file_eoln"), 1);
  call("file_readln");
  EXPECT_EQ(text_of("file_read_string"), "two");
  EXPECT_EQ(real("file_eof"), 1);
  call("file_write_string", {"x"});
  call("file_close");
  call("file_read_string");
  EXPECT_EQ(shown(), (Strings{"File not opened for writing.", "File not opened for reading."}));
  call("file_open_read", {"missing.txt"});
  EXPECT_EQ(real("file_eof"), 0);
  EXPECT_EQ(shown(), Strings{"File not opened for reading."});
}

TEST_F(FileFunctions, NamesIgnoreCaseSeparatorsAndDrives) {
  write("Data/Levels/One.TXT", "level one");
  EXPECT_EQ(real("file_exists", {"data\\LEVELS\\one.txt"}), 1);
  EXPECT_EQ(real("file_exists", {"C:data\\levels\\ONE.txt"}), 1);
  EXPECT_EQ(real("file_exists", {"data\\levels"}), 0);
  EXPECT_EQ(real("directory_exists", {"DATA\\Levels\\"}), 1);
  RValue f = call("file_text_open_read", {"DATA\\LEVELS\\one.txt"});
  EXPECT_EQ(text_of("file_text_read_string", {f}), "level one");

  // New names keep the case given, inside the folders that exist under another case.
  call("file_copy", {"data\\levels\\one.txt", "DATA\\levels\\Two.txt"});
  EXPECT_EQ(read_text("Data/Levels/Two.txt"), "level one");
  call("file_rename", {"data/levels/two.txt", "data\\levels\\Three.txt"});
  EXPECT_TRUE(fs::exists("Data/Levels/Three.txt"));
  EXPECT_FALSE(fs::exists("Data/Levels/Two.txt"));
  // Renaming does not replace an existing file.
  call("file_rename", {"data\\levels\\three.txt", "data\\levels\\one.txt"});
  EXPECT_TRUE(fs::exists("Data/Levels/Three.txt"));
  call("file_delete", {"DATA\\LEVELS\\THREE.TXT"});
  EXPECT_FALSE(fs::exists("Data/Levels/Three.txt"));
  call("directory_create", {"data\\levels\\deep\\er"});
  EXPECT_TRUE(fs::is_directory("Data/Levels/deep/er"));
  // Names are Windows-1252 inside and UTF-8 on disk.
  call("file_open_write", {"caf\xE9.txt"});
  call("file_close");
  EXPECT_TRUE(fs::exists("caf\xC3\xA9.txt"));
  EXPECT_EQ(text_of("file_find_first", {"caf*", 0.0}), "caf\xE9.txt");
  EXPECT_TRUE(shown().empty());
}

TEST_F(FileFunctions, FindPatternsAndAttributes) {
  for (const char* name : {"b.TXT", "a.txt", "c.dat", "readme", ".hidden.txt", "sub/inner.txt"}) {
    write(name, "x");
  }
  fs::permissions("c.dat", fs::perms::owner_read);
  auto all = [&](const std::string& mask, double attributes) {
    Strings names;
    for (std::string name = text_of("file_find_first", {mask, attributes}); !name.empty();
         name = text_of("file_find_next")) {
      names.push_back(name);
    }
    return names;
  };
  EXPECT_EQ(all("*.txt", 0), (Strings{"a.txt", "b.TXT"}));
  EXPECT_EQ(all("*.TXT", 2), (Strings{".hidden.txt", "a.txt", "b.TXT"}));
  EXPECT_EQ(all("*.*", 0), (Strings{"a.txt", "b.TXT", "c.dat", "readme"}));
  EXPECT_EQ(all("*.", 0), (Strings{"readme"}));
  EXPECT_EQ(all("?.dat", 0), (Strings{"c.dat"}));
  EXPECT_EQ(all("*", 16), (Strings{".", "..", "a.txt", "b.TXT", "c.dat", "readme", "sub"}));
  EXPECT_EQ(all("SUB\\*.txt", 0), (Strings{"inner.txt"}));
  EXPECT_EQ(all("nowhere\\*", 0), Strings{});

  // A new search replaces the open one; a closed one gives nothing more.
  EXPECT_EQ(text_of("file_find_first", {"*.dat", 0.0}), "c.dat");
  call("file_find_close");
  EXPECT_EQ(text_of("file_find_next"), "");

  EXPECT_EQ(real("file_attributes", {"missing", 63.0}), -1);
  EXPECT_EQ(real("file_attributes", {"c.dat", 1.0}), 1);
  EXPECT_EQ(real("file_attributes", {"a.txt", 1.0}), 0);
  EXPECT_EQ(real("file_attributes", {"a.txt", 32.0}), 1);
  EXPECT_EQ(real("file_attributes", {"SUB", 16.0}), 1);
  EXPECT_EQ(real("file_attributes", {".hidden.txt", 2.0}), 1);
  fs::permissions("c.dat", fs::perms::owner_all);
}

TEST_F(FileFunctions, FileNameParts) {
  struct Case {
    const char* name;
    const char* file;
    const char* path;
    const char* dir;
    const char* drive;
    const char* ext;
  };
  const Case cases[] = {
      {"C:\\games\\save.dat", "save.dat", "C:\\games\\", "C:\\games", "C:", ".dat"},
      {"C:\\save", "save", "C:\\", "C:\\", "C:", ""},
      {"C:save.tar.gz", "save.tar.gz", "C:", "C:", "C:", ".gz"},
      {"\\\\server\\share\\dir\\a.b", "a.b", "\\\\server\\share\\dir\\", "\\\\server\\share\\dir",
       "\\\\server\\share", ".b"},
      {"data/levels.v2/one", "one", "data/levels.v2/", "data/levels.v2", "", ""},
      {"plain", "plain", "", "", "", ""},
      {"dot.", "dot.", "", "", "", "."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(text_of("filename_name", {c.name}), c.file);
    EXPECT_EQ(text_of("filename_path", {c.name}), c.path);
    EXPECT_EQ(text_of("filename_dir", {c.name}), c.dir);
    EXPECT_EQ(text_of("filename_drive", {c.name}), c.drive);
    EXPECT_EQ(text_of("filename_ext", {c.name}), c.ext);
  }
  EXPECT_EQ(text_of("filename_change_ext", {"a\\b.txt", ".ini"}), "a\\b.ini");
  EXPECT_EQ(text_of("filename_change_ext", {"a.d\\b", ".ini"}), "a.d\\b.ini");
  EXPECT_EQ(text_of("filename_change_ext", {"b.txt", ""}), "b");
}

TEST_F(FileFunctions, SecureModeKeepsWritesInsideTheFolder) {
  fs::create_directories(scratch_ / "game");
  fs::current_path(scratch_ / "game");
  write(scratch_ / "outside.txt", "keep");
  fs::create_symlink(scratch_ / "outside.txt", "link_out");
  fs::create_symlink(scratch_ / "gone.txt", "dangling_out");
  fs::create_directory_symlink(scratch_.path(), "dir_out");
  fs::create_symlink("inner.txt", "link_in");
  run_state().secure_mode = true;

  RValue f = call("file_text_open_write", {"plain.txt"});
  EXPECT_EQ(f.real, 1);
  call("file_text_close", {f});
  EXPECT_EQ(real("file_text_open_write", {"link_in"}), 1);
  EXPECT_EQ(real("file_bin_open", {"bin.dat", 2.0}), 1);
  EXPECT_TRUE(shown().empty());

  for (const char* name : {"..\\x.txt", "../x.txt", "/tmp/x.txt", "C:\\x.txt", "sub\\x.txt",
                           "link_out", "dangling_out", "..", "dir_out"}) {
    SCOPED_TRACE(name);
    const std::string text = name;
    EXPECT_EQ(real("file_text_open_write", {name}), -1);
    call("file_text_open_append", {name});
    call("file_open_write", {name});
    EXPECT_EQ(real("file_bin_open", {name, 1.0}), -1);
    call("directory_create", {name});
    call("file_copy", {"plain.txt", name});
    EXPECT_EQ(shown(), (Strings{"In secure mode you cannot write file " + text,
                                "In secure mode you cannot append to file " + text,
                                "In secure mode you cannot write file " + text,
                                "In secure mode you cannot write file " + text,
                                "In Secure mode you cannot create directory " + text,
                                "In Secure mode you cannot copy file plain.txt to " + text}));
  }
  EXPECT_EQ(read_text(scratch_ / "outside.txt"), "keep");
  EXPECT_FALSE(fs::exists(scratch_ / "gone.txt"));
  EXPECT_FALSE(fs::exists(scratch_ / "x.txt"));

  // Reading stays free; a binary open for reading that would create the file does not.
  EXPECT_GT(real("file_text_open_read", {"..\\outside.txt"}), 0);
  EXPECT_GT(real("file_bin_open", {"../outside.txt", 0.0}), 0);
  EXPECT_EQ(real("file_bin_open", {"../new.bin", 0.0}), -1);
  call("file_delete", {"..\\outside.txt"});
  call("file_rename", {"plain.txt", "../moved.txt"});
  call("file_copy", {"../outside.txt", "copy.txt"});
  call("execute_program", {"true", "", 1.0});
  call("execute_shell", {"true", ""});
  call("registry_write_real_ext", {"Software\\X", "a", 1.0});
  call("export_include_file_location", {"missing", "x"});
  EXPECT_EQ(shown(), (Strings{"In secure mode you cannot write file ../new.bin",
                              "In Secure mode you cannot delete file ..\\outside.txt",
                              "In Secure mode you cannot rename file plain.txt into ../moved.txt",
                              "In Secure mode you cannot copy file ../outside.txt to copy.txt",
                              "In Secure mode you cannot execute program true",
                              "In Secure mode you cannot execute program true",
                              "In Secure mode you cannot write registry entries in Software\\X",
                              "Trying to export non-existing file."}));
  // A link is deleted as a link: its target outside stays.
  call("file_delete", {"link_out"});
  EXPECT_TRUE(shown().empty());
  EXPECT_FALSE(fs::exists(fs::symlink_status("link_out")));
  EXPECT_EQ(read_text(scratch_ / "outside.txt"), "keep");
}

TEST_F(FileFunctions, IncludedFiles) {
  std::vector<CDataFile> files(1);
  files[0].file_name = "level.dat";
  files[0].stored = files[0].data_follows = true;
  files[0].data = {'L', 'V'};
  files[0].free_after_export = false;
  set_included_files(&files);
  call("export_include_file", {"level.dat"});
  EXPECT_EQ(read_text("level.dat"), "LV");
  call("export_include_file_location", {"level.dat", "copy.dat"});
  EXPECT_EQ(read_text("copy.dat"), "LV");
  // Without overwrite an existing file stays.
  write("copy.dat", "old");
  call("export_include_file_location", {"level.dat", "copy.dat"});
  EXPECT_EQ(read_text("copy.dat"), "old");
  call("discard_include_file", {"level.dat"});
  call("export_include_file_location", {"level.dat", "after.dat"});
  EXPECT_FALSE(fs::exists("after.dat"));
  call("export_include_file", {"LEVEL.DAT"});
  call("discard_include_file", {"nothing"});
  EXPECT_EQ(shown(), (Strings{"Trying to export non-existing file.",
                              "Trying to discard non-existing file."}));
  set_included_files(nullptr);
}

TEST_F(FileFunctions, ProgramsParametersAndEnvironment) {
  call("execute_program", {"sh", "-c \"echo ran > ran.txt\"", 1.0});
  EXPECT_EQ(read_text("ran.txt"), "ran\n");
  write("tool.sh", "#!/bin/sh\necho \"$1\" > \"$2\"\n");
  fs::permissions("tool.sh", fs::perms::owner_all);
  // A bare name in the current folder is found there; a path argument is translated.
  fs::create_directory("out");
  call("execute_program", {"tool.sh", "\"two words\" OUT\\said.txt", 1.0});
  EXPECT_EQ(read_text("out/said.txt"), "two words\n");
  // A Windows program name loses its ".exe"; a whole command line may come as the program.
  call("execute_program", {"SH.EXE", "-c \"echo exe > exe.txt\"", 1.0});
  EXPECT_EQ(read_text("exe.txt"), "exe\n");
  call("execute_program", {"\"tool.sh\" again", "out\\again.txt", 1.0});
  EXPECT_EQ(read_text("out/again.txt"), "again\n");
  call("execute_program", {"no_such_program_here", "", 1.0});
  call("execute_shell", {"missing.doc", ""});
  EXPECT_EQ(shown(),
            (Strings{"Cannot execute no_such_program_here", "Cannot execute missing.doc"}));

  set_program_parameters({"/games/run", "-level", "caf\xC3\xA9"});
  EXPECT_EQ(real("parameter_count"), 2);
  EXPECT_EQ(text_of("parameter_string", {0.0}), "/games/run");
  EXPECT_EQ(text_of("parameter_string", {2.0}), "caf\xE9");
  EXPECT_EQ(text_of("parameter_string", {3.0}), "");
  EXPECT_EQ(text_of("parameter_string", {-1.0}), "");
  EXPECT_EQ(text_of("environment_get_variable", {"PATH"}), std::getenv("PATH"));
  EXPECT_EQ(text_of("environment_get_variable", {"VN_SURELY_NOT_SET_ANYWHERE"}), "");
}

TEST_F(FileFunctions, AProgramUsesTheFamilyTogether) {
  RScriptRun r =
      run("var f, total; f = file_text_open_write('n.txt');"
          "file_text_write_real(f, 1.5); file_text_writeln(f); file_text_write_real(f, -2);"
          "file_text_close(f);"
          "f = file_text_open_read('N.TXT'); total = 0;"
          "while (!file_text_eof(f)) { total += file_text_read_real(f); file_text_readln(f); }"
          "file_text_close(f); return total");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.result.real, -0.5);
  EXPECT_EQ(value_of("return disk_size('C') > 0 && disk_free('/') > 0 && disk_free('?') == -1"),
            "1");
}

}  // namespace
}  // namespace vn::test
