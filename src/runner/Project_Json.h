// What reading and writing game projects share: the JSON layout, the names of event
// types and mask options, file names made from resource names, the values derived
// from the game id, and the plain-string form of a code action.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "world/Action_Class.h"

namespace vn {

using Json = nlohmann::ordered_json;

// A project that cannot be read or written; the message names the file and field.
class ProjectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

constexpr const char* kProjectFile = "game.json";

// Event types 0 ... 11 by name.
extern const std::array<const char*, 12> kEventTypeNames;
extern const std::array<const char*, 4> kMaskShapeNames;
extern const std::array<const char*, 3> kMaskBoxNames;

// The action that the plain string CODE stands for.
CAction code_action(const std::string& code);
// The code of an action that is exactly a code action, written as a plain string.
std::optional<std::string> plain_code(const CAction& action);

// Two spaces of indentation per level; a list or object nested at most two deep stays
// on one line when it fits in 100 columns. Ends with a line end.
std::string dump_json(const Json& value);

// Reals JSON cannot hold are the strings "inf", "-inf", "nan", "-nan" and, for any
// other NaN, "nan:" and the 16 hexadecimal digits of its bits.
Json real_to_json(double value);
std::optional<double> real_from_text(const std::string& text);

// Colours 0x00BBGGRR are written "#RRGGBB"; other integers as they are.
Json color_to_json(int32_t color);
std::optional<int32_t> color_from_text(const std::string& text);

// Game text (Windows-1252) for a project file.
std::string project_text(const std::string& game_text);
// Project text for the game, or a description of the first character that does not
// fit (or of the broken UTF-8) and where it starts.
bool game_text(const std::string& utf8, std::string& out, std::string& problem,
               size_t* bad_offset = nullptr);

// A name that can be used as it is for a file when reading.
bool readable_file_name(const std::string& utf8);

// File names (UTF-8) for a list of game names; null entries get an empty name. A name
// that can be a file name everywhere and is unique but for case keeps its own; the
// others get one made from it, the fallback and their position (put before the
// extension when it is kept).
std::vector<std::string> choose_file_names(const std::vector<const std::string*>& names,
                                           const std::string& fallback,
                                           bool keep_extension = false);

// Values a project may leave out, derived so that the same project always packs the same.
int32_t derived_game_id(const std::filesystem::path& folder);
std::array<uint8_t, 16> derived_guid(int32_t game_id);
int32_t derived_extension_seed(int32_t game_id, size_t package_index);
std::string derived_extension_folder(int32_t game_id, size_t package_index);

}  // namespace vn
