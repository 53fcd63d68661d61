// The dialog functions of games played headless by vn run: each dialog says what it asked
// on standard error and takes its answer from the input file, or is cancelled.
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
using test::write_text;

// A game whose one instance runs the code once, in its first step (answers for step 1 are
// queued by then), with the settings given.
fs::path make_game(const fs::path& folder, const std::string& code, const std::string& extra = "") {
  write_text(folder / "game.json",
             R"({"game_id": 7, )" + extra + R"("objects": ["obj_asker"], "rooms": ["rm_ask"]})");
  const std::string escaped = test::json_escaped(code);
  write_text(folder / "objects" / "obj_asker.json",
             R"({"events": [{"type": "create", "number": 0, "actions": ["asked = 0;"]},
                 {"type": "step", "number": 0, "actions": ["if (asked) exit; asked = 1; )" +
                 escaped + R"("]}]})");
  write_text(folder / "rooms" / "rm_ask.json",
             R"({"speed": 30, "instances": [{"x": 0, "y": 0, "object": "obj_asker"}]})");
  return folder;
}

test::RCommandResult vn_run(const fs::path& game, const fs::path& input, int steps = 2) {
  return run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                     " run --headless --steps " + std::to_string(steps) + " --input " +
                     quoted(input) + " " + quoted(game));
}

TEST(VnFormsDialog, DialogsTakeTheirAnswersAndAreCancelledWithoutOne) {
  test::ScratchDir scratch("vn_forms_dialog");
  const fs::path game = make_game(scratch / "game", R"(
    show_debug_message(string(get_color(c_red)));
    show_debug_message(string(get_color(c_red)));
    show_debug_message(get_open_filename('Text|*.txt|All|*.*', 'notes.txt'));
    show_debug_message(get_save_filename('Text|*.txt', ''));
    show_debug_message(get_directory(''));
    show_debug_message(get_directory_alt('Where are#the saves?', ''));
    show_debug_message(string(get_color(c_blue)));
    show_debug_message(string(get_color(0)));
    show_debug_message('[' + get_open_filename('', '') + ']');
    show_debug_message('[' + get_directory_alt('', '') + ']');
  )");
  write_text(scratch / "input.txt",
             "1 answer 65280\n"
             "1 answer 16777216\n"
             "1 answer levels/one level.txt\n"
             "1 answer /tmp/out put.txt\n"
             "1 answer saves/\n"
             "1 answer \xC3\xA9t\xC3\xA9\n"
             "1 answer +5\n");
  const test::RCommandResult run = vn_run(game, scratch / "input.txt");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "65280\n"
            "-1\n"  // 16777216 is no colour: the dialog is cancelled
            "levels/one level.txt\n"
            "/tmp/out put.txt\n"
            "saves/\n"
            "\xC3\xA9t\xC3\xA9\n"
            "-1\n"  // nor is +5
            "-1\n"  // no answer left
            "[]\n"
            "[]\n");
  EXPECT_EQ(run.err,
            "form: color: Color\n"
            "form: color: Color\n"
            "form answer \"16777216\" does not fit the color form; its default is taken\n"
            "form: open: Open\n"
            "form: save: Save\n"
            "form: directory: Select Directory\n"
            "form: directory: Where are#the saves?\n"
            "form: color: Color\n"
            "form answer \"+5\" does not fit the color form; its default is taken\n"
            "form: color: Color\n"
            "form: open: Open\n"
            "form: directory: Select Directory\n");
}

TEST(VnFormsDialog, ShowErrorGoesOnOrStopsTheGame) {
  test::ScratchDir scratch("vn_forms_error");
  write_text(scratch / "input.txt", "");
  const fs::path going_on =
      make_game(scratch / "on", "show_error('Out of#coffee', false); show_debug_message('after');");
  test::RCommandResult run = vn_run(going_on, scratch / "input.txt");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "after\n");
  EXPECT_NE(run.err.find("for object obj_asker:\n\nOut of#coffee\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("FATAL"), std::string::npos);

  const fs::path stopping = make_game(
      scratch / "stop", "show_error('Out of coffee', true); show_debug_message('after');");
  run = vn_run(stopping, scratch / "input.txt", 5);
  EXPECT_EQ(run.status, 3) << run.err;
  // As with every fatal error, the code goes on to its end and the game stops after the
  // step.
  EXPECT_EQ(run.out, "after\n");
  EXPECT_EQ(run.err.rfind("FATAL ERROR in", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("Out of coffee"), std::string::npos);
}

TEST(VnFormsDialog, ADebugModeGameRunsHeadlessWithoutItsForm) {
  test::ScratchDir scratch("vn_forms_debug");
  write_text(scratch / "input.txt", "");
  const fs::path game = make_game(scratch / "game", "show_debug_message(string(debug_mode));",
                                  R"("debug_mode": true, )");
  const test::RCommandResult run = vn_run(game, scratch / "input.txt", 20);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "1\n");
  EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace vn
