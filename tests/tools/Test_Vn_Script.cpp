// vn script as a person uses it: files and texts run as programs, their debug messages on
// standard output, the errors a player would see on standard error.
#include <gtest/gtest.h>

#include <fstream>

#include "Test_Support.h"
#include "library/Support_Registry.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

std::string vn_script(const std::string& arguments) {
  return "env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) + " script " + arguments;
}

void write(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

TEST(VnScript, RunsFilesAndTextsInTheOrderGiven) {
  test::ScratchDir scratch("vn_script_order");
  // LF line ends, UTF-8 text: the program sees Windows-1252 and prints UTF-8 again.
  write(scratch / "one.vns",
        "var s;\ns = \"caf\u00E9\";\nshow_debug_message(s + \" \" + "
        "string(string_length(s)));\nglobal.seen = 1;\n");
  write(scratch / "two.vns", "show_debug_message(\"two\")\r\nshow_debug_message(7 div 2)\r\n");
  auto run =
      run_command(vn_script("-e 'show_debug_message(\"first\")' " + quoted(scratch / "one.vns") +
                            " -e 'show_debug_message(2.5)' " + quoted(scratch / "two.vns")));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "first\ncaf\u00E9 4\n2.50\ntwo\n3\n");
  EXPECT_EQ(run.err, "");

  // Every input starts a fresh game: the global of the first is gone in the second.
  auto fresh =
      run_command(vn_script("-e 'global.g = 1; show_debug_message(global.g)' "
                            "-e 'show_debug_message(global.g)'"));
  EXPECT_EQ(fresh.status, 1);
  EXPECT_EQ(fresh.out, "1\n");
  EXPECT_NE(fresh.err.find("Unknown variable g"), std::string::npos) << fresh.err;
}

TEST(VnScript, CompileErrorsAreTheComposedMessage) {
  test::ScratchDir scratch("vn_script_compile");
  write(scratch / "bad.vns", "x = 1;\ny = ;\n");
  write(scratch / "good.vns", "show_debug_message(\"still runs\")");
  const std::string report =
      "Error in code at line 2:\n"
      "   y = ;\n"
      "       ^\n"
      "at position 6: Unexpected symbol in expression.\n";
  // One input: its report alone.
  auto alone = run_command(vn_script(quoted(scratch / "bad.vns")));
  EXPECT_EQ(alone.status, 1);
  EXPECT_EQ(alone.err, report);
  // Several: a line names the one each report is about.
  auto run =
      run_command(vn_script(quoted(scratch / "good.vns") + " " + quoted(scratch / "bad.vns") +
                            " -e 'show_debug_message(\"on\")' -e 'z = ;'"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "still runs\non\n");
  EXPECT_EQ(run.err, "In file " + (scratch / "bad.vns").string() + ":\n" + report +
                         "In -e text 2:\n"
                         "Error in code at line 1:\n"
                         "   z = ;\n"
                         "      ^\n"
                         "at position 5: Unexpected symbol in expression.\n");

  // Only compiling: nothing runs, and the status tells whether all compiled.
  auto checked = run_command(vn_script("--check " + quoted(scratch / "good.vns")));
  EXPECT_EQ(checked.status, 0) << checked.err;
  EXPECT_EQ(checked.out, "");
  auto failed = run_command(
      vn_script("--check " + quoted(scratch / "good.vns") + " " + quoted(scratch / "bad.vns")));
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(failed.out, "");
  EXPECT_NE(failed.err.find("at position 6:"), std::string::npos) << failed.err;
}

TEST(VnScript, ScriptsOfAFolderCanBeCalledAndReportTheirErrors) {
  test::ScratchDir scratch("vn_script_scripts");
  fs::create_directories(scratch / "scripts");
  write(scratch / "scripts" / "twice.vns", "return argument0 * 2;");
  // A .vns file wins over a .txt file of the same name.
  write(scratch / "scripts" / "twice.txt", "return -1;");
  write(scratch / "scripts" / "quad.txt", "return twice(twice(argument0));");
  write(scratch / "scripts" / "fails.vns", "var a;\r\na = argument0;\r\nreturn a + b;");
  write(scratch / "scripts" / "notes.md", "not a script");

  auto run = run_command(vn_script("--scripts " + quoted(scratch / "scripts") +
                                   " -e 'show_debug_message(quad(5))'"
                                   " -e 'show_debug_message(\"before\"); x = fails(1); "
                                   "show_debug_message(\"after\")'"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "20\nbefore\n");
  EXPECT_EQ(run.err,
            "In -e text 2:\n"
            "In script fails:\n"
            "Error in code at line 3:\n"
            "   return a + b;\n"
            "              ^\n"
            "at position 13: Unknown variable b\n");

  // A script that does not compile stops everything before any program runs.
  write(scratch / "scripts" / "broken.vns", "return (;");
  auto broken = run_command(
      vn_script("--scripts " + quoted(scratch / "scripts") + " -e 'show_debug_message(1)'"));
  EXPECT_EQ(broken.status, 1);
  EXPECT_EQ(broken.out, "");
  EXPECT_EQ(broken.err.rfind("COMPILATION ERROR in Script: broken\n", 0), 0u) << broken.err;
}

TEST(VnScript, ConstantsComeFromAFileOfNameValueLines) {
  test::ScratchDir scratch("vn_script_constants");
  write(scratch / "constants",
        "# speeds\n\n// and names\nBASE=40\r\nFAST = BASE + 2\nNAME=\"vn\" + \"run\"\n");
  auto run = run_command(vn_script("--constants " + quoted(scratch / "constants") +
                                   " -e 'show_debug_message(FAST)' -e 'show_debug_message(NAME)'"));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "42\nvnrun\n");

  write(scratch / "no_equals", "BASE 40\n");
  auto usage =
      run_command(vn_script("--constants " + quoted(scratch / "no_equals") + " -e 'x = 1'"));
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find(":1: expected name=value"), std::string::npos) << usage.err;

  write(scratch / "bad_value", "GOOD=1\nBAD=(\n");
  auto invalid = run_command(
      vn_script("--constants " + quoted(scratch / "bad_value") + " -e 'show_debug_message(1)'"));
  EXPECT_EQ(invalid.status, 1);
  EXPECT_EQ(invalid.out, "");
  EXPECT_NE(invalid.err.find("Value for constant BAD  is not valid."), std::string::npos)
      << invalid.err;
}

TEST(VnScript, SelfIsAnInstanceAsInAGame) {
  auto run = run_command(vn_script(
      "-e 'x = 5; y = -2; speed = 3; direction = 90; alarm[2] = 7; image_xscale = 2; "
      "show_debug_message(string(x) + \" \" + string(y) + \" \" + string(speed) + \" \" + "
      "string(vspeed) + \" \" + string(alarm[2]) + \" \" + string(image_xscale) + \" \" + "
      "string(id) + \" \" + string(object_index))'"));
  EXPECT_EQ(run.status, 0) << run.err;
  // vspeed follows speed and direction, as it does for an instance in a room.
  EXPECT_EQ(run.out, "5 -2 3 -3 7 2 0 0\n");
  EXPECT_EQ(run.err, "");
}

TEST(VnScript, SecureModeIsThePlayersPreference) {
  test::ScratchDir scratch("vn_script_secure");
  fs::create_directories(scratch / "work");
  const std::string program =
      " -e 'show_debug_message(secure_mode); f = file_text_open_write(\"sub/out.txt\"); "
      "show_debug_message(f)'";
  auto script = [&] {
    return run_command("cd " + quoted(scratch / "work") + " && mkdir -p sub && XDG_CONFIG_HOME=" +
                       quoted(scratch.path()) + " " + vn_script(program));
  };
  auto open = script();
  EXPECT_EQ(open.out.substr(0, 2), "0\n") << open.err;
  EXPECT_TRUE(fs::exists(scratch / "work" / "sub" / "out.txt"));
  fs::remove(scratch / "work" / "sub" / "out.txt");

  // The preference as the runner reads it, in the player's store under XDG_CONFIG_HOME.
  set_registry_folder(scratch / "varnock");
  registry_store().write(
      registry_key_path(kCurrentUser, "Software\\Varnock\\Version 8\\Preferences"), "Warning",
      RRegistryValue{true, 1.0, ""});
  set_registry_folder(scratch / "elsewhere");
  auto secure = script();
  EXPECT_EQ(secure.status, 0);
  EXPECT_EQ(secure.out, "1\n-1\n");
  EXPECT_EQ(secure.err, "In secure mode you cannot write file sub/out.txt\n");
  EXPECT_FALSE(fs::exists(scratch / "work" / "sub" / "out.txt"));
}

TEST(VnScript, ErrorsOfBuiltInFunctionsAndUsage) {
  // A built-in function reports its own error and the program goes on.
  auto run =
      run_command(vn_script("-e 'show_debug_message(real(\"x\")); "
                            "show_debug_message(\"on\")'"));
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "0\non\n");
  EXPECT_EQ(run.err, "Error in function real().\n");

  EXPECT_EQ(run_command(vn_script("")).status, 2);
  EXPECT_EQ(run_command(vn_script("--bogus -e 'x = 1'")).status, 2);
  auto missing = run_command(vn_script("/nonexistent/file.vns -e 'show_debug_message(1)'"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "1\n");
  EXPECT_NE(missing.err.find("/nonexistent/file.vns"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace vn
