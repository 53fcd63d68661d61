// vn unpack: a game made back into a project folder.
#include <iostream>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "runner/Project_Write.h"
#include "support/Support_Text.h"

namespace vn::tool {

int run_unpack(const UnpackOptions& options) {
  RLoadedGame loaded;
  std::string error;
  if (!load_game(options.game, loaded, error)) {
    std::cerr << "vn unpack: " << error << "\n";
    return kExitFailed;
  }
  for (const std::string& message : loaded.messages) {
    std::cerr << "vn unpack: while reading: " << cp1252_to_utf8(message) << "\n";
  }
  if (!write_project(loaded.game, options.output, error)) {
    std::cerr << "vn unpack: " << error << "\n";
    return kExitFailed;
  }
  return kExitOk;
}

}  // namespace vn::tool
