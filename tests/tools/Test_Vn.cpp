// The programs as a person uses them: vn pack, info and unpack, and the packed game run
// by the runner, without a display.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "Test_Support.h"
#include "platform/Platform_FileIo.h"
#include "runner/Runner_Game.h"

namespace vn {
namespace {

namespace fs = std::filesystem;
using test::quoted;
using test::run_command;

const fs::path kMinimal = fs::path(VN_SOURCE_DIR) / "examples" / "minimal";

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
  size_t runner_size = fs::file_size(VNRUN_PATH);
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
  EXPECT_EQ(run_command(vn("")).status, 2);
  EXPECT_EQ(run_command(vn("frobnicate")).status, 2);
  EXPECT_EQ(run_command(vn("pack")).status, 2);
  for (const char* command : {"--help", "pack --help", "unpack --help", "info --help"}) {
    auto help = run_command(vn(command));
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_FALSE(help.out.empty()) << command;
  }
  test::ScratchDir scratch("vn_usage");
  auto missing = run_command(vn("info " + quoted(scratch / "nothing")));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.err.find("nothing"), std::string::npos);
}

TEST(Vn, RefusesARunnerThatAlreadyHoldsAGame) {
  test::ScratchDir scratch("vn_runner");
  fs::path game = scratch / "game";
  ASSERT_EQ(run_command(vn("pack " + quoted(kMinimal) + " -o " + quoted(game))).status, 0);
  auto refused =
      run_command(vn("pack " + quoted(kMinimal) + " --runner " + quoted(game) + " -o " +
                     quoted(scratch / "twice")));
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("already holds a game"), std::string::npos) << refused.err;
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
  cases.push_back({"runner only", {bytes.begin(), bytes.begin() + ptrdiff_t(offset)},
                   "Error: Not a valid game file."});
  std::vector<uint8_t> version = bytes;
  version[offset + 4] ^= 1;
  cases.push_back({"version", version, "Error: Wrong version number."});
  std::vector<uint8_t> settings = bytes;
  settings[offset + 12] ^= 1;
  cases.push_back({"settings", settings, "Error: Error in resource data."});
  cases.push_back({"truncated", {bytes.begin(), bytes.end() - 40},
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
}

}  // namespace
}  // namespace vn
