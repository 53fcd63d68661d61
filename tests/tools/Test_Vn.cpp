// The programs as a person uses them: vn pack, info and unpack, and the packed game run
// by the runner, without a display.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "Test_Support.h"
#include "platform/Platform_FileIo.h"
#include "runner/Runner_Game.h"
#include "support/Support_Version.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const fs::path kMinimal = fs::path(VN_SOURCE_DIR) / "examples" / "minimal";
// What vn pack copies by default: the runner without symbols, made beside it by the build.
const fs::path kStrippedRunner = fs::path(VNRUN_PATH).parent_path() / "vnrun-stripped";

std::string vn(const std::string& arguments) { return quoted(VN_PATH) + " " + arguments; }

// The runner sees no display and keeps its temp folder under the given base.
std::string game_command(const fs::path& game, const fs::path& temp_base) {
  return "env -u DISPLAY -u WAYLAND_DISPLAY TMPDIR=" + quoted(temp_base) + " " + quoted(game);
}

std::vector<uint8_t> bytes_of(const fs::path& path) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(read_file(path, bytes, error)) << error;
  return bytes;
}

void write_bytes(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::string error;
  ASSERT_TRUE(write_file_atomic(path, bytes, error)) << error;
  fs::permissions(path, fs::perms::owner_all, fs::perm_options::add);
}

int32_t int_at(const std::vector<uint8_t>& bytes, size_t offset) {
  int32_t value;
  std::memcpy(&value, bytes.data() + offset, 4);
  return value;
}

bool temp_folders_left(const fs::path& base) {
  for (const auto& entry : fs::directory_iterator(base)) {
    if (entry.path().filename().string().rfind("vn_ttt_", 0) == 0) return true;
  }
  return false;
}

TEST(Vn, PackPlacesTheGameAfterTheRunner) {
  test::ScratchDir scratch("vn_pack");
  fs::path game = scratch / "minimal";
  auto packed = run_command(vn("pack " + quoted(kMinimal) + " -o " + quoted(game)));
  ASSERT_EQ(packed.status, 0) << packed.err;

  std::vector<uint8_t> bytes = bytes_of(game);
  size_t runner_size = fs::file_size(kStrippedRunner);
  CStream stream(bytes);
  std::optional<size_t> offset = locate_game_file(stream);
  ASSERT_TRUE(offset.has_value());
  EXPECT_EQ((*offset - 131072) % 512, 0u);
  EXPECT_GE(*offset, runner_size);
  EXPECT_LT(*offset, std::max<size_t>(runner_size, 131072) + 512);
  EXPECT_EQ(int_at(bytes, *offset), 12364);
  EXPECT_EQ(int_at(bytes, *offset + 4), 28681);

  auto info = run_command(vn("info " + quoted(game)));
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("game file at offset " + std::to_string(*offset)), std::string::npos);
  EXPECT_NE(info.out.find("game_id: 1001"), std::string::npos);
  EXPECT_NE(info.out.find("objects: 1\n  0 obj_hello\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("rooms: 1\n  0 rm_start\n"), std::string::npos);
  EXPECT_NE(info.out.find("room order: 1\n  0 rm_start\n"), std::string::npos);

  // Packing twice gives the same file.
  fs::path again = scratch / "again";
  ASSERT_EQ(run_command(vn("pack " + quoted(kMinimal) + " -o " + quoted(again))).status, 0);
  EXPECT_EQ(bytes_of(again), bytes);
}

TEST(Vn, UnpackThenPackGivesTheSameGameData) {
  test::ScratchDir scratch("vn_unpack");
  fs::path first = scratch / "first.game";
  ASSERT_EQ(run_command(vn("pack --data-only " + quoted(kMinimal) + " -o " + quoted(first))).status,
            0);
  std::vector<uint8_t> data = bytes_of(first);
  EXPECT_EQ(int_at(data, 0), 12364);

  fs::path project = scratch / "project";
  auto unpacked = run_command(vn("unpack " + quoted(first) + " -o " + quoted(project)));
  ASSERT_EQ(unpacked.status, 0) << unpacked.err;
  fs::path second = scratch / "second.game";
  auto repacked = run_command(vn("pack --data-only " + quoted(project) + " -o " + quoted(second)));
  ASSERT_EQ(repacked.status, 0) << repacked.err;
  EXPECT_EQ(bytes_of(second), data);

  // An existing, non-empty folder is not overwritten.
  auto refused = run_command(vn("unpack " + quoted(first) + " -o " + quoted(project)));
  EXPECT_EQ(refused.status, 1);
}

TEST(Vn, UsageAndHelp) {
  for (const char* command : {"--help", "pack --help", "unpack --help", "info --help"}) {
    auto help = run_command(vn(command));
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_FALSE(help.out.empty()) << command;
  }
  auto version = run_command(vn("--version"));
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "vn " + project_version() + "\n");

  // Every usage error is one line that starts with the command it belongs to.
  struct Case {
    std::string arguments;
    std::string start;
  };
  const Case cases[] = {
      {"", "vn: a command is required: info, pack, run, script or unpack"},
      {"bogus", "vn: unknown command 'bogus'"},
      {"--bogus", "vn: "},
      {"pack", "vn pack: PROJECT is required"},
      {"pack " + quoted(kMinimal), "vn pack: --output is required"},
      {"pack " + quoted(kMinimal) + " -o", "vn pack: --output needs a value"},
      {"unpack a -o b c d", "vn unpack: unexpected arguments "},
      {"run --steps -3 game", "vn run: --steps: expected a whole number from 0 up, not \"-3\""},
      {"run --steps 2.5 game", "vn run: --steps: expected a whole number from 0 up, not \"2.5\""},
      {"run --seed seven game", "vn run: --seed: expected a whole number, not \"seven\""},
      {"script --bogus -e 'x = 1'", "vn script: "},
  };
  for (const Case& c : cases) {
    auto usage = run_command(vn(c.arguments));
    EXPECT_EQ(usage.status, 2) << c.arguments;
    EXPECT_EQ(usage.err.rfind(c.start, 0), 0u) << c.arguments << ": " << usage.err;
    EXPECT_EQ(std::count(usage.err.begin(), usage.err.end(), '\n'), 1) << usage.err;
    EXPECT_LT(usage.err.size(), 200u) << usage.err;
    EXPECT_EQ(usage.out, "");
  }
}

TEST(Vn, ProblemsNameThePathAsTyped) {
  test::ScratchDir scratch("vn_paths");
  const fs::path nothing = scratch / "nothing";
  auto missing = run_command(vn("info " + quoted(nothing)));
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err.rfind("vn info: " + nothing.string() + ": ", 0), 0u) << missing.err;

  auto no_project = run_command(vn("pack " + quoted(nothing) + " -o " + quoted(scratch / "x")));
  EXPECT_EQ(no_project.status, 1);
  EXPECT_EQ(no_project.err, "vn pack: " + nothing.string() + " does not exist\n");
  write_bytes(scratch / "file.gm", {});
  auto file =
      run_command(vn("pack " + quoted(scratch / "file.gm") + " -o " + quoted(scratch / "x")));
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.err, "vn pack: " + (scratch / "file.gm").string() +
                          " is not a project folder (a project is a folder holding game.json)\n");
  EXPECT_FALSE(fs::exists(scratch / "x"));

  // An empty file is no game, and the message says why once, without a second "Error".
  for (const char* command : {"info", "unpack", "run --headless"}) {
    std::string arguments = std::string(command) + " " + quoted(scratch / "file.gm");
    if (std::string(command) == "unpack") arguments += " -o " + quoted(scratch / "out");
    auto empty = run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + vn(arguments));
    EXPECT_EQ(empty.status, 1) << command;
    const std::string name = std::string(command).substr(0, std::string(command).find(' '));
    EXPECT_EQ(empty.err, "vn " + name + ": " + (scratch / "file.gm").string() +
                             ": not a valid game file: the file is empty\n");
  }
}

TEST(Vn, RefusesARunnerThatAlreadyHoldsAGame) {
  test::ScratchDir scratch("vn_runner");
  fs::path game = scratch / "game";
  ASSERT_EQ(run_command(vn("pack " + quoted(kMinimal) + " -o " + quoted(game))).status, 0);
  auto refused = run_command(vn("pack " + quoted(kMinimal) + " --runner " + quoted(game) + " -o " +
                                quoted(scratch / "twice")));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("already holds a game"), std::string::npos) << refused.err;
}

TEST(Vn, RefusesARunnerThatIsNoRunner) {
  test::ScratchDir scratch("vn_not_runner");
  struct Case {
    fs::path runner;
    std::string why;
  };
  const Case cases[] = {
      {fs::path(VN_SOURCE_DIR) / "README.md", "it is not a program"},
      {VN_PATH, "it is a program, but not vnrun"},
  };
  for (const Case& c : cases) {
    fs::path game = scratch / "game";
    auto refused = run_command(
        vn("pack " + quoted(kMinimal) + " --runner " + quoted(c.runner) + " -o " + quoted(game)));
    EXPECT_EQ(refused.status, 1) << c.runner;
    EXPECT_EQ(refused.err, "vn pack: " + c.runner.string() + " is not a runner: " + c.why +
                               " (--runner takes a vnrun)\n");
    EXPECT_FALSE(fs::exists(game));
  }
  // The runner with its symbols is a runner too.
  auto full = run_command(vn("pack " + quoted(kMinimal) + " --runner " + quoted(VNRUN_PATH) +
                             " -o " + quoted(scratch / "full")));
  EXPECT_EQ(full.status, 0) << full.err;
}

TEST(Vn, PackedGamesCarryTheStrippedRunner) {
  test::ScratchDir scratch("vn_stripped");
  fs::path game = scratch / "minimal";
  ASSERT_EQ(run_command(vn("pack " + quoted(kMinimal) + " -o " + quoted(game))).status, 0);
  const std::vector<uint8_t> runner = bytes_of(kStrippedRunner);
  const std::vector<uint8_t> packed = bytes_of(game);
  ASSERT_GT(packed.size(), runner.size());
  EXPECT_TRUE(std::equal(runner.begin(), runner.end(), packed.begin()));
  EXPECT_LT(runner.size(), fs::file_size(VNRUN_PATH));
}

// A project with an error in every kind of code; the names of its files differ from
// the resources' names where the project says so.
void write_project_with_errors(const fs::path& folder) {
  fs::create_directories(folder);
  auto put = [&](const std::string& name, const std::string& text) {
    fs::create_directories((folder / name).parent_path());
    std::ofstream(folder / name, std::ios::binary) << text;
  };
  put("game.json",
      R"({"constants": [{"name": "SPEED", "value": "3"}, {"name": "BAD", "value": "(1"}],
    "triggers": [{"name": "trig", "condition": "x >", "constant": "tr_x"}],
    "library_init_code": ["a = ;"],
    "scripts": ["scr_ok", {"name": "scr bad", "file": "scr_bad"}],
    "objects": ["obj"], "rooms": ["rm"], "timelines": ["tl"]})");
  put("scripts/scr_ok.vns", "return argument0 * SPEED + tr_x + obj;");
  put("scripts/scr_bad.vns", "x = 1;\r\ny = ;\r\n");
  put("objects/obj.json", R"({"events": [
    {"type": "step", "actions": ["x = scr_ok(1) + SPEED;", "SPEED = 4;"]},
    {"type": "create", "actions": [
      {"execution": 1, "function": "action_move_to", "argument_count": 2, "argument_kinds": [0, 1],
       "arguments": ["1 +", "not (an expression"]},
      {"kind": 6, "argument_count": 2, "arguments": ["x", "+"]}]}]})");
  put("rooms/rm.json", R"({"creation_code": "if x {",
    "instances": [{"object": "obj", "id": 100007, "code": "y = 1 + \"a\";"},
                  {"object": "obj", "code": "ok = 1;"}]})");
  put("timelines/tl.json", R"({"moments": [{"step": 3, "actions": ["for (;;"]}]})");
}

TEST(Vn, PackCompilesEveryPieceOfCode) {
  test::ScratchDir scratch("vn_pack_check");
  write_project_with_errors(scratch / "project");
  const fs::path game = scratch / "game";
  auto refused = run_command(vn("pack " + quoted(scratch / "project") + " -o " + quoted(game)));
  EXPECT_EQ(refused.status, 1);
  EXPECT_FALSE(fs::exists(game));
  // Each problem names its file and place, then the compiler's lines; in the order the
  // runner compiles them.
  const std::vector<std::string> starts = {
      "vn pack: game.json: constants[1].value (constant BAD): Error in expression:(1\n",
      "vn pack: game.json: triggers[0].condition (trigger trig): Error in expression:x >\n",
      "vn pack: scripts/scr_bad.vns: Error in code at line 2:\n   y = ;\n",
      "vn pack: timelines/tl.json: moments[0].actions[0]: Error in code at line 1:\n",
      "vn pack: objects/obj.json: event create 0, actions[0].arguments[0]: Error in expression:1 "
      "+\n",
      "vn pack: objects/obj.json: event create 0, actions[1]: Error in code at line 1:\n   x = +\n",
      "vn pack: objects/obj.json: event step 0, actions[1]: Error in code at line 1:\n"
      "   SPEED = 4;\n",
      "vn pack: game.json: library_init_code[0]: Error in code at line 1:\n",
      "vn pack: rooms/rm.json: creation_code: Error in code at line 1:\n",
      "vn pack: rooms/rm.json: instances[0].code (instance 100007): Error in code at line 1:\n",
      "vn pack: 10 pieces of code do not compile; nothing was written",
  };
  size_t at = 0;
  for (const std::string& start : starts) {
    const size_t found = refused.err.find(start, at);
    EXPECT_NE(found, std::string::npos) << start << "\nin:\n" << refused.err;
    if (found != std::string::npos) at = found + start.size();
  }
  EXPECT_EQ(std::count(refused.err.begin(), refused.err.end(), '^'), 7) << refused.err;

  // Packed all the same when asked, with the same reports.
  auto allowed =
      run_command(vn("pack --allow-errors " + quoted(scratch / "project") + " -o " + quoted(game)));
  EXPECT_EQ(allowed.status, 0);
  EXPECT_TRUE(fs::exists(game));
  EXPECT_NE(allowed.err.find("vn pack: rooms/rm.json: creation_code: "), std::string::npos);
}

TEST(Vn, PackIsQuietAboutSoundCode) {
  std::vector<fs::path> projects = {kMinimal};
  for (const auto& entry : fs::directory_iterator(fs::path(VN_SOURCE_DIR) / "tests" / "games")) {
    projects.push_back(entry.path());
  }
  test::ScratchDir scratch("vn_pack_sound");
  for (const fs::path& project : projects) {
    auto packed =
        run_command(vn("pack --data-only " + quoted(project) + " -o " + quoted(scratch / "g")));
    EXPECT_EQ(packed.status, 0) << project;
    EXPECT_EQ(packed.err, "") << project;
  }
}

TEST(Runner, PlaysAPackedGameAndRemovesItsTempFolder) {
  test::ScratchDir scratch("vnrun_play");
  // The demo plays until the player ends it; this copy ends itself once its room starts.
  fs::path project = scratch / "project";
  fs::copy(kMinimal, project, fs::copy_options::recursive);
  {
    std::ofstream room(project / "rooms" / "rm_start.json", std::ios::trunc);
    room << R"({"caption": "Minimal", "creation_code": "game_end();",)"
         << R"( "instances": [{"x": 320, "y": 240, "object": "obj_hello"}]})";
  }
  fs::path game = scratch / "minimal";
  ASSERT_EQ(run_command(vn("pack " + quoted(project) + " -o " + quoted(game))).status, 0);
  fs::path temp = scratch / "tmp";
  fs::create_directories(temp);
  auto played = run_command(game_command(game, temp));
  EXPECT_EQ(played.status, 0) << played.err;
  EXPECT_EQ(played.out, "Hello from the minimal game\n");
  EXPECT_FALSE(temp_folders_left(temp));
}

TEST(Runner, DamagedGamesEndWithTheirMessage) {
  test::ScratchDir scratch("vnrun_damaged");
  fs::path game = scratch / "minimal";
  ASSERT_EQ(run_command(vn("pack " + quoted(kMinimal) + " -o " + quoted(game))).status, 0);
  std::vector<uint8_t> bytes = bytes_of(game);
  CStream stream(bytes);
  size_t offset = *locate_game_file(stream);
  fs::path temp = scratch / "tmp";
  fs::create_directories(temp);

  struct Case {
    std::string name;
    std::vector<uint8_t> bytes;
    std::string message;
  };
  std::vector<Case> cases;
  std::vector<uint8_t> version = bytes;
  version[offset + 4] ^= 1;
  cases.push_back({"version", version, "Error: Wrong version number."});
  std::vector<uint8_t> settings = bytes;
  settings[offset + 12] ^= 1;
  cases.push_back({"settings", settings, "Error: Error in resource data."});
  cases.push_back({"truncated",
                   {bytes.begin(), bytes.end() - 40},
                   "Failed to load the game data. File seems corrupted."});
  std::vector<uint8_t> compressed = bytes;
  compressed[offset + 20] ^= 0xFF;  // the zlib header of the settings block
  cases.push_back({"zlib", compressed, "Failed to load the game data. File seems corrupted."});

  for (const Case& c : cases) {
    fs::path damaged = scratch / ("damaged_" + std::to_string(&c - cases.data()));
    write_bytes(damaged, c.bytes);
    auto played = run_command(game_command(damaged, temp));
    EXPECT_EQ(played.status, 1) << c.name << ": " << played.err;
    EXPECT_EQ(played.err, c.message + "\n") << c.name;
    EXPECT_FALSE(temp_folders_left(temp)) << c.name;
  }
  // Without its game it is a bare runner, which says what it is for.
  write_bytes(scratch / "runner_only", {bytes.begin(), bytes.begin() + ptrdiff_t(offset)});
  auto bare = run_command(game_command(scratch / "runner_only", temp));
  EXPECT_EQ(bare.status, 2);
  EXPECT_EQ(bare.err.rfind("vnrun: no game is appended to this program", 0), 0u) << bare.err;
}

}  // namespace
}  // namespace vn
