// Saved games: the whole world (run state, globals, every live room with its instances
// and tiles, the id counters) written to a file and read back. A load reads everything
// into new objects first and changes the world only when the whole file was good.
#pragma once

#include <string>

#include "support/Support_Stream.h"

namespace vn {

// The world as a saved-game stream.
void write_saved_game(CStream& stream);
// Reads and checks the whole stream, then replaces the world; on any failure the world is
// unchanged and the returned text is the message to report (empty on success).
std::string read_saved_game(CStream& stream, const std::string& file_name);

// game_save and game_load's work, with their messages reported as non-fatal errors.
void save_game_to_file(const std::string& file_name);
void load_game_from_file(const std::string& file_name);

}  // namespace vn
