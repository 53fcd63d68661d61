// Native functions bound and called by games: the example library with reals and strings,
// wrong counts, freed libraries, where libraries are looked for, and secure mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "../script/Script_Test_Support.h"
#include "Test_Support.h"
#include "runner/Support_DLL.h"
#include "script/Variable_BuiltIn.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;
using Strings = std::vector<std::string>;

const std::string kLibrary = VN_EXAMPLE_LIBRARY;

class ExternalFunctions : public test::ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    set_context_names({});  // messages alone, whatever ran before in this process
    static bool registered = (register_external_functions(), true);
    (void)registered;
    run_state().secure_mode = false;
    run_state().program_directory = scratch_.path().string();
  }
  void TearDown() override {
    clear_external_functions();
    run_state().secure_mode = false;
    run_state().program_directory.clear();
    ScriptTest::TearDown();
  }

  // Program text with LIB standing for the example library's quoted path.
  std::string value(std::string source) {
    for (size_t at; (at = source.find("LIB")) != std::string::npos;) {
      source.replace(at, 3, "\"" + kLibrary + "\"");
    }
    return value_of(source);
  }

  test::ScratchDir scratch_{"external"};
};

TEST_F(ExternalFunctions, RealsAndStringsGoInAndComeBack) {
  EXPECT_EQ(value("f = external_define(LIB, 'ex_add', dll_cdecl, ty_real, 2, ty_real, ty_real);"
                  "return external_call(f, 2, 3.5);"),
            "5.5");
  EXPECT_EQ(value("f = external_define3(LIB, 'ex_join', ty_string, ty_real, ty_string, ty_string);"
                  "return external_call3(f, 'left', 2.5, 'right');"),
            "'left|2.5|right'");
  // An argument of the other kind passes as 0 or the empty string.
  EXPECT_EQ(value("f = external_define3(LIB, 'ex_join', ty_string, ty_real, ty_string, ty_string);"
                  "return external_call(f, 7, 'x', 8);"),
            "'|0|'");
  // Both conventions reach the same C function.
  EXPECT_EQ(value("f = external_define(LIB, 'ex_length', dll_stdcall, ty_real, 1, ty_string);"
                  "return external_call1(f, 'four');"),
            "4");
  EXPECT_EQ(value("return external_call0(external_define0(LIB, 'ex_answer', ty_real));"), "42");
  EXPECT_EQ(value("return external_call0(external_define0(LIB, 'ex_nothing', ty_string));"), "''");
  // Five reals, through both forms, each in its own place.
  EXPECT_EQ(value("f = external_define5(LIB, 'ex_weigh5', ty_real);"
                  "return external_call5(f, 1, 2, 3, 4, 5);"),
            "54321");
  EXPECT_EQ(value("f = external_define(LIB, 'ex_weigh5', 0, 0, 5, 0, 0, 0, 0, 0);"
                  "return external_call(f, 5, 4, 3, 2, 1);"),
            "12345");
  EXPECT_TRUE(display_.shown.empty()) << display_.shown.front();

  // Sixteen reals, which only the packages' path can bind.
  int all = define_external(kLibrary, "ex_weigh16", 0, false, std::vector<bool>(16, false));
  ASSERT_GE(all, 0);
  RValue args[16];
  for (int i = 0; i < 16; ++i) args[i] = RValue(double(i + 1));
  RValue result;
  EXPECT_TRUE(call_external(all, 16, args, result));
  EXPECT_EQ(result.real, 1496);  // the sum of the squares of 1 … 16
}

TEST_F(ExternalFunctions, WrongCountsAndFreedLibrariesCallNothing) {
  EXPECT_EQ(value("global.a = external_define1(LIB, 'ex_count', ty_real, ty_real);"
                  "global.b = external_define1(LIB, 'ex_count', ty_real, ty_real);"
                  "global.c = external_define0(LIB, 'ex_answer', ty_real);"
                  "return external_call(global.a, 1);"),
            "1");
  EXPECT_EQ(value("return external_call(global.a);"), "0");
  EXPECT_EQ(value("return external_call(global.a, 1, 1);"), "0");
  EXPECT_EQ(value("return external_call(global.a + 10, 1);"), "0");
  EXPECT_EQ(value("return external_call(-1, 1);"), "0");
  EXPECT_EQ(value("return external_call(global.b, 1);"), "2");  // the refused calls never ran

  // Named in another case, the library goes once and all three of its functions stop.
  EXPECT_EQ(value("external_free(string_upper(LIB));"
                  "return string(external_call(global.a, 1)) + string(external_call(global.b, 1))"
                  " + string(external_call0(global.c));"),
            "'000'");
  EXPECT_EQ(value("external_free(LIB); return external_call0(global.c);"), "0");
  // Bound again, it is loaded afresh.
  EXPECT_EQ(value("return external_call0(external_define0(LIB, 'ex_answer', ty_real));"), "42");
  EXPECT_TRUE(display_.shown.empty());
}

TEST_F(ExternalFunctions, DefinitionErrorsAreReportedAndTheScriptGoesOn) {
  test::RScriptRun outcome =
      run("a = external_define('x.dll', 'f', 0, 0, 2, 0);"
          "b = external_define('x.dll', 'f', 0, 0);"
          "c = external_define(\"" +
          kLibrary +
          "\", 'ex_weigh5', 0, 0, 5, 0, 0, ty_string, 0, 0);"
          "d = external_define(\"" +
          kLibrary +
          "\", 'no_such_function', 0, 0, 0);"
          "e = external_define1('no_such_library.dll', 'f', 0, 0);"
          "return string(a) + ',' + string(c) + ',' + string(d) + ',' + string(e);");
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(outcome.result.string.str(), "0,0,-1,-1");
  EXPECT_EQ(outcome.shown, (Strings{"Wrong number of arguments to external_define()",
                                    "Wrong number of arguments to external_define()",
                                    "DLL functions with more than 4 arguments cannot have string "
                                    "arguments",
                                    "Error defining an external function.",
                                    "Error defining an external function."}));

  // What the packages' report says about each failure.
  EXPECT_EQ(define_external(kLibrary, "ex_add", 0, false, std::vector<bool>(17, false)), -1);
  EXPECT_EQ(external_define_failure(), "more than 16 arguments");
  EXPECT_EQ(define_external(kLibrary, "ex_weigh5", 0, false, {false, false, true, false, false}),
            -1);
  EXPECT_NE(external_define_failure().find("string arguments"), std::string::npos);
  EXPECT_EQ(define_external(kLibrary, "missing", 0, false, {}), -1);
  EXPECT_EQ(external_define_failure(), "it has no function missing");
  EXPECT_EQ(define_external("absent.dll", "f", 0, false, {}), -1);
  EXPECT_EQ(external_define_failure(),
            "no absent.so, libabsent.so or absent.dll beside the game or on the system's "
            "library path");
  EXPECT_GE(define_external(kLibrary, "ex_answer", 0, false, {}), 0);
  EXPECT_EQ(external_define_failure(), "");
}

TEST_F(ExternalFunctions, LibrariesAreFoundBesideTheGameThenOnTheSystemPath) {
  fs::copy_file(kLibrary, scratch_ / "example.so");
  fs::create_directories(scratch_ / "Sub");
  fs::copy_file(kLibrary, scratch_ / "Sub" / "libnested.so");
  test::write_text(scratch_ / "windows.dll", "MZ\x90 not a library of this system");

  for (const char* name : {"example.dll", "EXAMPLE.DLL", "example", "sub\\nested.dll"}) {
    SCOPED_TRACE(name);
    clear_external_functions();
    EXPECT_EQ(value(std::string("return external_call0(external_define0('") + name +
                    "', 'ex_answer', ty_real));"),
              "42");
  }
  // By the game's own path too, as a package names the file it unpacked.
  EXPECT_GE(define_external((scratch_ / "example.dll").string(), "ex_answer", 0, false, {}), 0);

  // A Windows library has no build here: the loader's reason is kept for the report.
  EXPECT_EQ(define_external("windows.dll", "f", 0, false, {}), -1);
  EXPECT_NE(external_define_failure().find("windows.dll"), std::string::npos)
      << external_define_failure();

  // A name the system knows is found by the system's search.
  EXPECT_EQ(
      value("f = external_define('libm.so.6', 'cos', 0, 0, 1, 0); return external_call(f, 0);"),
      "1");
  EXPECT_TRUE(display_.shown.empty());
}

TEST_F(ExternalFunctions, SecureModeRefusesEveryExternalFunction) {
  EXPECT_EQ(value("global.f = external_define0(LIB, 'ex_answer', ty_real);"
                  "return external_call0(global.f);"),
            "42");
  run_state().secure_mode = true;
  test::RScriptRun outcome = run("a = external_define(\"" + kLibrary +
                                 "\", 'ex_answer', 0, 0, 0);"
                                 "b = external_define0(\"" +
                                 kLibrary +
                                 "\", 'ex_answer', 0);"
                                 "c = external_define5(\"" +
                                 kLibrary +
                                 "\", 'ex_weigh5', 0);"
                                 "d = external_call0(global.f);"
                                 "e = external_call(global.f);"
                                 "external_free(\"" +
                                 kLibrary +
                                 "\");"
                                 "return a + b + c + d + e;");
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(outcome.result.real, 0);
  EXPECT_EQ(outcome.shown, Strings(6, "In secure mode you cannot use DLLs"));
  run_state().secure_mode = false;
  EXPECT_EQ(value("return external_call0(global.f);"), "42");  // nothing was freed
}

TEST(ExternalGames, AGameCallsTheLibraryBesideIt) {
  test::ScratchDir scratch("external_game");
  const fs::path project = scratch / "project";
  test::write_text(project / "game.json",
                   "{\"game_id\": 7190, \"objects\": [\"obj_main\"], \"rooms\": [\"rm_main\"]}");
  test::write_text(project / "rooms" / "rm_main.json",
                   "{\"instances\": [{\"x\": 0, \"y\": 0, \"object\": \"obj_main\"}]}");
  const std::string code =
      "add = external_define2('example.dll', 'ex_add', ty_real, ty_real, ty_real);"
      "join = external_define('example.dll', 'ex_join', dll_stdcall, ty_string, 3, ty_string,"
      " ty_real, ty_string);"
      "show_debug_message(string(external_call2(add, 40, 2)));"
      "show_debug_message(external_call(join, 'a', 1, 'b'));"
      "external_free('Example.dll');"
      "show_debug_message(string(external_call2(add, 40, 2)));"
      "game_end();";
  test::write_text(project / "objects" / "obj_main.json",
                   "{\"events\": [{\"type\": \"create\", \"actions\": [\"" +
                       test::json_escaped(code) + "\"]}]}");
  fs::create_directories(scratch / "game");
  auto packed = run_command(quoted(VN_PATH) + " pack " + quoted(project) + " -o " +
                            quoted(scratch / "game" / "game"));
  ASSERT_EQ(packed.status, 0) << packed.err;
  fs::copy_file(kLibrary, scratch / "game" / "example.so");
  // Started from elsewhere: the library is found beside the game, not in the current folder.
  auto played =
      run_command("cd / && env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(scratch / "game" / "game"));
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_EQ(played.out, "42\na|1|b\n0\n");
  EXPECT_EQ(played.err, "");
}

}  // namespace
}  // namespace vn
