// Extension packages: script files split into functions, package functions found and
// called as the registry resolves names, initialisation and finalisation in load order,
// library functions bound through the native library beside a package's DLL, and the
// messages of every failure.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Test_Support.h"
#include "library/Support_Registry.h"
#include "runner/Extension_Class.h"
#include "runner/Extension_Main.h"
#include "runner/Runner_Library.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Variable_BuiltIn.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const std::string kNoDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY ";

std::vector<uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

CExtensionFunction function_named(const std::string& name, const std::string& external, int id,
                                  int argument_count) {
  CExtensionFunction function;
  function.name = name;
  function.external_name = external;
  function.id = id;
  function.argument_count = argument_count;
  return function;
}

TEST(ExtensionScripts, SplitAtDefineLinesWhateverTheLineEnds) {
  CExtensionFile file;
  file.kind = kExtensionScripts;
  file.functions = {function_named("add", "add", 0, 2), function_named("twice", "add", 1, 2),
                    function_named("hollow", "hollow", 2, 0),
                    function_named("missing", "missing", 3, 0)};
  const std::string body = "var s;\r\ns = argument0 + argument1;\r\nreturn s;";
  for (const std::string& text :
       {"// before any define\r\n#define add \r\n" + body + "\r\n#define hollow\r\n",
        "#define add\n" + std::string("var s;\ns = argument0 + argument1;\nreturn s;") +
            "\n#define hollow",
        "#define add\r" + std::string("var s;\rs = argument0 + argument1;\rreturn s;") +
            "\r#define hollow\r"}) {
    file.data = bytes_of(text);
    file.assign_script_codes();
    EXPECT_EQ(file.functions[0].code, body) << text;
    // Every function whose external name is the script's takes its text.
    EXPECT_EQ(file.functions[1].code, body) << text;
    EXPECT_EQ(file.functions[2].code, "") << text;
    EXPECT_EQ(file.functions[3].code, "") << text;
  }
}

class ExtensionCalls : public ::testing::Test {
 protected:
  void SetUp() override { register_game_library(); }
  void TearDown() override {
    use_extension_packages(nullptr);
    clear_error_flag();
  }
};

TEST_F(ExtensionCalls, ArgumentsAreTheCallsAndComeBackAfterwards) {
  std::vector<CExtensionPackage> packages(2);
  CExtensionFile scripts;
  scripts.kind = kExtensionScripts;
  scripts.functions = {function_named("join", "join", 0, -1),
                       function_named("broken", "broken", 1, 0),
                       function_named("hollow", "hollow", 2, 0),
                       // A stored id this large must neither be sized for nor reachable.
                       function_named("huge", "join", 2147400000, -1)};
  scripts.data = bytes_of(
      "#define join\r\nreturn string(argument0) + argument1 + string(argument2);\r\n"
      "#define broken\r\nreturn nothing_here;\r\n#define hollow\r\n");
  scripts.assign_script_codes();
  packages[0].name = "First";
  packages[0].files.push_back(scripts);
  CExtensionFile later;
  later.kind = kExtensionScripts;
  later.functions = {function_named("join", "join", 7, 0)};
  later.data = bytes_of("#define join\r\nreturn \"later\";");
  later.assign_script_codes();
  packages[1].name = "Second";
  packages[1].files.push_back(later);
  use_extension_packages(&packages);
  ASSERT_TRUE(prepare_extensions(""));

  // The first package in load order has the name.
  EXPECT_EQ(find_extension_function("join"), 0);
  EXPECT_EQ(find_extension_function("huge"), -1);
  EXPECT_EQ(find_extension_function("nowhere"), -1);
  EXPECT_EQ(extension_argument_count(0), -1);
  EXPECT_EQ(extension_argument_count(2147400000), -100);
  EXPECT_EQ(extension_function_name(7), "join");
  EXPECT_EQ(extension_function_name(99), "<undefined>");

  for (int i = 0; i < 4; ++i) set_argument(i, RValue("caller " + std::to_string(i)));
  CInstanceBase self(100001, 0);
  RValue args[2] = {RValue(5.0), RValue(" and ")};
  RValue result;
  ASSERT_TRUE(call_extension(0, &self, &self, 2, args, result));
  // The slots past the call's arguments read real 0 inside the function.
  EXPECT_EQ(result.string.str(), "5 and 0");
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(argument_value(i).string.str(), "caller " + std::to_string(i));

  EXPECT_FALSE(call_extension(1, &self, &self, 0, nullptr, result));
  EXPECT_EQ(last_error_message().rfind("In extension function broken:\r", 0), 0u)
      << last_error_message();
  EXPECT_EQ(argument_value(0).string.str(), "caller 0");
  clear_error_flag();
  // Neither a function without code nor an unknown id runs, and neither says why itself.
  EXPECT_FALSE(call_extension(2, &self, &self, 0, nullptr, result));
  EXPECT_FALSE(call_extension(3, &self, &self, 0, nullptr, result));
  EXPECT_FALSE(error_flag());
}

class CShownErrors final : public IErrorDisplay {
 public:
  ErrorChoice show(const std::string& message, bool fatal) override {
    shown.push_back((fatal ? "fatal: " : "") + message);
    return ErrorChoice::Ignore;
  }
  std::vector<std::string> shown;
};

TEST_F(ExtensionCalls, SecureModeRefusesInitialisationAndCalls) {
  std::vector<CExtensionPackage> packages(1);
  CExtensionFile scripts;
  scripts.kind = kExtensionScripts;
  scripts.init_function = "start";
  scripts.functions = {function_named("start", "start", 0, 0)};
  scripts.data = bytes_of("#define start\r\nreturn 1;");
  scripts.assign_script_codes();
  packages[0].files.push_back(scripts);
  use_extension_packages(&packages);
  ASSERT_TRUE(prepare_extensions(""));
  CShownErrors errors;
  set_error_display(&errors);
  run_state().secure_mode = true;
  EXPECT_FALSE(initialize_extensions());
  // After a fatal error nothing more is shown; a call is refused on its own too.
  reset_error_state();
  CInstanceBase self(100001, 0);
  RValue result;
  EXPECT_FALSE(call_extension(0, &self, &self, 0, nullptr, result));
  // The refusal is the message the calling code reports at the call, once.
  EXPECT_EQ(take_call_failure_message(), "In secure mode you cannot use extension packages.");
  run_state().secure_mode = false;
  set_error_display(nullptr);
  reset_error_state();
  ASSERT_EQ(errors.shown.size(), 1u);
  EXPECT_EQ(errors.shown[0], "fatal: In secure mode you cannot use extension packages.");
}

// A project folder with one object whose creation code is given, and the packages given
// as the JSON of game.json's extensions.
void write_project(const fs::path& folder, const std::string& extensions, const std::string& code) {
  test::write_text(folder / "game.json", R"({"game_id": 12, "objects": ["obj_main"], )"
                                         R"("rooms": ["rm_main"], "extensions": )" +
                                             extensions + "}");
  test::write_text(
      folder / "objects" / "obj_main.json",
      R"({"events": [{"type": "create", "actions": [")" + test::json_escaped(code) + R"("]}]})");
  test::write_text(folder / "rooms" / "rm_main.json",
                   R"({"instances": [{"x": 0, "y": 0, "object": "obj_main"}]})");
}

test::RCommandResult play(const fs::path& game) {
  return run_command(kNoDisplay + quoted(VN_PATH) + " run --headless --fixed-clock --steps 5 " +
                     quoted(game));
}

TEST(ExtensionGame, PackedGameRunsPackageFunctionsBetweenInitialisationAndFinalisation) {
  const fs::path project = fs::path(VN_SOURCE_DIR) / "tests" / "runner" / "extension_game";
  const std::string expected = test::read_text(project / "expected.log");
  test::ScratchDir scratch("extension_packed");
  auto packed =
      run_command(quoted(VN_PATH) + " pack " + quoted(project) + " -o " + quoted(scratch / "game"));
  ASSERT_EQ(packed.status, 0) << packed.err;
  // The standalone game writes the package files while it reads the game; vn run later.
  auto standalone = run_command(kNoDisplay + quoted(scratch / "game"));
  EXPECT_EQ(standalone.status, 0) << standalone.err;
  EXPECT_EQ(standalone.out, expected);
  auto run = play(scratch / "game");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, expected);
  EXPECT_EQ(run.err, "");
}

std::string script_package(const std::string& name, const std::string& init,
                           const std::string& functions) {
  return R"([{"name": ")" + name + R"(", "files": [{"name": "code.vns", "kind": 2, "init": ")" +
         init + R"(", "data": "code.vns", "functions": [)" + functions + "]}]}]";
}

TEST(ExtensionGame, FailuresNameTheirPackageOrFunction) {
  test::ScratchDir scratch("extension_failures");
  struct Case {
    std::string name, init, functions, text, code, out, err;
  };
  const std::vector<Case> cases = {
      {"broken_code", "", R"({"name": "bad", "id": 0, "argument_count": 0})",
       "#define bad\nreturn (;\n", "show_debug_message(\"ran\");", "",
       "COMPILATION ERROR in extension package Broken"},
      {"missing_init", "start_up", R"({"name": "other", "id": 0, "argument_count": 0})",
       "#define other\nreturn 1;\n", "show_debug_message(\"ran\");", "",
       "Could not locate initialization function start_up"},
      {"failing_init", "start_up", R"({"name": "start_up", "id": 0, "argument_count": 0})",
       "#define start_up\nx = nothing_here;\n", "show_debug_message(\"ran\");", "",
       "In extension function start_up:"},
      {"failing_call", "", R"({"name": "fails", "id": 0, "argument_count": 0})",
       "#define fails\nreturn nothing_here;\n", "fails(); show_debug_message(\"after\");", "",
       "In extension function fails:"},
      {"empty_function", "", R"({"name": "hollow", "id": 0, "argument_count": 0})",
       "#define hollow\n", "hollow(); show_debug_message(\"after\");", "",
       "Trying to call an extension function that failed."},
  };
  for (const Case& c : cases) {
    const fs::path folder = scratch / c.name;
    write_project(folder, script_package("Broken", c.init, c.functions), c.code);
    test::write_text(folder / "code.vns", c.text);
    auto run = play(folder);
    EXPECT_EQ(run.out, c.out) << c.name;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << c.name << ": " << run.err;
  }
}

// In secure mode a call of a package function fails with the refusal as its own message,
// at the place of the call, and nothing else is said about it.
TEST(ExtensionGame, SecureModeRefusesTheCallWhereItIs) {
  test::ScratchDir scratch("extension_secure");
  const fs::path folder = scratch / "game";
  write_project(folder,
                script_package("Guarded", "", R"({"name": "twice", "id": 0, "argument_count": 1})"),
                "x = twice(2);");
  test::write_text(folder / "code.vns", "#define twice\nreturn argument0 * 2;\n");
  set_registry_folder(scratch / "varnock");
  registry_store().write(
      registry_key_path(kCurrentUser, "Software\\Varnock\\Version 8\\Preferences"), "Warning",
      RRegistryValue{true, 1.0, ""});
  set_registry_folder(scratch / "elsewhere");
  auto run =
      run_command("XDG_CONFIG_HOME=" + quoted(scratch.path()) + " " + kNoDisplay + quoted(VN_PATH) +
                  " run --headless --fixed-clock --steps 2 " + quoted(folder));
  EXPECT_NE(run.err.find("In secure mode you cannot use extension packages."), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("x = twice(2);"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("Trying to call"), std::string::npos) << run.err;
}

TEST(ExtensionGame, LibraryFunctionsCallTheNativeBuildBesideTheDll) {
  test::ScratchDir scratch("extension_library");
  const fs::path project = scratch / "project";
  fs::create_directories(project);
  fs::copy_file(VN_EXAMPLE_LIBRARY, project / "libexample.so");
  test::write_text(project / "example.dll", "MZ not a library for this system");
  // The native build travels in the package as a plain file beside the DLL.
  const std::string extensions = R"([{"name": "Native", "files": [
      {"name": "example.dll", "kind": 1, "data": "example.dll", "functions": [
        {"name": "nat_add", "external_name": "ex_add", "convention": 12, "id": 0,
         "argument_count": 2},
        {"name": "nat_join", "external_name": "ex_join", "id": 1, "argument_count": 3,
         "argument_types": [1, 2, 1], "result_type": 1},
        {"name": "nat_length", "external_name": "ex_length", "id": 2, "argument_count": 1,
         "argument_types": [1]},
        {"name": "nat_any", "external_name": "ex_answer", "id": 3, "argument_count": -1}]},
      {"name": "libexample.so", "kind": 4, "data": "libexample.so"}]},
    {"name": "Windows", "files": [
      {"name": "windows.dll", "kind": 1, "data": "example.dll", "functions": [
        {"name": "win_one", "id": 4, "argument_count": 1},
        {"name": "win_two", "id": 5, "argument_count": 0}]}]}])";
  write_project(project, extensions,
                "show_debug_message(string(nat_add(2.5, 4)));"
                "show_debug_message(nat_join(\"left\", 3, \"right\"));"
                "show_debug_message(string(nat_length(\"hello\")));"
                // A variable count matches no call: nothing is called.
                "show_debug_message(string(nat_any()));"
                "show_debug_message(string(win_one(1) + win_two()));"
                "game_end();");
  auto packed =
      run_command(quoted(VN_PATH) + " pack " + quoted(project) + " -o " + quoted(scratch / "game"));
  ASSERT_EQ(packed.status, 0) << packed.err;
  auto run = play(scratch / "game");
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "6.50\nleft|3|right\n5\n0\n0\n");
  // The library that cannot load is named once, with the reason, however many functions
  // it has.
  EXPECT_NE(run.err.find("Extension package Windows: cannot bind win_one from windows.dll: "),
            std::string::npos)
      << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
}

}  // namespace
}  // namespace vn
