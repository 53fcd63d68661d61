// Variable identifiers: 0 ... 499 are built-in variables, 100000 + k the user name at
// position k of the user-name list, which the whole game shares.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vn {

constexpr int32_t kFirstUserVariable = 100000;

// Name to identifier: the built-in variable of that name, else the user name (appended
// when new). Comparisons are exact and case-sensitive.
int32_t variable_id(std::string_view name);
// The user identifier of a name (appended when new), ignoring built-in variables.
int32_t user_variable_id(std::string_view name);
// "<unknown built-in variable>" or "<unknown variable>" outside the known ranges.
std::string variable_name(int32_t id);
size_t user_name_count();

inline bool is_user_variable(int32_t id) { return id >= kFirstUserVariable; }

}  // namespace vn
