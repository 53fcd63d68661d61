// vn run --record: a session written as an input file replays to the same output and
// frames; a file that cannot be written stops vn before the game starts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Test_Support.h"
#include "graphics/BM32_Class.h"
#include "graphics/BM32_File.h"
#include "runner/Input_Record.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::read_text;
using test::run_command;
using test::ScratchDir;
using test::write_text;

// Moves with the arrows, marks where the mouse was clicked, asks a question on Q, and
// prints its state with a random number every step.
fs::path recorded_game() {
  return fs::path(VN_SOURCE_DIR) / "tests" / "windowed" / "recorded_game";
}

test::RCommandResult vn_run(const std::string& arguments) {
  return run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) + " run --headless " +
                     arguments);
}

bool same_pixels(const fs::path& a, const fs::path& b) {
  TBitmap32 first;
  TBitmap32 second;
  if (!load_image_file(a, first) || !load_image_file(b, second)) return false;
  return first.image().width == second.image().width &&
         first.image().height == second.image().height &&
         first.image().pixels == second.image().pixels;
}

// Recorded without the fixed clock, so the seed came from the wall clock: the replay gets
// it from the file, and its random numbers, output and frames are the recorded run's.
TEST(VnRecord, ARecordedSessionReplaysToTheSameOutputAndFrames) {
  ScratchDir scratch("vn_record_replay");
  write_text(scratch / "input.txt",
             "2 key_down vk_right\n"
             "5 key_up vk_right\n"
             "6 mouse_move 50 60\n"
             "6 mouse_move 55 66\n"
             "7 mouse_down left\n"
             "8 mouse_up 1\n"
             "9 wheel_up\n"
             "10 text h\\x1B\\\\ \n"
             "11 key_tap q\n"
             "11 answer No\n");
  const auto recorded =
      vn_run("--steps 14 --input " + quoted(scratch / "input.txt") + " --record " +
             quoted(scratch / "session.txt") + " --shot 12:" + quoted(scratch / "recorded.png") +
             " " + quoted(recorded_game()));
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  EXPECT_EQ(recorded.err, "form: question: Sure?\n");
  EXPECT_FALSE(fs::exists(scratch / "session.txt.part"));

  const std::string session = read_text(scratch / "session.txt");
  const size_t seed_line = session.find("\nseed ");
  ASSERT_NE(seed_line, std::string::npos) << session;
  // Moves within a step are one; keys by name; control characters and an end blank
  // escaped; the tap as its two halves; the answer as written.
  EXPECT_NE(session.find("\n2 key_down vk_right\n5 key_up vk_right\n6 mouse_move 55 66\n"
                         "7 mouse_down left\n8 mouse_up left\n9 wheel_up\n10 text h\n"
                         "10 text \\x1B\n10 text \\\\\n10 text \\x20\n11 key_down Q\n"
                         "11 key_up Q\n11 answer No\n# the game ended after step 14\n"),
            std::string::npos)
      << session;

  const auto replayed =
      vn_run("--fixed-clock --steps 14 --input " + quoted(scratch / "session.txt") +
             " --shot 12:" + quoted(scratch / "replayed.png") + " " + quoted(recorded_game()));
  ASSERT_EQ(replayed.status, 0) << replayed.err;
  EXPECT_EQ(replayed.err, recorded.err);
  EXPECT_EQ(replayed.out, recorded.out);
  EXPECT_NE(recorded.out.find("55,66 ["), std::string::npos) << recorded.out;
  EXPECT_TRUE(same_pixels(scratch / "recorded.png", scratch / "replayed.png"));
}

TEST(VnRecord, AFileThatCannotBeWrittenStopsVnBeforeTheGameStarts) {
  ScratchDir scratch("vn_record_bad");
  const fs::path nowhere = scratch / "missing" / "session.txt";
  auto run = vn_run("--steps 3 --record " + quoted(nowhere) + " " + quoted(recorded_game()));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "vn run: --record " + nowhere.string() + ": cannot write " + nowhere.string() +
                         ".part: No such file or directory\n");

  run = vn_run("--steps 3 --record " + quoted(scratch.path()) + " " + quoted(recorded_game()));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "vn run: --record " + scratch.path().string() + ": is a folder\n");

  // A game that does not start leaves an earlier recording as it was, and nothing beside it.
  write_text(scratch / "session.txt", "1 key_tap A\n");
  run = vn_run("--record " + quoted(scratch / "session.txt") + " " + quoted(scratch / "nothing"));
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(read_text(scratch / "session.txt"), "1 key_tap A\n");
  EXPECT_FALSE(fs::exists(scratch / "session.txt.part"));
}

// The seed line of an input file seeds the run as --seed does, which wins over it.
TEST(VnRecord, TheSeedLineSeedsTheRun) {
  ScratchDir scratch("vn_record_seed");
  const auto game = recorded_game();
  write_text(scratch / "seeded.txt", "# a comment first\nseed 77\n");
  const auto by_option = vn_run("--steps 3 --seed 77 " + quoted(game));
  const auto by_file =
      vn_run("--steps 3 --input " + quoted(scratch / "seeded.txt") + " " + quoted(game));
  const auto overruled =
      vn_run("--steps 3 --seed 78 --input " + quoted(scratch / "seeded.txt") + " " + quoted(game));
  ASSERT_EQ(by_option.status, 0) << by_option.err;
  EXPECT_EQ(by_file.out, by_option.out);
  EXPECT_NE(overruled.out, by_option.out);

  write_text(scratch / "twice.txt", "seed 1\nseed 2\n");
  auto run = vn_run("--input " + quoted(scratch / "twice.txt") + " " + quoted(game));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vn run: " + (scratch / "twice.txt").string() + ":2: a second seed line\n");
  write_text(scratch / "bad.txt", "seed -1\n");
  run = vn_run("--input " + quoted(scratch / "bad.txt") + " " + quoted(game));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "vn run: " + (scratch / "bad.txt").string() +
                         ":1: seed takes one whole number from 0 to 4294967295\n");
  write_text(scratch / "bad.txt", "\n1 text \\x4\n");
  run = vn_run("--input " + quoted(scratch / "bad.txt") + " " + quoted(game));
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "vn run: " + (scratch / "bad.txt").string() + ":2: \\x takes two hexadecimal digits\n");
}

// A form of the first room's creation code comes before any step: the answers of step 1
// are there for it (a recording puts them there).
TEST(VnRecord, StepOneAnswersServeFormsBeforeTheFirstStep) {
  ScratchDir scratch("vn_record_step_one");
  const fs::path asking = scratch / "asking";
  write_text(asking / "game.json",
             R"({"game_id": 5, "settings": {}, "objects": ["obj_ask"], "rooms": ["rm_test"]})");
  write_text(asking / "objects" / "obj_ask.json",
             R"js({"events": [{"type": "create", "number": 0, "actions":
                 ["show_debug_message(show_question('Start?'))"]}]})js");
  write_text(asking / "rooms" / "rm_test.json",
             R"({"instances": [{"x": 0, "y": 0, "object": "obj_ask"}]})");
  write_text(scratch / "answer.txt", "1 answer no\n");
  const auto run =
      vn_run("--steps 1 --input " + quoted(scratch / "answer.txt") + " " + quoted(asking));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "0\n");
}

// Until the end the lines go beside the target, each whole as soon as it is recorded, so
// a crash leaves the old recording and the new one up to the crash.
TEST(VnRecord, TheSessionStaysBesideTheOldFileUntilItEnds) {
  ScratchDir scratch("vn_record_partial");
  const fs::path target = scratch / "session.txt";
  write_text(target, "1 key_tap A\n");
  std::string error;
  {
    CInputRecorder recorder;
    ASSERT_TRUE(recorder.open(target, error)) << error;
    recorder.header("game", 5, true);
    recorder.key(3, true, 'Z');
    recorder.mouse_move(4, 1, 2);
    recorder.mouse_move(4, 10, 20);
    EXPECT_EQ(read_text(target), "1 key_tap A\n");
    EXPECT_EQ(read_text(recorder.partial_path()),
              "# recorded by vn run from game with --fixed-clock\nseed 5\n3 key_down Z\n");
    recorder.character(5, char(0xE9));
    recorder.answer(6, "two\r\nlines");
    recorder.answer(6, "");
    ASSERT_TRUE(recorder.finish("done", error)) << error;
  }
  EXPECT_EQ(read_text(target),
            "# recorded by vn run from game with --fixed-clock\nseed 5\n3 key_down Z\n"
            "4 mouse_move 10 20\n5 text \xC3\xA9\n6 answer two  lines\n6 answer\n# done\n");
  EXPECT_FALSE(fs::exists(scratch / "session.txt.part"));
}

}  // namespace
}  // namespace vn
