// The game projects under tests/games: each logs the events it receives and ends itself;
// its lines, followed by those of the game's end, must equal its expected.log, both when
// run here and when played headless by vn run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "Test_Support.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxSteps = 1000;

fs::path games_folder() { return fs::path(VN_SOURCE_DIR) / "tests" / "games"; }

std::vector<std::string> read_lines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::ostringstream text;
  for (const std::string& line : lines) text << line << '\n';
  return text.str();
}

class StepGames : public WorldTest, public ::testing::WithParamInterface<std::string> {};

TEST_P(StepGames, LogMatchesExpected) {
  fs::path folder = games_folder() / GetParam();
  std::string error;
  ASSERT_TRUE(load_project(folder, error)) << error;
  ASSERT_TRUE(start());
  int steps = run_steps(kMaxSteps);
  EXPECT_LT(steps, kMaxSteps) << "the game did not end by itself";
  end_game();
  std::vector<std::string> log = take_log();
  for (const std::string& shown : display_.shown) log.push_back("error: " + shown);
  fs::path expected_file = folder / "expected.log";
  if (std::getenv("VN_WRITE_EXPECTED")) {
    std::ofstream(folder / "actual.log") << joined(log);
  }
  ASSERT_TRUE(fs::exists(expected_file)) << expected_file;
  EXPECT_EQ(joined(log), joined(read_lines(expected_file)));
}

TEST_P(StepGames, PlayedByTheRunnerTheSame) {
  fs::path folder = games_folder() / GetParam();
  RCommandResult run = run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + quoted(VN_PATH) +
                                   " run --headless --fixed-clock --steps " +
                                   std::to_string(kMaxSteps) + " " + quoted(folder));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, joined(read_lines(folder / "expected.log"))) << run.err;
}

std::vector<std::string> game_names() {
  std::vector<std::string> names;
  std::error_code failure;
  for (const fs::directory_entry& entry : fs::directory_iterator(games_folder(), failure)) {
    if (fs::exists(entry.path() / "game.json")) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

INSTANTIATE_TEST_SUITE_P(Projects, StepGames, ::testing::ValuesIn(game_names()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param;
                         });

}  // namespace
}  // namespace vn::test
