#include "runner/Runner_Game.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>

#include "platform/Platform_FileIo.h"
#include "support/Support_Text.h"

namespace vn {

namespace {

constexpr const char* kNotValid = "Error: Not a valid game file.";
constexpr const char* kWrongVersion = "Error: Wrong version number.";
constexpr const char* kResourceError = "Error: Error in resource data.";
constexpr const char* kExtensionError = "Error in loading extension packages.";

void tell(const RGameLoadHooks& hooks, const std::string& message) {
  if (hooks.record.message) hooks.record.message(message);
}

void progress(const RGameLoadHooks& hooks, int percent, const char* text) {
  if (hooks.progress) hooks.progress(percent, text);
}

// A block is at least its length.
constexpr size_t kMinBlock = 4;

// Sections 8 to 16: count compressed blocks, each an exists flag, then the name and
// the record.
template <typename T, typename Read>
void read_resource_section(CStream& stream, TResourceList<T>& list, Read read_record) {
  list.clear();
  expect_version(stream, kSectionVersion);
  size_t count = read_count(stream, kMinBlock);
  list.items.reserve(count);
  list.names.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    CStream block = read_compressed_block(stream);
    if (!read_bool(block)) {
      list.add("", nullptr);
      continue;
    }
    std::string name = read_string(block);
    auto item = std::make_unique<T>();
    read_record(*item, block);
    list.add(std::move(name), std::move(item));
  }
}

template <typename T, typename Write>
void write_resource_section(CStream& stream, const TResourceList<T>& list, Write write_record) {
  write_int(stream, kSectionVersion);
  write_int(stream, int32_t(list.size()));
  for (size_t i = 0; i < list.size(); ++i) {
    CStream block;
    write_bool(block, list.items[i] != nullptr);
    if (list.items[i]) {
      write_string(block, list.names[i]);
      write_record(*list.items[i], block);
    }
    write_compressed_block(stream, block.bytes());
  }
}

bool plain_file_name(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\") == std::string::npos && name.find('\0') == std::string::npos;
}

bool read_extensions(CStream& stream, CGameData& game, const RGameLoadHooks& hooks) {
  game.extensions.clear();
  expect_version(stream, kExtensionSectionVersion);
  size_t count = read_count(stream, 4);
  game.extensions.resize(count);
  for (CExtensionPackage& package : game.extensions) {
    try {
      package.read(stream);
    } catch (const DataError&) {
      tell(hooks, kExtensionError);
      throw;
    }
    if (!hooks.temp_folder.empty() && !package.extract(hooks.temp_folder)) {
      tell(hooks, kExtensionError);
      throw DataError("extension files could not be written");
    }
  }
  return true;
}

void read_main_sections(CStream& main, CGameData& game, const RGameLoadHooks& hooks) {
  size_t filler = read_count(main, 4);
  game.main_filler.resize(filler);
  for (int32_t& value : game.main_filler) value = read_int(main);
  game.reserved_flag = read_bool(main);
  game.game_id = read_int(main);
  main.read(game.guid.data(), game.guid.size());

  progress(hooks, 0, "Loading extension packages");
  read_extensions(main, game, hooks);

  progress(hooks, 5, "Loading triggers");
  game.triggers.clear();
  expect_version(main, kSectionVersion);
  game.triggers.resize(read_count(main, kMinBlock));
  for (std::unique_ptr<CTrigger>& trigger : game.triggers) {
    CStream block = read_compressed_block(main);
    if (read_bool(block)) {
      trigger = std::make_unique<CTrigger>();
      trigger->read(block);
    }
  }

  progress(hooks, 6, "Loading constants");
  game.constants.clear();
  expect_version(main, kSectionVersion);
  game.constants.resize(read_count(main, 8));
  for (RConstant& constant : game.constants) {
    constant.name = read_string(main);
    constant.value = read_string(main);
  }

  const RRecordContext& context = hooks.record;
  progress(hooks, 7, "Loading sounds");
  read_resource_section(main, game.sounds, [](CSound& s, CStream& b) { s.read(b); });
  progress(hooks, 10, "Loading sprites");
  read_resource_section(main, game.sprites, [](CSprite& s, CStream& b) { s.read(b); });
  progress(hooks, 23, "Loading backgrounds");
  read_resource_section(main, game.backgrounds, [](CBackground& s, CStream& b) { s.read(b); });
  progress(hooks, 30, "Loading paths");
  read_resource_section(main, game.paths, [](CPath& s, CStream& b) { s.read(b); });
  progress(hooks, 32, "Loading scripts");
  read_resource_section(main, game.scripts, [](CScript& s, CStream& b) { s.read(b); });
  progress(hooks, 34, "Loading fonts");
  read_resource_section(main, game.fonts, [](CFont& s, CStream& b) { s.read(b); });
  progress(hooks, 36, "Loading time lines");
  read_resource_section(main, game.timelines,
                        [&](CTimeLine& s, CStream& b) { s.read(b, context); });
  progress(hooks, 38, "Loading objects");
  read_resource_section(main, game.objects, [&](CObject& s, CStream& b) { s.read(b, context); });

  progress(hooks, 40, "Loading rooms");
  std::vector<RImageSize> background_sizes(game.backgrounds.size());
  for (size_t i = 0; i < game.backgrounds.size(); ++i) {
    if (const CBackground* background = game.backgrounds.get(int64_t(i))) {
      background_sizes[i] = {background->image.width(), background->image.height()};
    }
  }
  read_resource_section(main, game.rooms,
                        [&](CRoom& s, CStream& b) { s.read(b, background_sizes); });
  game.last_instance_id = read_int(main);
  game.last_tile_id = read_int(main);

  progress(hooks, 43, "Loading included files");
  game.included_files.clear();
  expect_version(main, kSectionVersion);
  game.included_files.resize(read_count(main, kMinBlock));
  for (CDataFile& file : game.included_files) {
    CStream block = read_compressed_block(main);
    file.read(block);
  }

  progress(hooks, 45, "Loading help");
  expect_version(main, kSectionVersion);
  {
    CStream block = read_compressed_block(main);
    game.game_information.read(block);
  }

  progress(hooks, 47, "Loading library init code");
  game.library_init_code.clear();
  expect_version(main, kLibraryInitVersion);
  game.library_init_code.resize(read_count(main, 4));
  for (std::string& text : game.library_init_code) text = read_string(main);

  progress(hooks, 49, "Loading room order");
  game.room_order.clear();
  expect_version(main, kRoomOrderVersion);
  size_t rooms = read_count(main, 4);
  if (rooms < 1) {
    throw DataError("the room order is empty");
  }
  game.room_order.resize(rooms);
  for (int32_t& room : game.room_order) room = read_int(main);
}

}  // namespace

namespace {

template <typename T>
T read_at(const uint8_t* data, size_t size, uint64_t at) {
  T value{};
  if (at <= size && sizeof(T) <= size - at) std::memcpy(&value, data + at, sizeof(T));
  return value;
}

// Where a 64-bit little-endian ELF program ends: past its program headers' data, its
// sections and the section table. Its own bytes (code, debug data) may hold the magic.
uint64_t elf_image_end(const uint8_t* data, size_t size) {
  if (size < 64 ||
      std::memcmp(data,
                  "\x7f"
                  "ELF",
                  4) != 0 ||
      data[4] != 2 || data[5] != 1) {
    return 0;
  }
  uint64_t end = 0;
  auto grow = [&end](uint64_t offset, uint64_t length) {
    if (offset <= UINT64_MAX - length) end = std::max(end, offset + length);
  };
  uint64_t phoff = read_at<uint64_t>(data, size, 32);
  uint64_t shoff = read_at<uint64_t>(data, size, 40);
  uint16_t phentsize = read_at<uint16_t>(data, size, 54);
  uint16_t phnum = read_at<uint16_t>(data, size, 56);
  uint16_t shentsize = read_at<uint16_t>(data, size, 58);
  uint16_t shnum = read_at<uint16_t>(data, size, 60);
  grow(shoff, uint64_t(shnum) * shentsize);
  for (uint64_t i = 0; i < phnum && phentsize >= 56; ++i) {
    uint64_t at = phoff + i * phentsize;
    grow(read_at<uint64_t>(data, size, at + 8), read_at<uint64_t>(data, size, at + 32));
  }
  for (uint64_t i = 0; i < shnum && shentsize >= 64; ++i) {
    uint64_t at = shoff + i * shentsize;
    if (read_at<uint32_t>(data, size, at + 4) == 8) continue;  // no bytes in the file
    grow(read_at<uint64_t>(data, size, at + 24), read_at<uint64_t>(data, size, at + 32));
  }
  return end;
}

}  // namespace

size_t first_game_offset(const uint8_t* data, size_t size) {
  uint64_t end = elf_image_end(data, size);
  if (end <= kGameFirstOffset) return kGameFirstOffset;
  if (end > size) return size;
  uint64_t steps = (end - kGameFirstOffset + kGameOffsetStep - 1) / kGameOffsetStep;
  return size_t(kGameFirstOffset + steps * kGameOffsetStep);
}

std::optional<size_t> locate_game_file(const CStream& executable) {
  return locate_game_file(executable.data(), executable.size());
}

std::optional<size_t> locate_game_file(const uint8_t* data, size_t size) {
  for (size_t offset = first_game_offset(data, size); offset + 4 <= size;
       offset += kGameOffsetStep) {
    int32_t value;
    std::memcpy(&value, data + offset, 4);
    if (value == kGameMagic) {
      return offset;
    }
  }
  return std::nullopt;
}

bool read_game_data(CStream& stream, CGameData& game, const RGameLoadHooks& hooks) {
  size_t start = stream.position();
  if (stream.remaining() >= 4) {
    int32_t first;
    std::memcpy(&first, stream.data() + start, 4);
    if (first == kGameMagic) {
      stream.skip(4);
    }
  }
  if (read_int(stream) != kGameVersion) {
    tell(hooks, kWrongVersion);
    return false;
  }
  game.debug_mode = read_bool(stream);
  try {
    expect_version(stream, kSectionVersion);
    CStream block = read_compressed_block(stream);
    game.settings.read(block);
  } catch (const DataError&) {
    tell(hooks, kResourceError);
    return false;
  }

  progress(hooks, 1, "Reading data");
  if (hooks.settings_read) hooks.settings_read(game.settings, game.debug_mode);

  game.d3dx_name = read_string(stream);
  game.d3dx_data = read_compressed_block(stream).take_bytes();
  // The library is carried for the sake of the file layout and never loaded; it is
  // still written out, under its plain name only.
  if (!hooks.temp_folder.empty() && plain_file_name(game.d3dx_name)) {
    std::string ignored;
    write_file_atomic(hooks.temp_folder / cp1252_to_utf8(game.d3dx_name), game.d3dx_data, ignored);
  }

  CStream main = read_scrambled_block(stream);
  try {
    read_main_sections(main, game, hooks);
  } catch (const DataError&) {
    tell(hooks, kResourceError);
    return false;
  }
  return true;
}

bool load_game_file(CStream& executable, CGameData& game, const RGameLoadHooks& hooks) {
  std::optional<size_t> offset = locate_game_file(executable);
  if (!offset) {
    tell(hooks, kNotValid);
    return false;
  }
  executable.seek(*offset);
  return read_game_data(executable, game, hooks);
}

std::vector<int32_t> default_main_filler(int32_t game_id) {
  std::mt19937 random(uint32_t(game_id) ^ 0x5EEDu);
  std::vector<int32_t> filler(random() % 200 + 10);
  for (int32_t& value : filler) value = int32_t(random());
  return filler;
}

std::vector<uint8_t> write_game_data(const CGameData& game) {
  CStream main;
  write_int(main, int32_t(game.main_filler.size()));
  for (int32_t value : game.main_filler) write_int(main, value);
  write_bool(main, game.reserved_flag);
  write_int(main, game.game_id);
  main.write(game.guid.data(), game.guid.size());

  write_int(main, kExtensionSectionVersion);
  write_int(main, int32_t(game.extensions.size()));
  for (const CExtensionPackage& package : game.extensions) package.write(main);

  write_int(main, kSectionVersion);
  write_int(main, int32_t(game.triggers.size()));
  for (const std::unique_ptr<CTrigger>& trigger : game.triggers) {
    CStream block;
    write_bool(block, trigger != nullptr);
    if (trigger) trigger->write(block);
    write_compressed_block(main, block.bytes());
  }

  write_int(main, kSectionVersion);
  write_int(main, int32_t(game.constants.size()));
  for (const RConstant& constant : game.constants) {
    write_string(main, constant.name);
    write_string(main, constant.value);
  }

  auto write = [](const auto& item, CStream& block) { item.write(block); };
  write_resource_section(main, game.sounds, write);
  write_resource_section(main, game.sprites, write);
  write_resource_section(main, game.backgrounds, write);
  write_resource_section(main, game.paths, write);
  write_resource_section(main, game.scripts, write);
  write_resource_section(main, game.fonts, write);
  write_resource_section(main, game.timelines, write);
  write_resource_section(main, game.objects, write);
  write_resource_section(main, game.rooms, write);
  write_int(main, game.last_instance_id);
  write_int(main, game.last_tile_id);

  write_int(main, kSectionVersion);
  write_int(main, int32_t(game.included_files.size()));
  for (const CDataFile& file : game.included_files) {
    CStream block;
    file.write(block);
    write_compressed_block(main, block.bytes());
  }

  write_int(main, kSectionVersion);
  {
    CStream block;
    game.game_information.write(block);
    write_compressed_block(main, block.bytes());
  }

  write_int(main, kLibraryInitVersion);
  write_int(main, int32_t(game.library_init_code.size()));
  for (const std::string& text : game.library_init_code) write_string(main, text);

  write_int(main, kRoomOrderVersion);
  write_int(main, int32_t(game.room_order.size()));
  for (int32_t room : game.room_order) write_int(main, room);

  CStream file;
  write_int(file, kGameMagic);
  write_int(file, kGameVersion);
  write_bool(file, game.debug_mode);
  write_int(file, kSectionVersion);
  {
    CStream block;
    game.settings.write(block);
    write_compressed_block(file, block.bytes());
  }
  write_string(file, game.d3dx_name);
  write_compressed_block(file, game.d3dx_data);
  write_scrambled_block(file, main.bytes(), make_scramble_key(uint32_t(game.game_id)));
  return file.take_bytes();
}

}  // namespace vn
