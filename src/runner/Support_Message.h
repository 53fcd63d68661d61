// The runner's plain message: an information box titled with the application title.
#pragma once

#include <string>

namespace vn {

// Windows-1252. Until set, the executable's file name without its extension.
void set_application_title(std::string title);
const std::string& application_title();

// Waits for the player's OK (or writes to standard error when there is no display).
void show_message(const std::string& text);

}  // namespace vn
