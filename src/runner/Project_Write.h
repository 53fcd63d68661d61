// Writing a game as a project folder: JSON files, scripts, pictures and the stored
// files as they are, from which reading the project gives the same game back.
#pragma once

#include <filesystem>
#include <string>

#include "runner/Runner_Game.h"

namespace vn {

// The folder must not exist or be empty. False with a message naming the file and
// the problem when something cannot be written.
bool write_project(const CGameData& game, const std::filesystem::path& folder, std::string& error);

}  // namespace vn
