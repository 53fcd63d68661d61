// The constant table: names that are neither functions nor variables resolve at compile
// time to a value. Resource names come first, then trigger constants, then the table
// searched from its last entry, so the latest definition wins.
#pragma once

#include <functional>
#include <string_view>

#include "script/Code_Value.h"

namespace vn {

void add_constant(std::string_view name, const RValue& value);
void add_real_constant(std::string_view name, double value);

// Resource names (objects, sprites, sounds, backgrounds, paths, fonts, time lines,
// scripts, rooms) and trigger constant names, in that order; the game supplies it.
void set_resource_constants(std::function<bool(std::string_view name, double& value)> lookup);

bool find_constant(std::string_view name, RValue& value);

// The table back to the built-in constants alone (the 289 of the runner, in order).
void reset_constants();
size_t constant_count();

}  // namespace vn
