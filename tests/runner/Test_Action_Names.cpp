// Action functions are found by name at load as calls are: scripts first, then built-ins.
// Only a name nothing has is reported.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Test_Support.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY ";

TEST(ActionNames, ScriptsNamedByActionsRunWhetherPackedOrPlayedFromTheProject) {
  const fs::path project = fs::path(VN_SOURCE_DIR) / "tests" / "games" / "action_scripts";
  const std::string expected = test::read_text(project / "expected.log");
  test::ScratchDir scratch("action_names");
  auto packed =
      run_command(quoted(VN_PATH) + " pack " + quoted(project) + " -o " + quoted(scratch / "game"));
  ASSERT_EQ(packed.status, 0) << packed.err;
  for (const std::string& command :
       {quoted(scratch / "game"), quoted(VN_PATH) + " run --headless " + quoted(scratch / "game"),
        quoted(VN_PATH) + " run --headless " + quoted(project)}) {
    auto played = run_command("cd " + quoted(scratch.path()) + " && " + kNoDisplay + command);
    EXPECT_EQ(played.status, 0) << command;
    EXPECT_EQ(played.out, expected) << command;
    EXPECT_EQ(played.err, "") << command;
  }

  // A name that is neither a script nor a function is reported once, and the game plays on.
  fs::copy(project, scratch / "missing", fs::copy_options::recursive);
  const fs::path object = scratch / "missing" / "objects" / "obj_main.json";
  std::string json = test::read_text(object);
  json.replace(json.find("\"scr_say\""), 9, "\"nosuch\"");
  std::ofstream(object, std::ios::binary | std::ios::trunc) << json;
  auto packed_missing = run_command(quoted(VN_PATH) + " pack " + quoted(scratch / "missing") +
                                    " -o " + quoted(scratch / "missing_game"));
  ASSERT_EQ(packed_missing.status, 0) << packed_missing.err;
  auto played = run_command("cd " + quoted(scratch.path()) + " && " + kNoDisplay +
                            quoted(scratch / "missing_game"));
  EXPECT_EQ(played.err, "Failed to locate action function nosuch\n");
  EXPECT_EQ(played.out, "script action_set_score 12\nscore 0\n");
}

}  // namespace
}  // namespace vn
