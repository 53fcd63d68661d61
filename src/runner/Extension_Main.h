// Extension packages at run time: their functions offered to the function registry, their
// constants, library functions bound and script functions compiled, the initialisation
// and finalisation functions, and the calls.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "runner/Extension_Class.h"
#include "script/Code_Value.h"
#include "script/Instance_Base.h"

namespace vn {

// From now on the registry resolves names to the functions of these packages (not owned;
// null: none). Set before the game is read, so that action functions and code read with
// it already see the package functions; clears what the previous packages prepared.
void use_extension_packages(const std::vector<CExtensionPackage>* packages);

// Writes the library and other files of the packages into their folders, for a game read
// without a temp folder; false when one cannot be written.
bool extract_extension_packages(const std::filesystem::path& temp_folder);

// The registry's look-ups: the id of the first function of that name in load order (-1
// when none), the argument count of an id (-100 when none) and its name.
int32_t find_extension_function(std::string_view name);
int extension_argument_count(int32_t id);
std::string extension_function_name(int32_t id);

// Defines the packages' constants, binds their library functions (library files found in
// temp_folder / package folder) and compiles their script functions. False when a constant
// is not valid (its message box was shown) or a script function does not compile (a fatal
// error was reported).
bool prepare_extensions(const std::string& temp_folder);

// Runs the initialisation (finalisation) functions of every file in load order. A fatal
// error (secure mode, a missing function, a failed call) stops them; initialisation then
// returns false.
bool initialize_extensions();
void finalize_extensions();

// Runs extension function `id`. False when it failed: an unknown id (no message), secure
// mode, a script function without code or whose code failed (its message is recorded,
// prefixed with the function's name).
bool call_extension(int32_t id, CInstanceBase* self, CInstanceBase* other, int argc,
                    const RValue* args, RValue& result);

}  // namespace vn
