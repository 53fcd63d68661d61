// vn run as a person uses it: small projects played headless, fed keys, mouse and wheel
// from an input file, their debug output and errors read back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Test_Support.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;
using test::write_text;

// A project of one object with the given events (a JSON list) placed once in a room.
fs::path make_project(const fs::path& folder, const std::string& events,
                      const std::string& settings = "{}", const std::string& room_extra = "") {
  write_text(folder / "game.json", R"({"game_id": 5, "settings": )" + settings +
                                       R"(, "objects": ["obj_probe"], "rooms": ["rm_test"]})");
  write_text(folder / "objects" / "obj_probe.json", R"({"events": )" + events + "}");
  write_text(folder / "rooms" / "rm_test.json",
             R"({"speed": 30, )" + room_extra +
                 R"("instances": [{"x": 0, "y": 0, "object": "obj_probe"}]})");
  return folder;
}

test::RCommandResult vn_run(const std::string& arguments) {
  return run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) + " run " + arguments);
}

// Every step prints the flags of the left arrow, the current and last key, the typed text,
// the mouse and the wheel; the keyboard events of the left arrow say when they come.
const char* const kProbeEvents = R"([
  {"type": "step", "number": 0, "actions": ["show_debug_message('left ' + string(keyboard_check(vk_left)) + string(keyboard_check_pressed(vk_left)) + string(keyboard_check_released(vk_left)) + ' key ' + string(keyboard_key) + ' last ' + string(keyboard_lastkey) + ' typed ' + keyboard_string + ' mouse ' + string(mouse_x) + ',' + string(mouse_y) + ' ' + string(mouse_button) + string(mouse_check_button_pressed(mb_left)) + string(mouse_check_button_released(mb_left)) + ' wheel ' + string(mouse_wheel_up()) + string(mouse_wheel_down()));"]},
  {"type": "keyboard", "number": 37, "actions": ["show_debug_message('held left');"]},
  {"type": "keypress", "number": 37, "actions": ["show_debug_message('pressed left');"]},
  {"type": "keyrelease", "number": 37, "actions": ["show_debug_message('released left');"]}
])";

TEST(VnRun, KeysArePressedHeldAndReleasedAcrossSteps) {
  test::ScratchDir scratch("vn_run_keys");
  fs::path project = make_project(scratch / "game", kProbeEvents);
  write_text(scratch / "input.txt",
             "# the left arrow goes down before step 2 and up before step 4\n"
             "2 key_down vk_left\n"
             "4 key_up 37\n"
             "\n"
             "5 key_tap A\n");
  auto run = vn_run("--headless --steps 5 --input " + quoted(scratch / "input.txt") + " " +
                    quoted(project));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "left 000 key 0 last 0 typed  mouse 0,0 000 wheel 00\n"
            "held left\n"
            "pressed left\n"
            "left 110 key 37 last 37 typed  mouse 0,0 000 wheel 00\n"
            "held left\n"
            "left 100 key 37 last 37 typed  mouse 0,0 000 wheel 00\n"
            "released left\n"
            "left 001 key 0 last 37 typed  mouse 0,0 000 wheel 00\n"
            // A tap goes down and up before the step: pressed and released, not held.
            "left 000 key 0 last 65 typed  mouse 0,0 000 wheel 00\n");
}

TEST(VnRun, TextMouseAndWheelReachTheGame) {
  test::ScratchDir scratch("vn_run_mouse");
  fs::path project = make_project(scratch / "game", kProbeEvents);
  write_text(scratch / "input.txt",
             "1 text H\xC3\xA9llo\\b!\n"
             "1 mouse_move 12 34\n"
             "2 mouse_down left\n"
             "3 mouse_up mb_left\n"
             "3 wheel_down\n"
             "4 text  ok\n");
  auto run = vn_run("--headless --steps 4 --input " + quoted(scratch / "input.txt") + " " +
                    quoted(project));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "left 000 key 0 last 0 typed H\xC3\xA9ll! mouse 12,34 000 wheel 00\n"
            "left 000 key 0 last 0 typed H\xC3\xA9ll! mouse 12,34 110 wheel 00\n"
            "left 000 key 0 last 0 typed H\xC3\xA9ll! mouse 12,34 001 wheel 01\n"
            "left 000 key 0 last 0 typed H\xC3\xA9ll! ok mouse 12,34 000 wheel 00\n");
}

TEST(VnRun, MouseFollowsTheViewShownInTheWindow) {
  test::ScratchDir scratch("vn_run_view");
  fs::path project = make_project(
      scratch / "game",
      R"([{"type": "step", "number": 0, "actions": ["show_debug_message(string(mouse_x) + ',' + string(mouse_y)); view_xview[0] += 10;"]}])",
      "{}",
      R"("width": 2000, "height": 2000, "views_enabled": true, "views": [{"visible": true, "view_x": 500, "view_y": 100, "view_w": 200, "view_h": 100, "port_w": 400, "port_h": 200}], )");
  write_text(scratch / "input.txt", "1 mouse_move 100 50\n");
  auto run = vn_run("--headless --steps 2 --input " + quoted(scratch / "input.txt") + " " +
                    quoted(project));
  ASSERT_EQ(run.status, 0) << run.err;
  // Half the port's scale, from the view's corner; the view moves under a still mouse.
  EXPECT_EQ(run.out, "550,125\n560,125\n");
}

TEST(VnRun, EscapeAndTheCloseButtonEndTheGameAsTheSettingsSay) {
  test::ScratchDir scratch("vn_run_end");
  const std::string events =
      R"([{"type": "step", "number": 0, "actions": ["show_debug_message('step');"]},
          {"type": "other", "number": 30, "actions": ["show_debug_message('close'); game_end();"]}])";
  write_text(scratch / "escape.txt", "3 key_down vk_escape\n");
  write_text(scratch / "close.txt", "2 close\n");

  // Esc ends the game before anything of step 3 runs; no step limit is needed.
  fs::path plain = make_project(scratch / "plain", events);
  auto escaped =
      vn_run("--headless --input " + quoted(scratch / "escape.txt") + " " + quoted(plain));
  EXPECT_EQ(escaped.status, 0) << escaped.err;
  EXPECT_EQ(escaped.out, "step\nstep\n");
  // By default the close button stands for Esc.
  auto closed = vn_run("--headless --input " + quoted(scratch / "close.txt") + " " + quoted(plain));
  EXPECT_EQ(closed.out, "step\n");

  // Otherwise the game hears it, between steps, and Esc may mean nothing at all.
  fs::path heard =
      make_project(scratch / "heard", events, R"({"close_as_esc": false, "key_esc_ends": false})");
  auto ignored = vn_run("--headless --steps 4 --input " + quoted(scratch / "escape.txt") + " " +
                        quoted(heard));
  EXPECT_EQ(ignored.out, "step\nstep\nstep\nstep\n");
  auto event = vn_run("--headless --steps 10 --input " + quoted(scratch / "close.txt") + " " +
                      quoted(heard));
  EXPECT_EQ(event.status, 0) << event.err;
  EXPECT_EQ(event.out, "step\nclose\n");
}

TEST(VnRun, FixedClockAndSeedMakeRunsRepeat) {
  test::ScratchDir scratch("vn_run_clock");
  fs::path project = make_project(
      scratch / "game",
      R"([{"type": "step", "number": 0, "actions": ["show_debug_message(string(random(1000)) + ' ' + string(current_time) + ' ' + string(fps));"]}])");
  const std::string arguments = "--headless --steps 40 --fixed-clock " + quoted(project);
  auto first = vn_run("--seed 7 " + arguments);
  auto second = vn_run("--seed 7 " + arguments);
  auto other = vn_run("--seed 8 " + arguments);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_EQ(first.out, second.out);
  EXPECT_NE(first.out, other.out);
  // Without a seed the clock seeds the generator, and that clock is fixed too.
  EXPECT_EQ(vn_run(arguments).out, vn_run(arguments).out);
  // The clock moves by one step time (1/30 s) per step, and a second later fps is 30.
  std::istringstream lines(first.out);
  std::string line;
  std::vector<std::string> times;
  std::vector<std::string> counts;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string random, time, fps;
    words >> random >> time >> fps;
    times.push_back(time);
    counts.push_back(fps);
  }
  ASSERT_EQ(times.size(), 40u);
  EXPECT_EQ(std::stoll(times[30]) - std::stoll(times[0]), 1000);
  EXPECT_EQ(counts.back(), "30");
}

TEST(VnRun, ErrorsGoToStandardErrorLineByLine) {
  test::ScratchDir scratch("vn_run_errors");
  const std::string events =
      R"([{"type": "step", "number": 0, "actions": ["show_debug_message('before'); x = missing_value; show_debug_message('after');"]}])";
  fs::path shown = make_project(scratch / "shown", events);
  auto run = vn_run("--headless --steps 2 " + quoted(shown));
  // Not fatal: the action ends, the game goes on as if the player chose to ignore it.
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "before\nbefore\n");
  EXPECT_NE(run.err.find("for object obj_probe:\n"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("Unknown variable missing_value\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\r'), std::string::npos);

  fs::path aborted = make_project(scratch / "aborted", events, R"({"abort_errors": true})");
  auto stopped = vn_run("--headless --steps 5 " + quoted(aborted));
  EXPECT_EQ(stopped.status, 3) << stopped.err;
  EXPECT_EQ(stopped.out, "before\n");
  EXPECT_NE(stopped.err.find("Unknown variable missing_value\n"), std::string::npos);
}

TEST(VnRun, PlaysGameFilesAndStandaloneGames) {
  test::ScratchDir scratch("vn_run_forms");
  fs::path project = make_project(
      scratch / "game",
      R"([{"type": "create", "number": 0, "actions": ["show_debug_message('created ' + string(room_speed));"]}])");
  const std::string vn = quoted(VN_PATH);
  ASSERT_EQ(run_command(vn + " pack --data-only " + quoted(project) + " -o " +
                        quoted(scratch / "game.vng"))
                .status,
            0);
  ASSERT_EQ(
      run_command(vn + " pack " + quoted(project) + " -o " + quoted(scratch / "standalone")).status,
      0);
  for (const fs::path& game : {project, scratch / "game.vng", scratch / "standalone"}) {
    auto run = vn_run("--headless --steps 1 " + quoted(game));
    EXPECT_EQ(run.status, 0) << game << ": " << run.err;
    EXPECT_EQ(run.out, "created 30\n") << game;
  }
}

TEST(VnRun, WaitingFunctionsTakeTheNextInputAndNeverHang) {
  test::ScratchDir scratch("vn_run_wait");
  fs::path project = make_project(
      scratch / "game",
      R"([{"type": "create", "number": 0, "actions": ["keyboard_wait(); show_debug_message('key ' + string(keyboard_lastkey)); mouse_wait(); show_debug_message('button ' + string(mouse_lastbutton)); keyboard_wait(); show_debug_message('done');"]}])");
  write_text(scratch / "input.txt", "20 key_down B\n30 mouse_down right\n");
  auto run = vn_run("--headless --steps 1 --input " + quoted(scratch / "input.txt") + " " +
                    quoted(project));
  EXPECT_EQ(run.status, 0) << run.err;
  // The last wait finds nothing left to come: a headless run goes on.
  EXPECT_EQ(run.out, "key 66\nbutton 2\ndone\n");
  // So does a run in a window nobody can see.
  auto unseen = run_command("env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy " +
                            quoted(VN_PATH) + " run --steps 1 --input " +
                            quoted(scratch / "input.txt") + " " + quoted(project));
  EXPECT_EQ(unseen.status, 0) << unseen.err;
  EXPECT_EQ(unseen.out, run.out);
}

TEST(VnRun, BadInputFilesAndGamesAreNamed) {
  test::ScratchDir scratch("vn_run_bad");
  fs::path project = make_project(scratch / "game", "[]");
  struct Case {
    std::string line;
    std::string problem;
  };
  const Case cases[] = {
      {"0 key_down A", "the step must be a whole number of at least 1, not \"0\""},
      {"x key_down A", "the step must be a whole number of at least 1, not \"x\""},
      {"2 key_down vk_nothing", "unknown key \"vk_nothing\""},
      {"2 key_down 256", "unknown key \"256\""},
      {"2 key_down", "key_down takes 1 argument"},
      {"2 mouse_down 4", "unknown mouse button \"4\""},
      {"2 mouse_move 1", "mouse_move takes 2 arguments"},
      {"2 jump", "unknown command \"jump\""},
      {"2 text a\\q", "unknown escape \\q"},
  };
  for (const Case& c : cases) {
    write_text(scratch / "input.txt", "# fine\n1 key_down A\n" + c.line + "\n");
    auto run = vn_run("--headless --steps 1 --input " + quoted(scratch / "input.txt") + " " +
                      quoted(project));
    EXPECT_EQ(run.status, 2) << c.line;
    EXPECT_EQ(run.err, "vn run: " + (scratch / "input.txt").string() + ":3: " + c.problem + "\n");
    EXPECT_EQ(run.out, "");
  }
  auto missing = vn_run("--headless " + quoted(scratch / "nothing_here"));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("vn run: ", 0), 0u) << missing.err;
  write_text(scratch / "junk", "not a game at all");
  auto junk = vn_run("--headless " + quoted(scratch / "junk"));
  EXPECT_EQ(junk.status, 1);
  EXPECT_EQ(junk.err, "vn run: " + (scratch / "junk").string() +
                          ": not a valid game file: no game data is in it\n");
}

TEST(VnRun, StopOnErrorEndsTheGameAtItsFirstErrorReport) {
  test::ScratchDir scratch("vn_run_stop");
  fs::path project = make_project(
      scratch / "game",
      R"([{"type": "step", "number": 0, "actions": ["show_debug_message('step'); x = missing_value;"]}])");
  // Without it a run-time error is reported every step and the game goes on.
  auto goes_on = vn_run("--headless --steps 3 " + quoted(project));
  EXPECT_EQ(goes_on.status, 0);
  EXPECT_EQ(goes_on.out, "step\nstep\nstep\n");
  auto stopped = vn_run("--headless --steps 3 --stop-on-error " + quoted(project));
  EXPECT_EQ(stopped.status, 1) << stopped.err;
  EXPECT_EQ(stopped.out, "step\n");
  const std::string report = "Unknown variable missing_value\n";
  const size_t first = stopped.err.find(report);
  EXPECT_NE(first, std::string::npos) << stopped.err;
  EXPECT_EQ(stopped.err.find(report, first + 1), std::string::npos) << stopped.err;
}

}  // namespace
}  // namespace vn
