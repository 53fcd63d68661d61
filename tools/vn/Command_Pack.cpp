// vn pack: a project folder made into a game file, alone or after a copy of the runner.
#include <cstring>
#include <iostream>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Process.h"
#include "runner/Project_Read.h"

namespace vn::tool {

namespace {

std::filesystem::path default_runner() {
  return executable_path().parent_path() / "vnrun";
}

// The runner finds its game at the first offset 131072 + 512 k past its own image that
// holds the magic, so the game goes at the first such offset past the runner, and the
// runner must not already hold a game there.
bool append_to_runner(const std::vector<uint8_t>& runner, const std::vector<uint8_t>& game,
                      std::vector<uint8_t>& output, std::string& error) {
  size_t offset = first_game_offset(runner.data(), runner.size());
  for (; offset < runner.size(); offset += kGameOffsetStep) {
    if (offset + 4 <= runner.size()) {
      int32_t value;
      std::memcpy(&value, runner.data() + offset, 4);
      if (value == kGameMagic) {
        error = "the runner already holds a game file at offset " + std::to_string(offset) +
                "; use a runner without a game";
        return false;
      }
    }
  }
  output = runner;
  output.resize(offset, 0);
  output.insert(output.end(), game.begin(), game.end());
  return true;
}

}  // namespace

int run_pack(const PackOptions& options) {
  CGameData game;
  std::string error;
  if (!read_project(options.project, game, error)) {
    std::cerr << "vn pack: " << error << "\n";
    return kExitFailed;
  }
  std::vector<uint8_t> data = write_game_data(game);
  std::vector<uint8_t> output;
  if (options.data_only) {
    output = std::move(data);
  } else {
    std::filesystem::path runner_path = options.runner.empty() ? default_runner() : options.runner;
    std::vector<uint8_t> runner;
    if (!read_file(runner_path, runner, error)) {
      std::cerr << "vn pack: cannot read the runner: " << error << "\n";
      return kExitFailed;
    }
    if (!append_to_runner(runner, data, output, error)) {
      std::cerr << "vn pack: " << runner_path.string() << ": " << error << "\n";
      return kExitFailed;
    }
  }
  if (!write_file_atomic(options.output, output, error)) {
    std::cerr << "vn pack: cannot write the game: " << error << "\n";
    return kExitFailed;
  }
  if (!options.data_only) {
    std::error_code ignored;
    std::filesystem::permissions(options.output,
                                 std::filesystem::perms::owner_exec |
                                     std::filesystem::perms::group_exec |
                                     std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add, ignored);
  }
  return kExitOk;
}

}  // namespace vn::tool
