// vnrun from the command line: a runner without a game says what it is for; a standalone
// game answers no option itself and hands every parameter to the game.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Test_Support.h"
#include "support/Support_Version.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY ";

TEST(RunnerMain, ARunnerWithoutAGameAnswersHelpAndVersionAndSaysWhatToDo) {
  auto version = run_command(quoted(VNRUN_PATH) + " --version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "vnrun " + project_version() + "\n");

  auto help = run_command(quoted(VNRUN_PATH) + " --help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("vn pack PROJECT -o GAME"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("vn run GAME"), std::string::npos) << help.out;

  for (const char* arguments : {"", " --bogus", " game.exe"}) {
    auto run = run_command(kNoDisplay + quoted(VNRUN_PATH) + arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_EQ(run.out, "") << arguments;
    // One line, saying what is missing and how to get a game.
    EXPECT_EQ(run.err,
              "vnrun: no game is appended to this program; make one with 'vn pack PROJECT -o "
              "GAME' or play one with 'vn run GAME' (--help tells more)\n")
        << arguments;
  }
}

TEST(RunnerMain, AStandaloneGameHandsEveryParameterToTheGame) {
  test::ScratchDir scratch("runner_parameters");
  const fs::path project = scratch / "project";
  fs::create_directories(project / "objects");
  fs::create_directories(project / "rooms");
  std::ofstream(project / "game.json")
      << R"({"game_id": 3, "objects": ["obj_main"], "rooms": ["rm_main"]})";
  std::ofstream(project / "objects" / "obj_main.json") << R"({"events": [{"type": "create",
      "actions": ["var i; for (i = 1; i <= parameter_count(); i += 1) show_debug_message(parameter_string(i)); game_end();"]}]})";
  std::ofstream(project / "rooms" / "rm_main.json")
      << R"({"instances": [{"x": 0, "y": 0, "object": "obj_main"}]})";
  auto packed =
      run_command(quoted(VN_PATH) + " pack " + quoted(project) + " -o " + quoted(scratch / "game"));
  ASSERT_EQ(packed.status, 0) << packed.err;
  auto played = run_command(kNoDisplay + quoted(scratch / "game") + " --help --version -x");
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_EQ(played.out, "--help\n--version\n-x\n");
  EXPECT_EQ(played.err, "");
}

}  // namespace
}  // namespace vn
