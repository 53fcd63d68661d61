// Functions of native libraries bound by games (external_define) and by extension
// packages, and their calls.
#pragma once

#include <string>
#include <vector>

#include "script/Code_Value.h"

namespace vn {

// Binds a function of a library; the index of its entry, or -1 (nothing appended).
// convention: 1 stdcall, any other value cdecl (both mean the platform's C convention).
// string_arguments.size() is the argument count; true marks a string argument.
int define_external(const std::string& library, const std::string& name, int convention,
                    bool result_is_string, const std::vector<bool>& string_arguments);
// Why the last define_external returned -1 ("" when it did not fail): for the one-line
// report per library of extension packages.
const std::string& external_define_failure();
// Calls entry `index` with `argc` arguments. Nothing is called and result is the real 0
// when the index does not exist, argc differs from the defined count or the library was
// freed; returns whether the call happened.
bool call_external(int index, int argc, const RValue* args, RValue& result);
// external_free: unloads the library (case-insensitive name) once, all its entries stop.
void free_external_library(const std::string& library);
// Unloads every library still loaded and empties the table (game end, process end).
void clear_external_functions();
void register_external_functions();  // the external_ family

}  // namespace vn
