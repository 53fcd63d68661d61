// The game's scripts: found by name, compiled at preparation, called from code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "script/Script_Class.h"
#include "support/Support_Record.h"

namespace vn {

// The list in use (owned by the game); null: no scripts.
void set_scripts(TResourceList<CScript>* scripts);
TResourceList<CScript>* scripts();
// Call after names change at run time.
void scripts_changed();

// Compiles every existing script as a program, in index order; the first failure is the
// fatal error "COMPILATION ERROR in Script: " + name + CR + message and stops.
bool compile_scripts();

bool script_exists(int64_t index);
// "<undefined>" for an index that is not an existing script.
std::string script_name(int64_t index);
// The first existing script of that name, or -1.
int32_t find_script(std::string_view name);
CScript* script_get(int64_t index);

}  // namespace vn
