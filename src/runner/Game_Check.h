// Compiling every piece of a game's code as the runner does when it prepares the game,
// without running any of it, so that a project with a compile error is caught when it is
// packed instead of when it is played.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace vn {

struct CGameData;

struct RCodeProblem {
  std::string file;     // the project file, such as "objects/obj_ball.json" (UTF-8)
  std::string place;    // where in it, such as "event step 0, actions[1]" (UTF-8)
  std::string message;  // the compiler's message with its line (Windows-1252, CR line ends)
};

// The project file of the resource at an index of a kind's list ("objects", "scripts",
// ...). Unset, a resource lies in KIND/NAME.json (scripts/NAME.vns).
using ResourceFileName = std::function<std::string(const std::string& kind, size_t index)>;

// The game's constants are defined first, in order; a value that the compiler cannot
// reduce to a constant is not evaluated (that would run the game's code) and its name
// stays unknown to the code after it. Then every trigger condition, script, time-line and
// object action (its code and the arguments that are expressions), library init code,
// room creation code and instance creation code is compiled. All problems are listed, in
// that order. Afterwards the compiler's tables hold the runner's own constants and no
// resource names, and the scripts in use are those before the call.
std::vector<RCodeProblem> check_game_code(const CGameData& game,
                                          const ResourceFileName& resource_file = {});

}  // namespace vn
