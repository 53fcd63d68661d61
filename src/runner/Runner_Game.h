// The whole game file: where it sits in the executable, its header, and its sections
// in their fixed order, read into the resource models and written back.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics/Background_Class.h"
#include "graphics/Font_Class.h"
#include "graphics/Sound_Class.h"
#include "graphics/Sprite_Class.h"
#include "library/DataNew_Class.h"
#include "runner/Extension_Class.h"
#include "runner/Help_Main.h"
#include "runner/Option_Main.h"
#include "script/Constant_Main.h"
#include "script/Script_Class.h"
#include "support/Support_Record.h"
#include "world/Object_Class.h"
#include "world/Path_Class.h"
#include "world/Room_Class.h"
#include "world/TimeLine_Class.h"
#include "world/Trigger_Class.h"

namespace vn {

constexpr int32_t kGameMagic = 12364;
constexpr int32_t kGameVersion = 28681;
constexpr size_t kGameFirstOffset = 131072;
constexpr size_t kGameOffsetStep = 512;
constexpr int32_t kSectionVersion = 800;
constexpr int32_t kExtensionSectionVersion = 700;
constexpr int32_t kLibraryInitVersion = 500;
constexpr int32_t kRoomOrderVersion = 700;

struct CGameData {
  bool debug_mode = false;
  CGameSettings settings;
  std::string d3dx_name = "D3DX8.dll";
  std::vector<uint8_t> d3dx_data;
  std::vector<int32_t> main_filler;  // skipped integers at the start of the main block
  bool reserved_flag = false;
  int32_t game_id = 0;
  std::array<uint8_t, 16> guid{};
  std::vector<CExtensionPackage> extensions;
  std::vector<std::unique_ptr<CTrigger>> triggers;  // null: an empty slot
  std::vector<RConstant> constants;
  TResourceList<CSound> sounds;
  TResourceList<CSprite> sprites;
  TResourceList<CBackground> backgrounds;
  TResourceList<CPath> paths;
  TResourceList<CScript> scripts;
  TResourceList<CFont> fonts;
  TResourceList<CTimeLine> timelines;
  TResourceList<CObject> objects;
  TResourceList<CRoom> rooms;
  int32_t last_instance_id = 100000;
  int32_t last_tile_id = 10000000;
  std::vector<CDataFile> included_files;
  CGameInformation game_information;
  std::vector<std::string> library_init_code;
  std::vector<int32_t> room_order;
};

// What reading tells and needs along the way; every member may be left unset.
struct RGameLoadHooks {
  RRecordContext record;
  std::function<void(int percent, const std::string& text)> progress;
  // Called once, right after the settings have been read.
  std::function<void(const CGameSettings&, bool debug_mode)> settings_read;
  // Where the library block and the extension files go; empty: nothing is written.
  std::filesystem::path temp_folder;
};

// The first offset 131072 + 512 k holding the magic, or none.
// The first offset where a game may follow the program: past the program's own image, so
// that bytes of the program itself are never taken for a game.
size_t first_game_offset(const uint8_t* data, size_t size);
std::optional<size_t> locate_game_file(const CStream& executable);
std::optional<size_t> locate_game_file(const uint8_t* data, size_t size);

// Reads the game file starting at the stream's position (just after the magic has
// been found there, or at the magic itself). Failures are told through
// hooks.record.message with the player's messages and give false; a read past the
// end of the data raises StreamError.
bool read_game_data(CStream& stream, CGameData& game, const RGameLoadHooks& hooks);

// Locates the game file in a whole executable and reads it.
bool load_game_file(CStream& executable, CGameData& game, const RGameLoadHooks& hooks);

// The game file alone, magic first. The scrambling table and fillers are derived from
// the game id so that the same game always gives the same bytes.
std::vector<uint8_t> write_game_data(const CGameData& game);

// The skipped integers a new main block starts with, derived from the game id.
std::vector<int32_t> default_main_filler(int32_t game_id);

}  // namespace vn
