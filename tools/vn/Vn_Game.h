// Opening whatever a person hands to vn: a standalone game, a bare game file or a
// project folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "runner/Runner_Game.h"

namespace vn::tool {

struct RLoadedGame {
  CGameData game;
  std::string form;    // "project", "game file" or "standalone game"
  size_t offset = 0;   // where the game file starts within the file
  std::vector<std::string> messages;  // what the runner would have shown while reading
};

// False with the reason in error. The game is read as the runner reads it, without
// writing anything and without resolving action functions.
bool load_game(const std::filesystem::path& path, RLoadedGame& loaded, std::string& error);

// The exit statuses of every command.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

}  // namespace vn::tool
