#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/Platform_Video.h"
#include "script/Code_Constant.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Constant_Main.h"
#include "script/Script_Main.h"

namespace vn {
namespace {

void twice(CInstanceBase*, CInstanceBase*, int, const RValue* args, RValue& result) {
  result = RValue(args[0].real * 2);
}

class ConstantsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      register_function("tk_twice", twice, 1);
      return true;
    }();
    (void)registered;
  }
  void SetUp() override {
    set_headless(true);
    reset_constants();
    reset_error_state();
  }
  void TearDown() override {
    set_resource_constants(nullptr);
    set_scripts(nullptr);
    reset_constants();
  }

  static double value_of(std::string_view name) {
    RValue value;
    EXPECT_TRUE(find_constant(name, value)) << name;
    return value.real;
  }

  // The value an expression compiles to.
  static RValue compiled_value(const std::string& source) {
    CCode code(source, true);
    EXPECT_TRUE(code.compile()) << source << ": " << last_error_message();
    EXPECT_EQ(code.kind(), kCodeConstant) << source;
    return code.constant();
  }

  // define_constant, with what it wrote in place of the message box.
  static bool define(const std::string& name, const std::string& value, std::string& shown) {
    testing::internal::CaptureStderr();
    bool defined = define_constant(name, value);
    shown = testing::internal::GetCapturedStderr();
    return defined;
  }
};

TEST_F(ConstantsTest, BuiltinTable) {
  EXPECT_EQ(constant_count(), 289u);
  EXPECT_EQ(value_of("self"), -1);
  EXPECT_EQ(value_of("local"), -7);
  EXPECT_EQ(value_of("pi"), 3.141592653589793);
  EXPECT_EQ(value_of("c_orange"), 4235519);
  EXPECT_EQ(value_of("c_silver"), 12632256);
  EXPECT_EQ(value_of("bm_src_alpha_sat"), 11);
  EXPECT_EQ(value_of("vk_ralt"), 165);
  EXPECT_EQ(value_of("vk_return"), 13);
  EXPECT_EQ(value_of("ev_joystick2_button8"), 43);
  EXPECT_EQ(value_of("ev_user15"), 25);
  EXPECT_EQ(value_of("ev_step_end"), 2);
  EXPECT_EQ(value_of("cr_arrow"), -2);
  EXPECT_EQ(value_of("cr_arrrow"), -2);
  EXPECT_EQ(value_of("cr_size_all"), -22);
  EXPECT_EQ(value_of("ps_change_motion"), 2);
  EXPECT_EQ(value_of("ef_snow"), 11);
  RValue missing;
  EXPECT_FALSE(find_constant("C_RED", missing));  // names are case-sensitive
}

TEST_F(ConstantsTest, LatestDefinitionWinsUntilReset) {
  add_real_constant("c_red", 100);
  EXPECT_EQ(compiled_value("c_red").real, 100);
  add_constant("c_red", RValue("crimson"));
  EXPECT_EQ(compiled_value("c_red").string.view(), "crimson");
  EXPECT_EQ(constant_count(), 291u);
  reset_constants();
  EXPECT_EQ(constant_count(), 289u);
  EXPECT_EQ(value_of("c_red"), 255);
}

TEST_F(ConstantsTest, ResourceAndTriggerNamesHideTheTable) {
  // What the game supplies: an object pi, an object speed, a trigger's constant name.
  set_resource_constants([](std::string_view name, double& value) {
    if (name == "pi")
      value = 4;
    else if (name == "speed")
      value = 3;
    else if (name == "trg_door")
      value = 2;
    else
      return false;
    return true;
  });
  EXPECT_EQ(compiled_value("pi").real, 4);
  EXPECT_EQ(compiled_value("trg_door + c_red").real, 257);
  CCode assignment("speed = 1", false);
  EXPECT_FALSE(assignment.compile());
  EXPECT_EQ(last_error_message(), compose_error("speed = 1", true, 1, "Variable name expected."));
  // Names that are nothing at all stay variables.
  CCode variable("unknown_name", true);
  ASSERT_TRUE(variable.compile());
  EXPECT_EQ(variable.kind(), kCodeExpression);
}

TEST_F(ConstantsTest, DefineConstantEvaluatesInOrder) {
  std::string shown;
  EXPECT_FALSE(define(" double_size\t", "2 * base", shown));
  EXPECT_EQ(shown, "Value for constant double_size  is not valid.\n");
  EXPECT_TRUE(define("base", "20 + tk_twice(0.5)", shown));
  EXPECT_TRUE(define("\r\n double_size ", "2 * base", shown));
  EXPECT_EQ(shown, "");
  EXPECT_EQ(value_of("double_size"), 42);
  EXPECT_TRUE(define("greeting", "'hello' + ' ' + 'world'", shown));
  EXPECT_EQ(compiled_value("greeting").string.view(), "hello world");
  EXPECT_TRUE(define("c_red", "100", shown));
  EXPECT_EQ(compiled_value("c_red").real, 100);

  EXPECT_FALSE(define("9lives", "9", shown));
  EXPECT_EQ(shown, "Constant name 9lives  is not valid.\n");
  EXPECT_FALSE(define("   ", "1", shown));
  EXPECT_EQ(shown, "Constant name   is not valid.\n");
  EXPECT_FALSE(define("half-life", "1", shown));
  EXPECT_FALSE(define("broken", "1 +", shown));
  EXPECT_EQ(shown, "Value for constant broken  is not valid.\n");
  EXPECT_FALSE(define("divided", "base / 0", shown));
}

TEST_F(ConstantsTest, ValueCannotCallAScript) {
  TResourceList<CScript> list;
  list.add("scr_value", std::make_unique<CScript>());
  list.items[0]->source = "return 5";
  set_scripts(&list);
  set_resource_constants([](std::string_view name, double& value) {
    int32_t index = find_script(name);
    value = index;
    return index >= 0;
  });
  std::string shown;
  EXPECT_TRUE(define("script_index", "scr_value", shown));
  EXPECT_EQ(value_of("script_index"), 0);
  EXPECT_FALSE(define("script_result", "1 + scr_value()", shown));
  EXPECT_EQ(shown, "Value for constant script_result  is not valid.\n");
  set_scripts(nullptr);
}

TEST_F(ConstantsTest, GameConstantsStopAtTheFirstFailure) {
  testing::internal::CaptureStderr();
  EXPECT_TRUE(define_game_constants({{"first", "1"}, {"second", "first + 1"}}));
  EXPECT_FALSE(define_game_constants({{"third", "3"}, {"fourth", "#"}, {"fifth", "5"}}));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "Value for constant fourth  is not valid.\n");
  EXPECT_EQ(value_of("second"), 2);
  EXPECT_EQ(value_of("third"), 3);
  RValue value;
  EXPECT_FALSE(find_constant("fifth", value));
}

}  // namespace
}  // namespace vn
