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

// Lower case in Windows-1252 (ASCII and the accented letters).
unsigned char lower_1252(unsigned char c);

// True when two Windows-1252 names are equal without regard to case.
bool same_name_ignoring_case(std::string_view a, std::string_view b);

// Where a path leads once every symbolic link on the way has been followed (the last
// component's only when follow_last), with "." and ".." applied after the links before
// them, as the kernel does; parts that do not exist yet are kept as written. Absolute.
// Empty when the links loop or go more than 40 deep.
std::filesystem::path resolve_links(const std::filesystem::path& path, bool follow_last);

// True when target, resolved as above, lies strictly inside folder (resolved in full).
bool path_inside(const std::filesystem::path& folder, const std::filesystem::path& target,
                 bool follow_last);

}  // namespace vn
