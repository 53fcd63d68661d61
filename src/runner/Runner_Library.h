// Every built-in function and variable a game can use, registered once at start by the
// runner and by the tools that run script text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace vn {

// Safe to call more than once; only the first call registers.
void register_game_library();

// A family of built-ins and the ids it took in the function and the variable registries,
// [first, end) in each: both registries only append, so a family's ids are consecutive.
struct RBuiltinFamily {
  std::string_view name;
  int32_t first_function = 0;
  int32_t end_function = 0;
  int32_t first_variable = 0;
  int32_t end_variable = 0;
};
// In registration order; empty before register_game_library. What was registered before
// it (a test that registers the language alone) is in no family.
const std::vector<RBuiltinFamily>& builtin_families();

}  // namespace vn
