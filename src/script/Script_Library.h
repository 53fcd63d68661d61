// Everything the language offers at start: the built-in variables, constants and every
// family of built-in functions, registered once in a fixed order.
#pragma once

namespace vn {

// Safe to call more than once; only the first call registers.
void register_script_library();

}  // namespace vn
