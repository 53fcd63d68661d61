// Splashes in a game played headless by vn run: each one is answered as a form on standard
// error and the game goes on; files that are missing are the game's errors.
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

// One object whose create event runs the code, placed once in a room.
fs::path make_project(const fs::path& folder, const std::string& code) {
  write_text(folder / "game.json",
             R"({"game_id": 5, "settings": {}, "objects": ["obj_probe"], "rooms": ["rm_test"]})");
  write_text(folder / "objects" / "obj_probe.json",
             R"({"events": [{"type": "create", "number": 0, "actions": [)" + code + "]}]}");
  write_text(folder / "rooms" / "rm_test.json",
             R"({"speed": 30, "instances": [{"x": 0, "y": 0, "object": "obj_probe"}]})");
  return folder;
}

test::RCommandResult vn_run(const fs::path& folder, const std::string& arguments) {
  return run_command("cd " + quoted(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY " +
                     quoted(VN_PATH) + " run " + arguments);
}

TEST(VnFormsSplash, EverySplashIsAnsweredAsAFormAndMissingFilesAreReported) {
  test::ScratchDir scratch("vn_splash");
  write_text(scratch / "game" / "intro.txt", "{\\rtf1 Hello}");
  write_text(scratch / "game" / "movie.avi", "not looked at without a screen");
  write_text(scratch / "game" / "picture.png", "nor is this");
  // The code is a JSON string: its quotes are the script's single ones.
  const fs::path project = make_project(scratch / "game", R"(
    "splash_show_text('intro.txt', 0); show_video('movie.avi', 1, 0); splash_set_caption('Our#game'); splash_show_image('picture.png', 100); show_text('intro.txt', 0, c_white, 0); splash_show_web('http://localhost/', 0); splash_set_caption(''); splash_show_image('absent.png', 0); splash_show_web('absent.html', 0); show_debug_message('game goes on');")");
  write_text(scratch / "input.txt", "1 answer seen\n1 answer also seen\n");
  const auto run =
      vn_run(project, "--headless --steps 1 --input " + quoted(scratch / "input.txt") + " .");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "game goes on\n");
  const std::string error_head =
      "ERROR in\naction number 1\nof Create Event\nfor object obj_probe:\n\n";
  // No caption: the file as the game named it; a caption is taken as it stands.
  EXPECT_EQ(run.err,
            "form: splash: intro.txt\n"
            "form: splash: movie.avi\n"
            "form: splash: Our#game\n"
            "form: splash: Our#game\n"
            "form: splash: Our#game\n" +
                error_head + "Image file not found.\n" + error_head + "Web page not found.\n");
}

TEST(VnFormsSplash, AVideoNameOf127CharactersIsTooLong) {
  test::ScratchDir scratch("vn_splash_long");
  const std::string too_long = std::string(123, 'v') + ".avi";
  const std::string fits = too_long.substr(1);
  write_text(scratch / "game" / too_long, "x");
  write_text(scratch / "game" / fits, "x");
  const fs::path project =
      make_project(scratch / "game", "\"splash_show_video('" + too_long + "', 0); show_video('" +
                                         fits + "', 0, 0);\"");
  const auto run = vn_run(project, "--headless --steps 1 .");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err,
            "ERROR in\naction number 1\nof Create Event\nfor object obj_probe:\n\n"
            "Video file not found (or name too long).\n"
            "form: splash: " +
                fits + "\n");
}

}  // namespace
}  // namespace vn
