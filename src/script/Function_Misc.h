// The built-in functions that run code and reach variables by name, and the debug
// message; the event, external-library, clipboard and date members join their families.
#pragma once

#include <functional>
#include <string>

namespace vn {

void register_misc_functions();

// Where show_debug_message writes (Windows-1252 text, one message per call); unset it
// writes a line to standard output and flushes, so the order of output is kept.
void set_debug_output(std::function<void(const std::string&)> output);

}  // namespace vn
