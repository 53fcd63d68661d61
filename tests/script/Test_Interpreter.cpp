#include "Script_Test_Support.h"

namespace vn::test {
namespace {

class Interpreter : public ScriptTest {};

// The last line of a composed message holds the message itself.
std::string message_of(const std::string& composed) {
  size_t at = composed.rfind(": ");
  return at == std::string::npos ? composed : composed.substr(at + 2);
}

TEST_F(Interpreter, ResultSlotHoldsTheLastValue) {
  EXPECT_EQ(value_of("x = 5"), "5");
  EXPECT_EQ(value_of("x = 5; y = 'a'"), "'a'");
  EXPECT_EQ(value_of("x = 5; abs(-3)"), "3");
  EXPECT_EQ(value_of("x = 5; return 7; x = 9"), "7");
  EXPECT_EQ(value_of("if (1) {}"), "0");
  // The for statement's initial and step statements do not count.
  EXPECT_EQ(value_of("var i; for (i = 0; i < 3; i += 1) {}"), "0");
  EXPECT_EQ(value_of("x = 2; x += 3"), "5");
}

TEST_F(Interpreter, ArraysShareTheirFirstCells) {
  EXPECT_EQ(value_of("a = 3; return a[0] + a[0, 0]"), "6");
  EXPECT_EQ(value_of("a[5] = 1; return a[0, 5]"), "1");
  EXPECT_EQ(value_of("a[1] = 4; return a[0, 1]"), "4");
  EXPECT_EQ(value_of("a[5] = 1; return a[2]"), "0");
  EXPECT_EQ(message_of(value_of("a[5] = 1; return a[1, 3]")),
            "Unknown variable a or array index out of bounds");
  EXPECT_EQ(message_of(value_of("return a[-1]")), "Negative array index");
  EXPECT_EQ(message_of(value_of("return a[32000]")), "Array index >= 32000");
  EXPECT_EQ(message_of(value_of("return a['x']")), "Wrong type of array index");
  EXPECT_EQ(value_of("a[31999, 31999] = 2; return a[31999, 31999]"), "2");
}

TEST_F(Interpreter, ScopesAndGlobals) {
  EXPECT_EQ(message_of(value_of("return foo")), "Unknown variable foo");
  EXPECT_EQ(message_of(value_of("global.x = 1; return x")), "Unknown variable x");
  EXPECT_EQ(value_of("global.x = 1; globalvar x; return x"), "1");
  EXPECT_EQ(value_of("globalvar y; return global.y"), "0");
  EXPECT_EQ(message_of(value_of("noone.x = 1")), "Cannot assign to the variable");
  EXPECT_EQ(value_of("(100123).x = 1; return 2"), "2");
  EXPECT_EQ(message_of(value_of("return (100123).x")), "Unknown variable x");
  EXPECT_EQ(value_of("all.x = 5; return 1"), "1");
  EXPECT_EQ(value_of("self.z = 4; other.z += 1; return z"), "5");
  EXPECT_EQ(message_of(value_of("argument_relative = 1")), "Cannot assign to the variable");
}

TEST_F(Interpreter, LocalsStartAtTheirDeclaration) {
  EXPECT_EQ(value_of("x = 1; var x; x = 2; return self.x * 10 + x"), "12");
  EXPECT_EQ(value_of("var a; a[3] = 7; return a[3] + local.a[3]"), "14");
  EXPECT_EQ(message_of(value_of("var q; return q")), "Unknown variable q");
  // Locals do not survive the run.
  EXPECT_EQ(message_of(value_of("var a; return a")), "Unknown variable a");
  // A computed scope reaching the locals.
  EXPECT_EQ(value_of("var a; a = 3; return (-7).a"), "3");
  EXPECT_EQ(value_of("var a; a = 3; (-7).b = 4; return local.b + a"), "7");
}

TEST_F(Interpreter, UninitialisedVariablesReadAsZeroWhenAsked) {
  uninitialized_zero() = true;
  EXPECT_EQ(value_of("return never"), "0");
  EXPECT_EQ(value_of("n += 2; return n"), "2");
  // A read that reaches no store ends the statement without writing.
  EXPECT_EQ(value_of("noone.n += 2; return 5"), "5");
  EXPECT_EQ(value_of("local.m += 1; var k; k = 1; return local.m"), "0");
}

TEST_F(Interpreter, ControlFlow) {
  EXPECT_EQ(value_of("switch (2) { case 1: a = 1; case 2: a = 2; case 3: a = 3; } return a"), "3");
  EXPECT_EQ(value_of("a = 9; switch (1) { default: a = 0; case 1: a = 1; } return a"), "1");
  EXPECT_EQ(value_of("a = 9; switch ('') { case 0: a = 0; } return a"), "9");
  EXPECT_EQ(value_of("a = 0; switch (3) { case 3: a = 1; break; case 4: a = 2; } return a"), "1");
  // Cases compare reals exactly.
  EXPECT_EQ(value_of("switch (1.00000000000001) { case 1: return 1; } return 0"), "0");
  EXPECT_EQ(value_of("n = 0; repeat (2.5) n += 1; return n"), "2");
  EXPECT_EQ(value_of("n = 0; repeat (3.5) n += 1; return n"), "4");
  EXPECT_EQ(value_of("n = 0; repeat (-2) n += 1; return n"), "0");
  EXPECT_EQ(value_of("n = 0; while (true) { n += 1; if (n > 4) break; } return n"), "5");
  EXPECT_EQ(value_of("n = 0; do { n += 1; if (n < 3) continue; } until (n >= 6) return n"), "6");
  EXPECT_EQ(value_of("var i, s; s = 0; for (i = 0; i < 10; i += 1) { if (i mod 2) continue; "
                     "s += i; } return s"),
            "20");
  EXPECT_EQ(value_of("x = 1; break; x = 2"), "1");
  // A continue inside a switch reaches the enclosing loop.
  EXPECT_EQ(value_of("n = 0; repeat (3) { switch (n) { case 1: continue; } n += 1; } return n"),
            "1");
}

TEST_F(Interpreter, StatementErrors) {
  EXPECT_EQ(message_of(value_of("if ('a') x = 1")), "Expression expected");
  EXPECT_EQ(message_of(value_of("while ('a') x = 1")), "Boolean expression expected");
  EXPECT_EQ(message_of(value_of("do x = 1 until ('a')")), "Boolean expression expected");
  EXPECT_EQ(message_of(value_of("repeat ('a') x = 1")), "Repeat count must be a number");
  EXPECT_EQ(message_of(value_of("with ('a') x = 1")), "Object id expected");
  EXPECT_EQ(message_of(value_of("with (global) x = 1")), "Cannot use global in with statement.");
  EXPECT_EQ(message_of(value_of("with (local) x = 1")), "Cannot use local in with statement.");
  EXPECT_EQ(message_of(value_of("case 1: x = 1")),
            "Case statement only allowed inside switch statement.");
  EXPECT_EQ(message_of(value_of("default: x = 1")),
            "Default statement only allowed inside switch statement.");
  EXPECT_EQ(message_of(value_of(";")), "Statement expected.");
}

TEST_F(Interpreter, WithSwapsSelfAndOther) {
  EXPECT_EQ(value_of("x = 0; with (noone) x = 1; return x"), "0");
  EXPECT_EQ(value_of("x = 0; with (self) x = 1; return x"), "1");
  EXPECT_EQ(value_of("x = 0; with (other) x = 2; return x"), "2");
  EXPECT_EQ(value_of("n = 0; with (all) n += 1; return n"), "0");
}

TEST_F(Interpreter, OperandsAreAllEvaluated) {
  add_script("noisy", "show_debug_message('called'); return 1;");
  RScriptRun r = run("x = 0 && noisy(); y = 1 || noisy(); return x + y");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.output, (std::vector<std::string>{"called", "called"}));
  EXPECT_EQ(r.result.real, 1);
}

TEST_F(Interpreter, ScriptArgumentsAreSavedAndRestored) {
  add_script("inner", "argument0 = 99; return argument1;");
  add_script("outer", "var r; r = inner(argument0 + 1, 'b'); return string(argument0) + r;");
  EXPECT_EQ(value_of("return outer(5)"), "'5b'");
  EXPECT_EQ(value_of("argument0 = 'keep'; outer(1); return argument0"), "'keep'");
  EXPECT_EQ(value_of("argument3 = 4; execute_string('return argument0 + argument1', 1, 2); "
                     "return argument3"),
            "4");
  EXPECT_EQ(value_of("return execute_string('return argument0 * 2', 21)"), "42");
  // Unused slots read as real 0 inside the script.
  add_script("third", "return argument2;");
  EXPECT_EQ(value_of("argument2 = 8; return third(1)"), "0");
  // Slots a script writes beyond its caller's come back as real 0, the caller's own
  // slots with their values.
  add_script("writer", "argument5 = 7; argument1 = 'w'; return argument0;");
  add_script("reader", "writer(argument0); return string(argument1) + string(argument5);");
  EXPECT_EQ(value_of("return reader(1, 2)"), "'20'");
  EXPECT_EQ(value_of("argument5 = 3; writer(1); return argument5"), "3");
}

TEST_F(Interpreter, ErrorsInScriptsNameEveryScriptLeft) {
  add_script("deep", "return argument0 + 'a';");
  add_script("middle", "return deep(argument0);");
  RScriptRun r = run("x = middle(1)");
  ASSERT_FALSE(r.ok);
  EXPECT_EQ(r.error.rfind("In script middle:\rIn script deep:\rError in code at line 1:", 0), 0u)
      << r.error;
  EXPECT_NE(r.error.find("Wrong type of arguments to +."), std::string::npos);

  add_script("forever", "return forever();");
  r = run("return forever()");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.error.find("Script calls are nested too deeply."), std::string::npos);
}

TEST_F(Interpreter, ExecuteStringReportsCompileErrorsAndGoesOn) {
  RScriptRun r = run("x = execute_string('y = '); return 3");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.result.real, 3);
  ASSERT_EQ(r.shown.size(), 1u);
  EXPECT_EQ(r.shown[0].rfind("COMPILATION ERROR in string to be executed\r", 0), 0u);
  r = run("execute_file('no such file.txt'); return 1");
  ASSERT_EQ(r.shown.size(), 1u);
  EXPECT_EQ(r.shown[0], "Trying to execute non-existing file.");
}

TEST_F(Interpreter, VariablesByName) {
  EXPECT_EQ(value_of("return variable_local_get('never_seen')"), "0");
  EXPECT_EQ(value_of("variable_local_set('v', 3); return v"), "3");
  EXPECT_EQ(value_of("variable_global_set('g', 4); return global.g + variable_global_exists('g')"),
            "5");
  EXPECT_EQ(value_of("return variable_global_exists('nothing_here')"), "0");
  EXPECT_EQ(value_of("variable_local_array2_set('m', 1, 2, 6); return m[1, 2]"), "6");
  RScriptRun r = run("return variable_local_array_get('m', 32000)");
  ASSERT_EQ(r.shown.size(), 1u);
  EXPECT_EQ(r.shown[0], "Array index >= 32000");
}

TEST_F(Interpreter, ConstantExpressionsNeedNoInstance) {
  CCode code("1 + 2", true);
  ASSERT_TRUE(code.compile());
  EXPECT_EQ(code.kind(), kCodeConstant);
  RValue result;
  EXPECT_TRUE(run_code(nullptr, nullptr, code, result));
  EXPECT_EQ(result.real, 3);

  CCode program("x = 1", false);
  ASSERT_TRUE(program.compile());
  EXPECT_FALSE(run_code(nullptr, nullptr, program, result));
  EXPECT_NE(last_error_message().find("Internal Error: Executing code for nil instance."),
            std::string::npos);
  CCode uncompiled("x = 1", false);
  EXPECT_FALSE(run_code(&self_, &self_, uncompiled, result));
  EXPECT_NE(last_error_message().find("Internal Error: Executing non-compiled code."),
            std::string::npos);
}

}  // namespace
}  // namespace vn::test
