// Paths as the games write them, made into paths of this system: "\" is a separator,
// a drive letter at the start is dropped, names are Windows-1252, and a name that
// does not exist as written matches an entry of the same folder without regard to
// case (the games were written for a case-insensitive file system).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vn {

std::filesystem::path game_path(std::string_view name);

// folder + "\" + name, as a game would form it.
std::filesystem::path join_game_path(std::string_view folder, std::string_view name);

// True when two Windows-1252 names are equal without regard to case.
bool same_name_ignoring_case(std::string_view a, std::string_view b);

}  // namespace vn
