#include "Vn_Game.h"

#include <cstring>

#include "platform/Platform_FileIo.h"
#include "runner/Project_Read.h"
#include "support/Support_Text.h"

namespace vn::tool {

bool load_game(const std::filesystem::path& path, RLoadedGame& loaded, std::string& error) {
  std::error_code status;
  if (std::filesystem::is_directory(path, status)) {
    loaded.form = "project";
    return read_project(path, loaded.game, error);
  }
  std::vector<uint8_t> bytes;
  if (!read_file(path, bytes, error)) {
    return false;
  }
  CStream stream(std::move(bytes));
  int32_t first = 0;
  if (stream.size() >= 4) std::memcpy(&first, stream.data(), 4);
  if (first == kGameMagic) {
    loaded.form = "game file";
    loaded.offset = 0;
  } else if (std::optional<size_t> offset = locate_game_file(stream)) {
    loaded.form = "standalone game";
    loaded.offset = *offset;
  } else {
    error = path.string() + ": not a valid game file: " +
            (stream.size() == 0 ? "the file is empty" : "no game data is in it");
    return false;
  }
  stream.seek(loaded.offset);
  RGameLoadHooks hooks;
  hooks.record.message = [&](const std::string& message) { loaded.messages.push_back(message); };
  bool read = false;
  try {
    read = read_game_data(stream, loaded.game, hooks);
  } catch (const StreamError&) {
    loaded.messages.push_back("Failed to load the game data. File seems corrupted.");
  }
  if (!read) {
    // The runner's messages start with "Error: " where a player needs telling; after the
    // path a second "Error" says nothing.
    error = path.string() + ":";
    for (const std::string& message : loaded.messages) {
      const bool prefixed = message.rfind("Error: ", 0) == 0;
      error += " " + cp1252_to_utf8(prefixed ? message.substr(7) : message);
    }
    return false;
  }
  return true;
}

}  // namespace vn::tool
