// Messages, questions, input boxes and menus answered from vn run's input file: what each
// form says on standard error and what the game gets back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Test_Support.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::write_text;

// One object whose first step runs the code; answers of step 1 are queued by then.
fs::path make_project(const fs::path& folder, const std::string& code) {
  write_text(folder / "game.json",
             R"({"game_id": 5, "settings": {}, "objects": ["obj_forms"], "rooms": ["rm_test"]})");
  const std::string escaped = test::json_escaped(code);
  write_text(folder / "objects" / "obj_forms.json",
             R"({"events": [{"type": "create", "number": 0, "actions": ["asked = 0;"]},
                {"type": "step", "number": 0, "actions": ["if (asked == 0) { asked = 1; )" +
                 escaped + R"( }"]}]})");
  write_text(folder / "rooms" / "rm_test.json",
             R"({"speed": 30, "instances": [{"x": 0, "y": 0, "object": "obj_forms"}]})");
  return folder;
}

test::RCommandResult vn_run(const fs::path& scratch, const std::string& code,
                            const std::string& input) {
  const fs::path project = make_project(scratch / "game", code);
  write_text(scratch / "input.txt", input);
  return test::run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                           " run --headless --steps 3 --input " + quoted(scratch / "input.txt") +
                           " " + quoted(project));
}

const char* const kEveryForm = R"(
  show_message('Hello#world \# one');
  action_message('From an action');
  show_debug_message('question ' + string(show_question('Sure?')));
  show_debug_message('question ' + string(show_question('Again?')));
  show_debug_message('question ' + string(show_question('Once more?')));
  show_debug_message('action question ' + string(action_if_question('Really?')));
  show_debug_message('ext ' + string(show_message_ext('Pick', 'A', '', 'C')));
  show_debug_message('ext ' + string(show_message_ext('Pick', 'A', '', 'C')));
  show_debug_message('ext ' + string(show_message_ext('Pick', 'A', '', 'C')));
  show_debug_message('ext ' + string(show_message_ext('Pick', 'A', 'B', 'C')));
  show_debug_message('string ' + get_string('Name?', 'nobody'));
  show_debug_message('integer ' + string(get_integer('Number?', 5)));
  show_debug_message('integer ' + string(get_integer('Number?', 5)));
  show_debug_message('menu ' + string(show_menu('New|-|Open', 9)));
  show_debug_message('menu ' + string(show_menu_pos(10, 20, 'New|-|Open', 9)));
  show_debug_message('menu ' + string(show_menu('New|-|Open', 9)));
  show_message(12.25);
)";

TEST(VnFormsMessage, EveryFormTakesItsAnswer) {
  test::ScratchDir scratch("vn_forms_message");
  const auto run = vn_run(scratch.path(), kEveryForm,
                          "1 answer anything\n"
                          "1 answer ok\n"
                          "1 answer no\n"
                          "1 answer yes\n"
                          "1 answer maybe\n"
                          "1 answer no\n"
                          "1 answer 3\n"
                          "1 answer 0\n"
                          "1 answer 2\n"
                          "1 answer 7\n"
                          "1 answer Ada Lovelace\n"
                          "1 answer -12\n"
                          "1 answer twelve\n"
                          "1 answer 1\n"
                          "1 answer -1\n"
                          "1 answer 2\n"
                          "1 answer done\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "question 0\n"
            "question 1\n"
            "question 1\n"
            "action question 0\n"
            "ext 3\n"
            "ext 0\n"
            "ext 1\n"
            "ext 1\n"
            "string Ada Lovelace\n"
            "integer -12\n"
            "integer 5\n"
            "menu 1\n"
            "menu -1\n"
            "menu 9\n");
  EXPECT_EQ(run.err,
            "form: message: Hello world # one\n"
            "form: message: From an action\n"
            "form: question: Sure?\n"
            "form: question: Again?\n"
            "form: question: Once more?\n"
            "form answer \"maybe\" does not fit the question form; its default is taken\n"
            "form: question: Really?\n"
            "form: message_ext: Pick\n"
            "form: message_ext: Pick\n"
            "form: message_ext: Pick\n"
            "form answer \"2\" does not fit the message_ext form; its default is taken\n"
            "form: message_ext: Pick\n"
            "form answer \"7\" does not fit the message_ext form; its default is taken\n"
            "form: string: Name?\n"
            "form: integer: Number?\n"
            "form: integer: Number?\n"
            "form: menu: New|-|Open\n"
            "form: menu: New|-|Open\n"
            "form: menu: New|-|Open\n"
            "form answer \"2\" does not fit the menu form; its default is taken\n"
            "form: message: 12.25\n");
}

TEST(VnFormsMessage, DefaultsWhenNoAnswerIsLeft) {
  test::ScratchDir scratch("vn_forms_message_defaults");
  const auto run = vn_run(scratch.path(), R"(
    show_message('Only this one is answered');
    show_debug_message('question ' + string(show_question('Sure?')));
    show_debug_message('ext ' + string(show_message_ext('Pick', '', 'B', 'C')));
    show_debug_message('ext ' + string(show_message_ext('No buttons', '', '', '')));
    show_debug_message('string ' + get_string('Name?', 'nobody'));
    show_debug_message('integer ' + string(get_integer('Number?', 2.5)));
    show_debug_message('menu ' + string(show_menu('A|B', 4)));
  )",
                          "1 answer fine\n");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "question 1\n"
            "ext 2\n"
            "ext 0\n"
            "string nobody\n"
            "integer 2.50\n"
            "menu 4\n");
  EXPECT_EQ(run.err,
            "form: message: Only this one is answered\n"
            "form: question: Sure?\n"
            "form: message_ext: Pick\n"
            "form: message_ext: No buttons\n"
            "form: string: Name?\n"
            "form: integer: Number?\n"
            "form: menu: A|B\n");
}

TEST(VnFormsMessage, SettingsReportMissingResources) {
  test::ScratchDir scratch("vn_forms_message_settings");
  const auto run = vn_run(scratch.path(), R"(
    message_background(3);
    message_button(-1);
    message_alpha(0.5); message_caption(true, 'Title'); message_position(-1, 10);
    message_size(300, -1); message_text_font('Arial', 14, c_red, 1);
    message_mouse_color(c_yellow); message_input_color(c_black);
    show_debug_message('set');
  )",
                          "");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "set\n");
  EXPECT_NE(run.err.find("Trying to set a non-existing message background"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("Trying to set a non-existing message button"), std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace vn
