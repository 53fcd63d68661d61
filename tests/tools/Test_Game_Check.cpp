// The code check of vn pack: what it finds and names, and that it leaves nothing behind
// in the compiler for the pack or run after it.
#include <gtest/gtest.h>

#include "runner/Game_Check.h"
#include "runner/Project_Json.h"
#include "runner/Runner_Game.h"
#include "runner/Runner_Library.h"
#include "script/Code_Constant.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Script_Main.h"

namespace vn {
namespace {

void add_script(CGameData& game, const std::string& name, const std::string& source) {
  auto script = std::make_unique<CScript>();
  script->source = source;
  game.scripts.add(name, std::move(script));
}

CObject& add_object(CGameData& game, const std::string& name) {
  game.objects.add(name, std::make_unique<CObject>());
  return *game.objects.items.back();
}

TEST(GameCheck, NamesTheActionArgumentAndCodeOfEachProblem) {
  CGameData game;
  game.scripts.add("", nullptr);  // an empty slot is passed by
  add_script(game, "scr good", "return 1;");
  CObject& object = add_object(game, "obj a");
  CEvent& step = object.event(3, 0);
  step.actions.push_back(code_action("x = ;"));
  CAction other_code = code_action("y = ;");
  other_code.apply_to = -2;  // no longer the plain form
  step.actions.push_back(other_code);
  CAction runs_code;
  runs_code.execution = kExecuteCode;
  runs_code.code_text = "z = ;";
  runs_code.argument_count = 4;
  runs_code.argument_kinds = {0, 1, 2, 2};
  // An expression, text, and text unless it starts with a quote.
  runs_code.argument_texts = {"1 +", "1 +", "'a' +", "plain ("};
  step.actions.push_back(runs_code);
  add_object(game, "obj empty");
  game.objects.add("", nullptr);

  const std::vector<RCodeProblem> problems = check_game_code(game);
  ASSERT_EQ(problems.size(), 5u);
  const char* const places[] = {"event step 0, actions[0]", "event step 0, actions[1].arguments[0]",
                                "event step 0, actions[2].code",
                                "event step 0, actions[2].arguments[0]",
                                "event step 0, actions[2].arguments[2]"};
  for (size_t i = 0; i < problems.size(); ++i) {
    EXPECT_EQ(problems[i].file, "objects/obj a.json");
    EXPECT_EQ(problems[i].place, places[i]);
  }
  EXPECT_EQ(problems[0].message.rfind("Error in code at line 1:\r   x = ;\r", 0), 0u)
      << problems[0].message;
  EXPECT_EQ(problems[3].message.rfind("Error in expression:1 +\r", 0), 0u) << problems[3].message;
}

TEST(GameCheck, LeavesTheCompilerAsItFoundIt) {
  register_game_library();
  const size_t constants_before = constant_count();
  TResourceList<CScript>* scripts_before = scripts();

  CGameData game;
  game.constants = {{"LIMIT", "10"}, {"LATER", "random(3)"}};
  add_script(game, "helper", "return LIMIT + obj_probe;");
  add_object(game, "obj_probe")
      .event(0, 0)
      .actions.push_back(code_action("x = helper() + LIMIT + LATER;"));
  // LIMIT is a constant and cannot be assigned; LATER is not known until the game runs.
  game.library_init_code = {"LIMIT = 2;", "LATER = 1;"};
  const std::vector<RCodeProblem> problems = check_game_code(
      game,
      [](const std::string& kind, size_t index) { return kind + "/file" + std::to_string(index); });
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0].file, "game.json");
  EXPECT_EQ(problems[0].place, "library_init_code[0]");

  EXPECT_EQ(constant_count(), constants_before);
  EXPECT_EQ(scripts(), scripts_before);
  RValue value;
  EXPECT_FALSE(find_constant("LIMIT", value));
  EXPECT_FALSE(find_constant("obj_probe", value));
  int32_t id = 0;
  EXPECT_FALSE(find_function("helper", id));
  EXPECT_FALSE(error_flag());
  EXPECT_EQ(last_error_message(), "");

  // The next game is checked on its own: none of those names mean anything there.
  CGameData next;
  next.library_init_code = {"LIMIT = 1; obj_probe = 2;"};
  EXPECT_TRUE(check_game_code(next).empty());
  add_script(next, "uses", "return helper();");
  const std::vector<RCodeProblem> unknown = check_game_code(next);
  ASSERT_EQ(unknown.size(), 1u);
  EXPECT_EQ(unknown[0].file, "scripts/uses.vns");
  EXPECT_NE(unknown[0].message.find("helper"), std::string::npos) << unknown[0].message;
}

}  // namespace
}  // namespace vn
