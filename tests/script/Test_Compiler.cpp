#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "script/Code_Constant.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Code_Phase2.h"
#include "script/Code_Variable.h"
#include "script/Variable_Main.h"

namespace vn {
namespace {

void no_op(CInstanceBase*, CInstanceBase*, int, const RValue*, RValue&) {}
bool read_nothing(CInstanceBase*, int32_t, RValue&) { return false; }

// Functions with a fixed and a variable argument count, and one built-in variable, under
// names no other test registers.
class CompilerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const bool registered = [] {
      register_function("tc_none", no_op, 0);
      register_function("tc_one", no_op, 1);
      register_function("tc_two", no_op, 2);
      register_function("tc_any", no_op, kVariableArguments);
      register_variable("tc_builtin", read_nothing, nullptr);
      return true;
    }();
    (void)registered;
  }
  void SetUp() override { reset_constants(); }

  // The compiled piece, or null with the message left as the last error.
  static std::unique_ptr<CCode> compiled(const std::string& source, bool expression = false) {
    auto code = std::make_unique<CCode>(source, expression);
    if (!code->compile()) return nullptr;
    return code;
  }

  // The first statement of a program.
  static RToken first_statement(const std::string& source) {
    auto code = compiled(source);
    EXPECT_NE(code, nullptr) << source << ": " << last_error_message();
    if (!code || code->root().children.empty()) return RToken();
    return code->root().children[0];
  }

  static void expect_error(const std::string& source, int position, const std::string& message,
                           bool expression = false) {
    EXPECT_EQ(compiled(source, expression), nullptr) << source;
    EXPECT_EQ(last_error_message(), compose_error(source, !expression, position, message))
        << source;
  }

  static void expect_compiles(const std::string& source) {
    EXPECT_NE(compiled(source), nullptr) << source << ": " << last_error_message();
  }

  static RValue expression_value(const std::string& source) {
    auto code = compiled(source, true);
    EXPECT_NE(code, nullptr) << source << ": " << last_error_message();
    if (!code) return RValue();
    EXPECT_EQ(code->kind(), kCodeConstant) << source;
    return code->constant();
  }
};

TEST_F(CompilerTest, NumberTexts) {
  EXPECT_EQ(number_value("0.5"), 0.5);
  EXPECT_EQ(number_value("$ff"), 255);
  EXPECT_EQ(number_value("$1F"), 31);
  EXPECT_EQ(number_value("$"), 0);
  EXPECT_EQ(number_value("1.2.3"), 1 + 2 * 0.1 + 3 * (0.1 / 10));
  EXPECT_DOUBLE_EQ(number_value("1.2.3"), 1.23);

  EXPECT_EQ(expression_value(".5").real, 0.5);
  EXPECT_DOUBLE_EQ(expression_value("1.2.3").real, 1.23);
  EXPECT_EQ(expression_value("$ff").real, 255);
  // A number stops at the first character that cannot continue it.
  EXPECT_EQ(expression_value("$fg").real, 15);
  RToken assignment = first_statement("x = .5");
  ASSERT_EQ(assignment.children.size(), 2u);
  EXPECT_EQ(assignment.children[1].kind, kNodeConstant);
  EXPECT_EQ(assignment.children[1].value.real, 0.5);
}

TEST_F(CompilerTest, StringsCommentsAndWords) {
  EXPECT_EQ(expression_value("'say \"hi\"'").string.view(), "say \"hi\"");
  EXPECT_EQ(expression_value("\"it's\"").string.view(), "it's");
  EXPECT_EQ(expression_value("'two\r\nlines'").string.view(), "two\r\nlines");
  // An open string runs to the end, the three added spaces included.
  EXPECT_EQ(expression_value("'open").string.view(), "open   ");
  EXPECT_EQ(expression_value("'a' + 'b'").string.view(), "ab");

  EXPECT_EQ(expression_value("1 // 2\r+ 3").real, 4);
  EXPECT_EQ(expression_value("1 /* 2 */ + 3").real, 4);
  EXPECT_EQ(expression_value("1 /*/ + 3").real, 4);  // the opening star also closes
  EXPECT_EQ(expression_value("1 /* never closed + 2").real, 1);
  EXPECT_EQ(compiled("// nothing but a comment")->root().kind, kNodeEmptyProgram);

  EXPECT_EQ(expression_value("1 and 0 or 1 xor 1").real, 0);
  EXPECT_EQ(expression_value("not 1").real, 0);
  EXPECT_EQ(expression_value("7 div 2 + 7 mod 2").real, 4);
  EXPECT_EQ(expression_value("3 <> 4").real, 1);
  EXPECT_EQ(expression_value("3 := 3").real, 1);
  // Keywords are case-sensitive: Begin and IF are variable names.
  RToken statement = first_statement("Begin = IF");
  EXPECT_EQ(statement.kind, kNodeAssign);
  EXPECT_EQ(statement.children[0].id, variable_id("Begin"));
  EXPECT_EQ(statement.children[1].id, variable_id("IF"));
}

TEST_F(CompilerTest, UnexpectedCharacters) {
  expect_error("x = #", 5, "Unexpected symbol.");
  expect_error("x = 1 ? 2", 7, "Unexpected symbol.");
  expect_error("caf\xE9 = 1", 4, "Unexpected symbol.");
  expect_compiles("x = 'caf\xE9' // \xE9\r/* \xE9 */");
  // The composed message gives line, column and a caret under the character.
  EXPECT_EQ(compiled("x = 1\r\ny = #"), nullptr);
  EXPECT_EQ(last_error_message(),
            "Error in code at line 2:\r   \ny = #\r       ^\rat position 6: Unexpected symbol.");
  EXPECT_EQ(compiled("1 + ?", true), nullptr);
  EXPECT_EQ(last_error_message(), "Error in expression:1 + ?\r position 5: Unexpected symbol.");
}

// Code ended by a line end is reported at the end of its last line, whichever line end it
// is; lone LFs end lines like CRs do.
TEST_F(CompilerTest, ErrorLineTextWhateverTheLineEnds) {
  const std::string at_end =
      "Error in code at line 1:\r   if 1\r     ^\rat position 4: Unexpected end of code reached.";
  for (const char* source : {"if 1", "if 1\r", "if 1\n", "if 1\r\n"}) {
    EXPECT_EQ(compiled(source), nullptr) << source;
    EXPECT_EQ(last_error_message(), at_end) << source;
  }
  EXPECT_EQ(compose_error("a = 1\rb = #\rc = 2", true, 11, "Unexpected symbol."),
            "Error in code at line 2:\r   b = #\r      ^\rat position 5: Unexpected symbol.");
  EXPECT_EQ(compose_error("a = 1\nb = #\nc = 2", true, 11, "Unexpected symbol."),
            "Error in code at line 2:\r   b = #\r      ^\rat position 5: Unexpected symbol.");
  EXPECT_EQ(compose_error("a = 1\r\nb = #\r\nc = 2", true, 12, "Unexpected symbol."),
            "Error in code at line 2:\r   \nb = #\r       ^\rat position 6: Unexpected symbol.");
}

TEST_F(CompilerTest, ProgramShapes) {
  auto empty = compiled("  \r\n ");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->root().kind, kNodeEmptyProgram);

  // begin ... end and braces build the same block, which is the root itself.
  auto words = compiled("begin x = 1 end");
  auto braces = compiled("{x = 1};;");
  ASSERT_NE(words, nullptr);
  ASSERT_NE(braces, nullptr);
  EXPECT_EQ(words->root().kind, kNodeBlock);
  ASSERT_EQ(words->root().children.size(), 1u);
  ASSERT_EQ(braces->root().children.size(), 1u);
  EXPECT_EQ(words->root().children[0].kind, kNodeAssign);
  EXPECT_EQ(braces->root().children[0].kind, kNodeAssign);
  expect_error("{x = 1} y = 2", 9, "Program ends before end of the code.");

  // Without braces the statements become one block.
  auto plain = compiled("x = 1 y = 2; z = 3");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->root().kind, kNodeBlock);
  EXPECT_EQ(plain->root().children.size(), 3u);

  // A leading ";" is an empty statement (which fails only when run); later ones are skipped.
  auto leading = compiled(";; x = 1;;; y = 2");
  ASSERT_NE(leading, nullptr);
  ASSERT_EQ(leading->root().children.size(), 3u);
  EXPECT_EQ(leading->root().children[0].kind, kNodeEmptyStatement);
}

TEST_F(CompilerTest, StatementTrees) {
  // The first "=" compares, the second assigns.
  RToken branch = first_statement("if a = 1 then b = 2 else b = 3");
  EXPECT_EQ(branch.kind, kNodeIf);
  EXPECT_EQ(branch.position, 4);  // the token after the keyword
  ASSERT_EQ(branch.children.size(), 3u);
  EXPECT_EQ(branch.children[0].kind, kNodeBinary);
  EXPECT_EQ(branch.children[0].id, kOpEqual);
  EXPECT_EQ(branch.children[1].kind, kNodeAssign);
  EXPECT_EQ(branch.children[2].kind, kNodeAssign);

  RToken loop = first_statement("for (i = 0; i < 10; i += 1) tc_one(i)");
  EXPECT_EQ(loop.kind, kNodeFor);
  EXPECT_EQ(loop.position, 5);
  ASSERT_EQ(loop.children.size(), 4u);
  EXPECT_EQ(loop.children[0].kind, kNodeAssign);
  EXPECT_EQ(loop.children[1].id, kOpLess);
  EXPECT_EQ(loop.children[2].id, kTokenAddAssign);
  EXPECT_EQ(loop.children[3].kind, kNodeFunction);
  EXPECT_EQ(loop.children[3].children.size(), 1u);

  RToken until = first_statement("do x += 1 until x > 3");
  EXPECT_EQ(until.kind, kNodeDo);
  EXPECT_EQ(until.children[0].kind, kNodeAssign);
  EXPECT_EQ(until.children[1].id, kOpGreater);
  EXPECT_EQ(first_statement("while x do x -= 1").children.size(), 2u);
  EXPECT_EQ(first_statement("with (other) x = 1").kind, kNodeWith);
  EXPECT_EQ(first_statement("repeat 3 x *= 2").kind, kNodeRepeat);
  RToken exit = first_statement("exit;");
  EXPECT_EQ(exit.kind, kNodeExit);
  EXPECT_EQ(exit.position, 5);

  // A switch holds its expression, then every statement of the braces, labels included.
  RToken choice = first_statement("switch x { case 1: y = 1; break; default: y = 2 }");
  EXPECT_EQ(choice.kind, kNodeSwitch);
  ASSERT_EQ(choice.children.size(), 6u);
  EXPECT_EQ(choice.children[1].kind, kNodeCase);
  EXPECT_EQ(choice.children[1].children[0].value.real, 1);
  EXPECT_EQ(choice.children[2].kind, kNodeAssign);
  EXPECT_EQ(choice.children[3].kind, kNodeBreak);
  EXPECT_EQ(choice.children[4].kind, kNodeDefault);
  // Labels outside a switch are left for the interpreter to refuse.
  expect_compiles("case 1: default:");

  RToken declaration = first_statement("globalvar a, b c");
  EXPECT_EQ(declaration.kind, kNodeGlobalvar);
  ASSERT_EQ(declaration.children.size(), 3u);
  EXPECT_EQ(declaration.children[0].kind, kNodeConstant);
  EXPECT_EQ(declaration.children[0].id, variable_id("a"));
  EXPECT_EQ(declaration.children[2].id, variable_id("c"));
}

TEST_F(CompilerTest, VariablesScopesAndIndices) {
  // Constant scopes make direct nodes; others keep the scope expression as child 0.
  RToken plain = first_statement("x = y");
  EXPECT_EQ(plain.id, kTokenAssign);
  EXPECT_EQ(plain.children[0].kind, kNodeDirectVariable);
  EXPECT_EQ(plain.children[0].scope, kScopeUnscoped);
  EXPECT_EQ(plain.children[1].kind, kNodeDirectVariable);
  EXPECT_EQ(first_statement("global.x = 1").children[0].scope, kScopeGlobal);
  EXPECT_EQ(first_statement("(100000 + 5).x = 1").children[0].scope, 100005);
  expect_error("2.5.x = 1", 1, "Variable name expected.");  // "2.5." is one number

  RToken indexed = first_statement("a[1, i] = 0").children[0];
  EXPECT_EQ(indexed.kind, kNodeVariable);
  ASSERT_EQ(indexed.children.size(), 3u);
  EXPECT_EQ(indexed.children[0].value.real, kScopeUnscoped);
  EXPECT_EQ(indexed.children[1].value.real, 1);
  EXPECT_EQ(indexed.children[2].kind, kNodeDirectVariable);
  EXPECT_EQ(first_statement("a[] = 0").children[0].kind, kNodeDirectVariable);
  EXPECT_EQ(first_statement("a[1,] = 0").children[0].children.size(), 2u);

  // a.b.c is c with scope a.b; -a.b is -(a.b).
  RToken chain = first_statement("z = a.b.c").children[1];
  EXPECT_EQ(chain.kind, kNodeVariable);
  EXPECT_EQ(chain.id, variable_id("c"));
  ASSERT_EQ(chain.children.size(), 1u);
  EXPECT_EQ(chain.children[0].id, variable_id("b"));
  EXPECT_EQ(chain.children[0].children[0].kind, kNodeDirectVariable);
  RToken negated = first_statement("z = -a.b").children[1];
  EXPECT_EQ(negated.kind, kNodeUnary);
  EXPECT_EQ(negated.children[0].kind, kNodeVariable);

  expect_error("'a'.x = 1", 1, "Left hand side must be a real value.");
  expect_error("z = ('a' + 'b').x", 6, "Left hand side must be a real value.");
}

TEST_F(CompilerTest, VarLocalsFromTheirDeclarationOn) {
  auto code = compiled("x = 1; var x; x = 2; { y = x } var y; y = 3");
  ASSERT_NE(code, nullptr);
  const auto& statements = code->root().children;
  ASSERT_EQ(statements.size(), 6u);
  EXPECT_EQ(statements[0].children[0].scope, kScopeUnscoped);
  EXPECT_EQ(statements[2].children[0].scope, kScopeLocal);
  EXPECT_EQ(statements[3].children[0].children[0].scope, kScopeUnscoped);
  EXPECT_EQ(statements[3].children[0].children[1].scope, kScopeLocal);
  EXPECT_EQ(statements[5].children[0].scope, kScopeLocal);
  // Written scopes stay as written; globalvar makes no locals.
  auto scoped = compiled("var x; self.x = 1; globalvar g; g = 2");
  ASSERT_NE(scoped, nullptr);
  EXPECT_EQ(scoped->root().children[1].children[0].scope, kScopeSelf);
  EXPECT_EQ(scoped->root().children[3].children[0].scope, kScopeUnscoped);
  // Every compilation starts without locals.
  EXPECT_EQ(first_statement("x = 3").children[0].scope, kScopeUnscoped);

  expect_error("var tc_builtin", 5, "Cannot redeclare a builtin variable.");
  expect_error("globalvar a, tc_builtin", 14, "Cannot redeclare a builtin variable.");
  expect_error("var a = 1", 7, "Unexpected symbol in expression.");
  expect_error("Var x", 5, "Assignment operator expected.");
}

TEST_F(CompilerTest, Calls) {
  RToken call = first_statement("tc_two (1, 'a')");
  EXPECT_EQ(call.kind, kNodeFunction);
  int32_t id = -1;
  ASSERT_TRUE(find_function("tc_two", id));
  EXPECT_EQ(call.id, id);
  ASSERT_EQ(call.children.size(), 2u);
  EXPECT_EQ(call.children[1].value.string.view(), "a");

  expect_compiles("tc_one(1,)");
  expect_compiles("tc_none()");
  expect_compiles("tc_any() tc_any(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16)");
  expect_error("tc_any(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)", 1,
               "Wrong number of arguments to function or script.");
  expect_error("x = 1 + tc_one(1, 2)", 9, "Wrong number of arguments to function or script.");
  expect_error("tc_two(1)", 1, "Wrong number of arguments to function or script.");
  expect_error("tc_two(1 2)", 10, "Symbol , or ) expected.");
  expect_error("tc_one(1", 9, "Symbol ) expected.");
  expect_error("tc_one(1,", 9, "Symbol ) expected.");
  expect_error("tc_one(,1)", 8, "Unexpected symbol in expression.");
  expect_error("x = nowhere(1)", 5, "Unknown function or script: nowhere");
}

TEST_F(CompilerTest, ConstantFolding) {
  EXPECT_EQ(expression_value("(1 + 2) * 3 - -1").real, 10);
  EXPECT_EQ(expression_value("3 * 'ab'").string.view(), "ababab");
  EXPECT_EQ(expression_value("1 < 2 < 3").real, 1);
  EXPECT_EQ(expression_value("").real, 0);
  EXPECT_EQ(expression_value("  ").real, 0);
  // Tokens after a complete expression are ignored.
  EXPECT_EQ(expression_value("1 2 )").real, 1);
  EXPECT_EQ(expression_value("pi").real, 3.141592653589793);

  auto partial = compiled("x + 2 * 3", true);
  ASSERT_NE(partial, nullptr);
  EXPECT_EQ(partial->kind(), kCodeExpression);
  EXPECT_EQ(partial->root().children[1].kind, kNodeConstant);
  EXPECT_EQ(partial->root().children[1].value.real, 6);

  // A huge constant string is left for the run, where its limit is checked once.
  auto huge = compiled("100000000 * ('ab' + 'cd')", true);
  ASSERT_NE(huge, nullptr);
  EXPECT_EQ(huge->root().kind, kNodeBinary);
  EXPECT_EQ(huge->root().children[1].kind, kNodeConstant);

  expect_error("x = 1/0", 7, "Division by 0.");
  expect_error("x = -'a'", 6, "Wrong type of arguments to unary operator.");
  expect_error("x = 'a' + 1", 11, "Wrong type of arguments to +.");
  expect_error("x = 1 + (2 mod 0)", 16, "Modulo by 0.");
  expect_compiles("x = y / 0");
}

TEST_F(CompilerTest, EveryStatementMessage) {
  expect_error("for i = 0", 5, "Symbol ( expected.");
  expect_error("for (i = 0; i < 1; i += 1 x = 1", 27, "Symbol ) expected.");
  // The first statement swallows its semicolon, so the condition starts at ")".
  expect_error("for (;;) x = 1", 8, "Unexpected symbol in expression.");
  expect_error("x = (1 + 2", 11, "Symbol ) expected.");
  expect_error("a[1 2] = 0", 5, "Symbol , or ] expected.");
  expect_error("a[1", 4, "Symbol ] expected.");
  expect_error("a[1, 2, 3] = 0", 9, "Only 1- and 2-dimensional arrays are supported.");
  expect_compiles("a[1, 2,] = 0");
  expect_error("5 = 3", 1, "Variable name expected.");
  expect_error("a.(b) = 3", 3, "Variable name expected.");
  expect_error("tc_one(1) = 2", 11, "Unexpected symbol in expression.");
  expect_error("x == 1", 3, "Assignment operator expected.");
  expect_error("switch (x) { case 1 x = 1 }", 21, "Symbol : expected.");
  expect_error("switch (x) { default x = 1 }", 22, "Symbol : expected.");
  expect_error("switch x x = 1", 10, "Symbol { expected.");
  expect_error("switch (x) { case 1:", 21, "Symbol } expected.");
  expect_error("{ x = 1", 8, "Symbol } expected.");
  expect_error("if x { y = 1", 13, "Symbol } expected.");
  expect_error("do x = 1 while x", 10, "Keyword until expected.");
  expect_error("x = 1; if (x)", 14, "Unexpected end of code reached.");
  expect_error("return;", 7, "Unexpected symbol in expression.");
  expect_error("x = 1 }", 7, "Unexpected symbol in expression.");
  expect_error("(x", 3, "Symbol ) expected.", true);
}

TEST_F(CompilerTest, RecompilingFails) {
  CCode code("x = 1", false);
  ASSERT_TRUE(code.compile());
  EXPECT_FALSE(code.compile());
  EXPECT_EQ(last_error_message(),
            compose_error("x = 1", true, 1, "Internal Error: Recompiling compiled code."));
  EXPECT_TRUE(code.compiled());
  // A failed compilation leaves the piece uncompiled, and the next one starts afresh.
  CCode broken("x = ", false);
  EXPECT_FALSE(broken.compile());
  EXPECT_FALSE(broken.compiled());
  CCode fine("y = 2", false);
  EXPECT_TRUE(fine.compile());
  EXPECT_FALSE(error_flag());
}

TEST_F(CompilerTest, HostileNestingFailsCleanly) {
  expect_compiles("x = " + std::string(200, '(') + "1" + std::string(200, ')'));
  std::string chain = "x = y";
  for (int i = 0; i < 900; ++i) chain += " + y";
  expect_compiles(chain);
  std::string branches = "if a x = 1";
  for (int i = 0; i < 400; ++i) branches += " else if a x = 1";
  expect_compiles(branches);

  for (const std::string& source :
       {"x = " + std::string(100000, '('), "x = " + std::string(100000, '-') + "1",
        std::string(100000, '{'), "x = y" + std::string(100000, '+') + "y",
        [] {
          std::string text = "x = y";
          for (int i = 0; i < 100000; ++i) text += "+y";
          return text;
        }(),
        [] {
          std::string text = "x = a";
          for (int i = 0; i < 100000; ++i) text += ".a";
          return text;
        }()}) {
    auto code = compiled(source);
    EXPECT_EQ(code, nullptr);
    EXPECT_NE(last_error_message().find("at position"), std::string::npos);
  }
}

}  // namespace
}  // namespace vn
