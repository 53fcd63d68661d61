// The error form's memo, and what the form does when there is no display to show it on.
#include <gtest/gtest.h>

#include "platform/Platform_Video.h"
#include "runner/Error_Form.h"
#include "script/Code_Error.h"

namespace vn {
namespace {

using Lines = std::vector<std::string>;
const std::string kRule(43, '_');

TEST(ErrorMemo, EachMessageGetsARuleAndIsCutAtCarriageReturns) {
  CErrorMemo memo;
  memo.append("ERROR in\r\naction number 1\r\nof Step Event\r\n\r\nDivision by 0.");
  EXPECT_EQ(memo.lines(), (Lines{"", kRule, "ERROR in", "action number 1", "of Step Event", "",
                                 "Division by 0."}));

  // A lone CR ends a line too, every LF is dropped, and a CR at the end leaves an empty line.
  memo.append("a\rb\nc\r");
  EXPECT_EQ(memo.lines(), (Lines{"", kRule, "ERROR in", "action number 1", "of Step Event", "",
                                 "Division by 0.", "", kRule, "a", "bc", ""}));
  EXPECT_EQ(memo.text(), "\n" + kRule +
                             "\nERROR in\naction number 1\nof Step Event\n\nDivision by 0.\n\n" +
                             kRule + "\na\nbc\n");

  memo.clear();
  EXPECT_TRUE(memo.empty());
  EXPECT_EQ(memo.text(), "");
  memo.append("");
  EXPECT_EQ(memo.lines(), (Lines{"", kRule, ""}));
}

// The quoted line of a compile error in CR LF text starts with an LF; the memo drops it, and
// only then does the caret stand under the character the error is at.
TEST(ErrorMemo, CaretLinesUpUnderTheQuotedCharacter) {
  const std::string source = "x = 1;\r\ny = ;\r\nz = 2;";
  const int semicolon = int(source.find(';', 8)) + 1;  // 1-based
  CErrorMemo memo;
  memo.append(compose_error(source, true, semicolon, "Unexpected symbol in expression."));
  const Lines& lines = memo.lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[2], "Error in code at line 2:");
  EXPECT_EQ(lines[3], "   y = ;");
  const size_t caret = lines[4].find('^');
  ASSERT_NE(caret, std::string::npos);
  EXPECT_EQ(lines[4].find_first_not_of(' '), caret);
  EXPECT_EQ(lines[3][caret], ';');
  EXPECT_EQ(lines[5], "at position 6: Unexpected symbol in expression.");
}

class ErrorFormHeadless : public ::testing::Test {
 protected:
  void SetUp() override {
    set_headless(true);
    reset_error_state();
    error_settings() = RErrorSettings();
  }
  void TearDown() override {
    set_error_display(nullptr);
    reset_error_state();
    set_headless(false);
  }
};

TEST_F(ErrorFormHeadless, WritesToStandardErrorAndIgnoresUnlessFatal) {
  TErrorForm form;
  testing::internal::CaptureStderr();
  EXPECT_EQ(form.show("first\r\nsecond\rthird", false), ErrorChoice::Ignore);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "first\nsecond\nthird\n");

  testing::internal::CaptureStderr();
  EXPECT_EQ(form.show("FATAL caf\xE9", true), ErrorChoice::Abort);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "FATAL caf\u00E9\n");

  // The memo keeps both, as the form would show them once there is a display.
  EXPECT_EQ(form.memo().lines(),
            (Lines{"", kRule, "first", "second", "third", "", kRule, "FATAL caf\xE9"}));
}

TEST_F(ErrorFormHeadless, AsTheGamesDisplayOnlyAFatalErrorStopsTheGame) {
  TErrorForm form;
  set_error_display(&form);
  int stops = 0;
  set_error_hooks({[&] { ++stops; }, nullptr});

  testing::internal::CaptureStderr();
  display_error("Unknown variable q", false);
  EXPECT_FALSE(game_stopping());
  EXPECT_TRUE(error_occurred());
  EXPECT_EQ(error_last(), "Unknown variable q");

  display_error("Unexisting room number: 7", true);
  EXPECT_TRUE(game_stopping());
  display_error("dropped once the game is stopping", false);
  testing::internal::GetCapturedStderr();

  EXPECT_EQ(stops, 1);
  EXPECT_EQ(form.memo().lines().size(), 6u);
  set_error_hooks({});
}

}  // namespace
}  // namespace vn
