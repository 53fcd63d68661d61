// Arbitrary bytes as a bare game file: every outcome but a crash, a hang or a huge
// allocation is fine.
#include <cstddef>
#include <cstdint>

#include "runner/Runner_Game.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vn::CStream stream(std::vector<uint8_t>(data, data + size));
  vn::CGameData game;
  vn::RGameLoadHooks hooks;
  hooks.record.message = [](const std::string&) {};
  hooks.record.resolve_function = [](const std::string&) { return -1; };
  try {
    if (vn::read_game_data(stream, game, hooks)) {
      // What was read must write back without trouble.
      vn::write_game_data(game);
    }
  } catch (const vn::StreamError&) {
  }
  return 0;
}
