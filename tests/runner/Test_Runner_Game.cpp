#include "runner/Runner_Game.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <random>

#include "Test_Games.h"
#include "Test_Support.h"

namespace vn {
namespace {

struct LoadOutcome {
  bool ok = false;
  bool corrupt = false;  // a read past the end or broken compressed data
  std::vector<std::string> messages;
  std::vector<std::string> progress;
  CGameData game;
};

LoadOutcome load(std::vector<uint8_t> bytes, RRecordContext context = {},
                 std::filesystem::path temp = {}) {
  LoadOutcome outcome;
  CStream stream(std::move(bytes));
  RGameLoadHooks hooks;
  hooks.record = std::move(context);
  hooks.record.message = [&](const std::string& m) { outcome.messages.push_back(m); };
  hooks.progress = [&](int percent, const std::string& text) {
    outcome.progress.push_back(std::to_string(percent) + " " + text);
  };
  hooks.temp_folder = std::move(temp);
  try {
    outcome.ok = load_game_file(stream, outcome.game, hooks);
  } catch (const StreamError&) {
    outcome.corrupt = true;
  }
  return outcome;
}

// The game file of a standalone image begins at the first candidate offset.
size_t game_offset(const std::vector<uint8_t>& bytes) {
  CStream stream(bytes);
  return *locate_game_file(stream);
}

// Where the scrambled main block starts, after the header, settings and library.
size_t main_block_offset(const std::vector<uint8_t>& bytes, size_t start) {
  CStream stream(bytes);
  stream.seek(start + 12);
  read_int(stream);
  read_raw_block(stream);
  read_string(stream);
  read_raw_block(stream);
  return stream.position();
}

// Lets a test edit the plain main block of a standalone image and puts it back.
std::vector<uint8_t> with_main_block(const std::vector<uint8_t>& bytes,
                                     const std::function<void(std::vector<uint8_t>&)>& edit) {
  size_t at = main_block_offset(bytes, game_offset(bytes));
  CStream stream(bytes);
  stream.seek(at);
  std::vector<uint8_t> main = read_scrambled_block(stream).take_bytes();
  edit(main);
  CStream out;
  out.write(bytes.data(), at);
  write_scrambled_block(out, main, make_scramble_key(7));
  return out.take_bytes();
}

// Offset in the plain main block of the sound section's version.
size_t sounds_section(const CGameData& game) {
  size_t size = 4 + 4 * game.main_filler.size() + 4 + 4 + 16;
  CStream extensions;
  write_int(extensions, 700);
  write_int(extensions, int32_t(game.extensions.size()));
  for (const CExtensionPackage& package : game.extensions) package.write(extensions);
  size += extensions.size();
  CStream triggers;
  write_int(triggers, 800);
  write_int(triggers, int32_t(game.triggers.size()));
  for (const auto& trigger : game.triggers) {
    CStream block;
    write_bool(block, trigger != nullptr);
    if (trigger) trigger->write(block);
    write_compressed_block(triggers, block.bytes());
  }
  size += triggers.size();
  size += 8;
  for (const RConstant& constant : game.constants) size += 8 + constant.name.size() + constant.value.size();
  return size;
}

void put_int(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
  std::memcpy(bytes.data() + at, &value, 4);
}

TEST(GameFile, RoundTripKeepsEverySection) {
  CGameData game = test::make_sample_game();
  std::vector<uint8_t> bytes = write_game_data(game);
  LoadOutcome outcome = load(test::make_standalone(game));
  ASSERT_TRUE(outcome.ok) << (outcome.messages.empty() ? "" : outcome.messages[0]);
  const CGameData& read = outcome.game;
  EXPECT_EQ(write_game_data(read), bytes);

  EXPECT_TRUE(read.debug_mode);
  EXPECT_EQ(read.game_id, 424242);
  EXPECT_EQ(read.guid, game.guid);
  EXPECT_EQ(read.settings.loading_alpha, 200);
  ASSERT_TRUE(read.settings.loading_image.has_value());
  EXPECT_EQ(read.settings.loading_image->image.width, 4);
  EXPECT_FALSE(read.settings.loading_back.has_value());
  EXPECT_EQ(read.extensions, game.extensions);
  EXPECT_EQ(read.extensions[0].files[1].functions[0].code, "return 1;");
  ASSERT_EQ(read.triggers.size(), 2u);
  EXPECT_EQ(read.triggers[0], nullptr);
  EXPECT_EQ(*read.triggers[1], *game.triggers[1]);
  EXPECT_EQ(read.constants, game.constants);
  ASSERT_EQ(read.sounds.size(), 2u);
  EXPECT_EQ(*read.sounds.get(0), *game.sounds.get(0));
  EXPECT_FALSE(read.sounds.exists(1));
  EXPECT_EQ(read.sounds.names[1], "");
  EXPECT_EQ(*read.sprites.get(0), *game.sprites.get(0));
  EXPECT_TRUE(read.sprites.get(1)->masks.empty());
  EXPECT_EQ(*read.backgrounds.get(0), *game.backgrounds.get(0));
  EXPECT_EQ(*read.paths.get(0), *game.paths.get(0));
  EXPECT_EQ(*read.scripts.get(0), *game.scripts.get(0));
  EXPECT_EQ(*read.fonts.get(0), *game.fonts.get(0));
  EXPECT_EQ(*read.timelines.get(0), *game.timelines.get(0));
  EXPECT_EQ(*read.objects.get(0), *game.objects.get(0));
  EXPECT_EQ(*read.objects.get(1), *game.objects.get(1));
  EXPECT_EQ(*read.rooms.get(0), *game.rooms.get(0));
  EXPECT_EQ(read.last_instance_id, 100002);
  EXPECT_EQ(read.last_tile_id, 10000001);
  EXPECT_EQ(read.included_files, game.included_files);
  EXPECT_EQ(read.game_information, game.game_information);
  EXPECT_EQ(read.library_init_code, game.library_init_code);
  EXPECT_EQ(read.room_order, game.room_order);
}

TEST(GameFile, SameGameGivesSameBytes) {
  EXPECT_EQ(write_game_data(test::make_sample_game()), write_game_data(test::make_sample_game()));
}

TEST(GameFile, ReportsProgressInOrder) {
  LoadOutcome outcome = load(test::make_standalone(test::make_sample_game()));
  ASSERT_TRUE(outcome.ok);
  std::vector<std::string> expected = {
      "1 Reading data",        "0 Loading extension packages", "5 Loading triggers",
      "6 Loading constants",   "7 Loading sounds",             "10 Loading sprites",
      "23 Loading backgrounds", "30 Loading paths",            "32 Loading scripts",
      "34 Loading fonts",      "36 Loading time lines",        "38 Loading objects",
      "40 Loading rooms",      "43 Loading included files",    "45 Loading help",
      "47 Loading library init code", "49 Loading room order"};
  EXPECT_EQ(outcome.progress, expected);
}

TEST(GameFile, LocatesOnlyAtCandidateOffsets) {
  CGameData game = test::make_sample_game();
  std::vector<uint8_t> data = write_game_data(game);
  for (size_t runner : {size_t(0), size_t(131072), size_t(131073), size_t(200000)}) {
    std::vector<uint8_t> bytes = test::make_standalone(game, runner);
    size_t offset = game_offset(bytes);
    EXPECT_EQ((offset - kGameFirstOffset) % kGameOffsetStep, 0u);
    EXPECT_GE(offset, runner);
    EXPECT_LT(offset, std::max(runner, kGameFirstOffset) + kGameOffsetStep);
    EXPECT_TRUE(load(bytes).ok);
  }
  // The magic off the 512-byte grid is not found.
  std::vector<uint8_t> off_grid(kGameFirstOffset + 4, 0);
  off_grid.insert(off_grid.end(), data.begin(), data.end());
  LoadOutcome outcome = load(off_grid);
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.messages, std::vector<std::string>{"Error: Not a valid game file."});
  // Shorter than the first offset.
  outcome = load(std::vector<uint8_t>(1000, 0));
  EXPECT_EQ(outcome.messages, std::vector<std::string>{"Error: Not a valid game file."});
}

TEST(GameFile, HeaderMessages) {
  std::vector<uint8_t> bytes = test::make_standalone(test::make_sample_game());
  size_t start = game_offset(bytes);

  std::vector<uint8_t> wrong_version = bytes;
  put_int(wrong_version, start + 4, 28680);
  EXPECT_EQ(load(wrong_version).messages, std::vector<std::string>{"Error: Wrong version number."});

  std::vector<uint8_t> wrong_settings = bytes;
  put_int(wrong_settings, start + 12, 799);
  EXPECT_EQ(load(wrong_settings).messages,
            std::vector<std::string>{"Error: Error in resource data."});
}

TEST(GameFile, SectionFailuresGiveResourceError) {
  CGameData game = test::make_sample_game();
  std::vector<uint8_t> bytes = test::make_standalone(game);
  size_t sounds = sounds_section(game);
  const std::vector<std::string> resource_error = {"Error: Error in resource data."};

  // A wrong section version.
  LoadOutcome outcome =
      load(with_main_block(bytes, [&](std::vector<uint8_t>& main) { put_int(main, sounds, 801); }));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.messages, resource_error);

  // A negative count.
  outcome =
      load(with_main_block(bytes, [&](std::vector<uint8_t>& main) { put_int(main, sounds + 4, -3); }));
  EXPECT_EQ(outcome.messages, resource_error);

  // A count far beyond the data is a read past the end, without a huge allocation.
  outcome = load(with_main_block(
      bytes, [&](std::vector<uint8_t>& main) { put_int(main, sounds + 4, 0x7FFFFFFF); }));
  EXPECT_TRUE(outcome.corrupt);

  // An empty room order.
  game.room_order.clear();
  outcome = load(test::make_standalone(game));
  EXPECT_EQ(outcome.messages, resource_error);
}

TEST(GameFile, RecordsBeyondTheModelAreRejected) {
  const std::vector<std::string> resource_error = {"Error: Error in resource data."};
  CGameData game = test::make_sample_game();
  game.objects.get(1)->event(0, 0).actions[0].argument_texts.resize(9);
  EXPECT_EQ(load(test::make_standalone(game)).messages, resource_error);

  game = test::make_sample_game();
  game.objects.get(1)->event(0, 0).actions[0].argument_kinds.resize(9);
  EXPECT_EQ(load(test::make_standalone(game)).messages, resource_error);

  // Nine background layers: patch the room record's layer count.
  game = test::make_sample_game();
  CStream room;
  game.rooms.get(0)->write(room);
  std::vector<uint8_t> record = room.take_bytes();
  size_t layer_count = 4 + 4 + game.rooms.get(0)->caption.size() + 4 * 5 + 4 + 4 +
                       game.rooms.get(0)->creation_code.size();
  put_int(record, layer_count, 9);
  CStream patched(record);
  CRoom read_back;
  EXPECT_THROW(read_back.read(patched, {}), DataError);
}

TEST(GameFile, UnknownActionFunctionIsToldAndReadingGoesOn) {
  CGameData game = test::make_sample_game();
  RRecordContext context;
  context.resolve_function = [](const std::string& name) { return name == "known" ? 7 : -1; };
  LoadOutcome outcome = load(test::make_standalone(game), context);
  EXPECT_TRUE(outcome.ok);
  // The code actions (execution 2) have no function and load silently.
  EXPECT_EQ(outcome.messages, std::vector<std::string>{"Failed to locate action function action_move"});

  game.objects.get(1)->event(4, 0).actions[0].function_name = "known";
  outcome = load(test::make_standalone(game), context);
  EXPECT_TRUE(outcome.messages.empty());
  EXPECT_EQ(outcome.game.objects.get(1)->event(4, 0).actions[0].function_index, 7);
}

TEST(GameFile, TruncatedFilesFailCleanly) {
  std::vector<uint8_t> bytes = test::make_standalone(test::make_sample_game());
  size_t start = game_offset(bytes);
  for (size_t cut = start; cut < bytes.size(); cut += 7) {
    std::vector<uint8_t> truncated(bytes.begin(), bytes.begin() + ptrdiff_t(cut));
    LoadOutcome outcome = load(truncated);
    EXPECT_FALSE(outcome.ok) << "cut at " << cut;
  }
  // The main block is one framed block, so cut inside it too.
  size_t main_size = 0;
  with_main_block(bytes, [&](std::vector<uint8_t>& main) { main_size = main.size(); });
  for (size_t cut = 0; cut < main_size; cut += 3) {
    LoadOutcome outcome = load(
        with_main_block(bytes, [&](std::vector<uint8_t>& main) { main.resize(cut); }));
    EXPECT_FALSE(outcome.ok) << "main block cut at " << cut;
  }
}

TEST(GameFile, CorruptedBytesNeverCrash) {
  std::vector<uint8_t> bytes = test::make_standalone(test::make_sample_game());
  size_t start = game_offset(bytes);
  std::mt19937 random(1);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> damaged = bytes;
    for (int i = 0; i < 4; ++i) {
      damaged[start + 4 + random() % (damaged.size() - start - 4)] = uint8_t(random());
    }
    load(damaged);  // any outcome but a crash
  }
}

TEST(GameFile, WritesLibraryAndExtensionFilesIntoTheTempFolder) {
  test::ScratchDir temp("game_temp");
  LoadOutcome outcome = load(test::make_standalone(test::make_sample_game()), {}, temp.path());
  ASSERT_TRUE(outcome.ok);
  EXPECT_TRUE(std::filesystem::exists(temp / "D3DX8.dll"));
  EXPECT_EQ(std::filesystem::file_size(temp.path() / "temp12" / "pack.dll"), 5u);
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "temp12" / "pack.vns"));
  EXPECT_FALSE(std::filesystem::exists(temp.path() / "temp12" / "readme.txt"));

  CGameData game = test::make_sample_game();
  game.extensions[0].folder_name = "../escape";
  outcome = load(test::make_standalone(game), {}, temp.path());
  EXPECT_EQ(outcome.messages, (std::vector<std::string>{"Error in loading extension packages.",
                                                        "Error: Error in resource data."}));
  EXPECT_FALSE(std::filesystem::exists(temp.path().parent_path() / "escape"));
}

TEST(GameLocation, TheMagicInsideTheProgramsOwnImageIsNotAGame) {
  // A little-endian 64-bit ELF header whose section table ends at 200,000.
  std::vector<uint8_t> bytes(300000, 0);
  const uint8_t ident[] = {0x7f, 'E', 'L', 'F', 2, 1};
  std::memcpy(bytes.data(), ident, sizeof ident);
  uint64_t shoff = 200000 - 64;
  uint16_t shentsize = 64, shnum = 1;
  std::memcpy(bytes.data() + 40, &shoff, 8);
  std::memcpy(bytes.data() + 58, &shentsize, 2);
  std::memcpy(bytes.data() + 60, &shnum, 2);
  int32_t magic = kGameMagic;
  std::memcpy(bytes.data() + kGameFirstOffset, &magic, 4);  // a constant of the program
  std::memcpy(bytes.data() + 200192, &magic, 4);            // the first offset past it
  EXPECT_EQ(first_game_offset(bytes.data(), bytes.size()), 200192u);
  CStream stream(bytes);
  EXPECT_EQ(locate_game_file(stream), std::optional<size_t>(200192));
  // Anything that is not such a program is searched from the first candidate.
  bytes[1] = 'X';
  EXPECT_EQ(first_game_offset(bytes.data(), bytes.size()), kGameFirstOffset);
}

}  // namespace
}  // namespace vn
