// Reading a game project: a folder of JSON files, scripts and pictures that a person
// can edit, made into the game model that the game file is written from.
#pragma once

#include <filesystem>
#include <string>

#include "runner/Runner_Game.h"

namespace vn {

// Every field may be left out and takes its default; unknown fields, wrong types,
// missing files, unknown names and text that the game cannot hold are errors whose
// message names the file, the field and the problem. The game is only changed when
// reading succeeds.
bool read_project(const std::filesystem::path& folder, CGameData& game, std::string& error);

}  // namespace vn
