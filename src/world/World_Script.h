// The language's view of the running room: instances by id, by object (with its
// descendants) and all of them, for scoped variables and with statements.
#pragma once

namespace vn {

// Makes the current room the world the language reaches.
void install_script_world();

}  // namespace vn
