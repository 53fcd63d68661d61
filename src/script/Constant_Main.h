// The game's own constants and those of its extension packages: value texts evaluated
// at load, in order, each able to use the ones before it.
#pragma once

#include <string>
#include <vector>

#include "script/Code_Token.h"

namespace vn {

struct RConstant {
  std::string name;
  std::string value;
  bool operator==(const RConstant&) const = default;
};

// The name as it is defined: blanks (every byte up to 32) trimmed from both ends.
std::string trimmed_constant_name(const std::string& name);
// A letter or "_" followed by letters, digits and "_".
bool valid_constant_name(const std::string& name);
// Constants are defined before the scripts are compiled, so a value cannot call one.
bool calls_script(const RToken& node);

// Trims the name, checks it, compiles and evaluates the value; on failure the message
// box "Constant name " + name + "  is not valid." or "Value for constant " + name +
// "  is not valid." and false.
bool define_constant(const std::string& name, const std::string& value_text);
// Stops at the first failure.
bool define_game_constants(const std::vector<RConstant>& constants);

}  // namespace vn
