// The high-score table as a game uses it through vn run: kept from one run to the next,
// shown headless and answered from the input file, drawn into the room.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "runner/Run_Score.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

// A game (id 5) whose one instance runs the code in its step (the answers of step 1 are
// queued by then), and draws what draw_code draws on a black room.
fs::path make_game(const fs::path& folder, const std::string& step_code,
                   const std::string& draw_code = "") {
  write_text(folder / "game.json",
             R"({"game_id": 5, "objects": ["obj_table"], "rooms": ["rm_table"]})");
  std::string events = R"([{"type": "step", "number": 0, "actions": [")" + step_code + "\"]}";
  if (!draw_code.empty()) {
    events += R"(, {"type": "draw", "number": 0, "actions": [")" + draw_code + "\"]}";
  }
  write_text(folder / "objects" / "obj_table.json", R"({"events": )" + events + "]}");
  write_text(folder / "rooms" / "rm_table.json",
             R"({"speed": 30, "width": 320, "height": 240, "color": 0, "show_color": true,)"
             R"( "instances": [{"x": 0, "y": 0, "object": "obj_table"}]})");
  return folder;
}

const char* const kPrintTable =
    "for (i = 1; i <= 10; i += 1) show_debug_message(string(i) + ' ' + highscore_name(i) + ' ' "
    "+ string(highscore_value(i)));";

class VnScore : public ::testing::Test {
 protected:
  RCommandResult run(const fs::path& game, const std::string& options = "") {
    return run_command(
        "env -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME=" + quoted(scratch_ / "config") + " " +
        quoted(VN_PATH) + " run --headless --steps 1 " + options + " " + quoted(game));
  }
  ScratchDir scratch_{"vn_score"};
};

TEST_F(VnScore, ATableOneRunWritesTheNextOneReads) {
  write_text(scratch_ / "answers.txt", "1 answer Ada\n1 answer Eve\n1 answer closing\n");
  const fs::path writer =
      make_game(scratch_ / "writer",
                "highscore_clear(); highscore_add('Bo', 300); highscore_add('Cy', 100);"
                " highscore_show(200); score = 250; highscore_add_current(); highscore_show(0);"
                " highscore_show(50);");
  RCommandResult first = run(writer, "--input " + quoted(scratch_ / "answers.txt"));
  ASSERT_EQ(first.status, 0) << first.err;
  // The table with a new rank takes the name typed; the one without a new rank takes an
  // answer only to close; with none left the new rank gets the empty name.
  EXPECT_EQ(first.err,
            "form: highscore: Top Ten Players\n"
            "form: string: You reached a place in the highscore table. Please provide your "
            "name.\n"
            "form: highscore: Top Ten Players\n"
            "form: highscore: Top Ten Players\n");

  const fs::path reader = make_game(scratch_ / "reader", kPrintTable);
  RCommandResult second = run(reader);
  ASSERT_EQ(second.status, 0) << second.err;
  EXPECT_EQ(second.out,
            "1 Bo 300\n2 Eve 250\n3 Ada 200\n4 Cy 100\n5  50\n6 <nobody> 0\n7 <nobody> 0\n"
            "8 <nobody> 0\n9 <nobody> 0\n10 <nobody> 0\n");

  // The store file holds each rank in the scrambled form, keyed by the game id.
  const std::string store = read_text(scratch_ / "config" / "varnock" / "registry");
  EXPECT_NE(store.find("key\tHKEY_CURRENT_USER\\Software\\Varnock\\Scores\\5\n"
                       "string\tRank1\t" +
                       encode_score_rank({"Bo", 300}, 5) + "\n"),
            std::string::npos)
      << store;

  // A cleared table has no place for 0, so the player is not asked for a name.
  const fs::path cleaner = make_game(
      scratch_ / "cleaner",
      std::string("highscore_clear(); score = 0; highscore_add_current(); ") + kPrintTable);
  RCommandResult cleared = run(cleaner);
  EXPECT_EQ(cleared.err, "");
  EXPECT_EQ(cleared.out.substr(0, 13), "1 <nobody> 0\n");
}

TEST_F(VnScore, TheTableIsDrawnWithNamesLeftAndScoresRight) {
  const fs::path game = make_game(scratch_ / "drawn", "highscore_add('WWWW', 88888);",
                                  "draw_set_color(c_white); draw_highscore(10, 10, 300, 210);");
  RCommandResult drawn = run(game, "--shot 1:" + quoted(scratch_ / "frame.png"));
  ASSERT_EQ(drawn.status, 0) << drawn.err;
  TBitmap32 frame;
  std::string error;
  ASSERT_TRUE(load_image_file(scratch_ / "frame.png", frame, &error)) << error;
  // Rows are 20 pixels apart: what each part of the first row holds.
  auto lit = [&](int left, int right, int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if ((frame.pixel(x, y) & 0xFFFFFF) != 0) return true;
      }
    }
    return false;
  };
  EXPECT_TRUE(lit(10, 40, 10, 30));     // the name
  EXPECT_FALSE(lit(120, 200, 10, 30));  // the gap between
  EXPECT_TRUE(lit(260, 300, 10, 30));   // the score, ending at x2
  EXPECT_FALSE(lit(300, 320, 0, 240));
  EXPECT_TRUE(lit(10, 40, 190, 210));  // the tenth row: nobody
}

}  // namespace
}  // namespace vn::test
