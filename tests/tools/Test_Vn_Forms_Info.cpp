// The game information as a game uses it through vn run: shown by show_info and F1 without a
// screen, answered from the input file, replaced by load_info.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

// A game whose instance runs create_code when created and step_code every step, with the
// game information given as the JSON fields of the record.
fs::path make_game(const fs::path& folder, const std::string& information,
                   const std::string& create_code, const std::string& step_code = "",
                   const std::string& settings = "{}") {
  write_text(folder / "info.rtf", "{\\rtf1 {\\b Help} text\\par}");
  write_text(folder / "game.json", R"({"objects": ["obj_main"], "rooms": ["rm_main"],)"
                                   R"( "settings": )" +
                                       settings + R"(, "game_information": )" + information + "}");
  std::string events = R"([{"type": "create", "number": 0, "actions": [")" + create_code + "\"]}";
  if (!step_code.empty()) {
    events += R"(, {"type": "step", "number": 0, "actions": [")" + step_code + "\"]}";
  }
  write_text(folder / "objects" / "obj_main.json", R"({"events": )" + events + "]}");
  write_text(folder / "rooms" / "rm_main.json",
             R"({"speed": 30, "width": 64, "height": 48,)"
             R"( "instances": [{"x": 0, "y": 0, "object": "obj_main"}]})");
  return folder;
}

class VnInfo : public ::testing::Test {
 protected:
  RCommandResult run(const fs::path& game, int steps, const std::string& input = "") {
    std::string options;
    if (!input.empty()) {
      write_text(scratch_ / "input.txt", input);
      options = " --input " + quoted(scratch_ / "input.txt");
    }
    return run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                       " run --headless --steps " + std::to_string(steps) + options + " " +
                       quoted(game));
  }
  ScratchDir scratch_{"vn_info"};
};

TEST_F(VnInfo, ShowInfoAndF1SayTheCaptionAndTakeAnAnswer) {
  // Modal, modeless and inside the game window alike: headless, the form closes at once
  // and the game goes on.
  for (const char* where :
       {R"("pause_game": true)", R"("pause_game": false)", R"("show_in_game_window": true)"}) {
    SCOPED_TRACE(where);
    const fs::path game = make_game(
        scratch_ / "game",
        std::string(R"({"caption": "About\r\nthe game", "text": "info.rtf", )") + where + "}",
        "show_info(); show_debug_message('after');", "show_debug_message('step');");
    const RCommandResult result = run(game, 3, "1 answer done\n2 key_tap vk_f1\n");
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "form: info: About the game\nform: info: About the game\n");
    EXPECT_EQ(result.out, "after\nstep\nstep\nstep\n");
  }
}

TEST_F(VnInfo, F1ShowsNothingWhenTheSettingsSayNo) {
  const fs::path game = make_game(scratch_ / "off", "{}", "", "", R"({"key_f1_help": false})");
  const RCommandResult result = run(game, 2, "1 key_tap vk_f1\n");
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
}

TEST_F(VnInfo, LoadInfoReadsFilesAndRefusesWhatItCannotRead) {
  const fs::path game = make_game(scratch_ / "load", "{}", "");
  write_text(scratch_ / "other.rtf", "Plain help");
  const std::string code =
      "show_debug_message(string(load_info('" + (scratch_ / "missing.rtf").string() +
      "'))); show_debug_message(string(load_info('" + scratch_.path().string() +
      "'))); show_debug_message(string(load_info('" + (scratch_ / "other.rtf").string() +
      "'))); show_info();";
  write_text(game / "objects" / "obj_main.json",
             R"({"events": [{"type": "create", "number": 0, "actions": [")" + code + "\"]}]}");
  const RCommandResult result = run(game, 1);
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out, "0\n0\n1\n");
  EXPECT_EQ(result.err, "form: info: Game Information\n");
}

}  // namespace
}  // namespace vn::test
