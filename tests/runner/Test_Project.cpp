#include <gtest/gtest.h>

#include <bit>
#include <fstream>
#include <limits>
#include <map>

#include "Test_Games.h"
#include "Test_Support.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Image.h"
#include "runner/Project_Json.h"
#include "runner/Project_Read.h"
#include "runner/Project_Write.h"
#include "support/Support_Bmp.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

CAction action_of_kind(int kind) {
  CAction action;
  action.library_id = 1;
  action.action_id = 400 + kind;
  action.kind = kind;
  action.is_question = kind == kActionNormal;
  action.execution = kind == kActionNormal ? kExecuteFunction : kExecuteNothing;
  action.function_name = kind == kActionNormal ? "action_if_empty" : "";
  action.argument_count = 3;
  action.argument_kinds = {0, 0, 3};
  action.argument_texts = {"x", "y", "1"};
  action.not_flag = kind == kActionNormal;
  return action;
}

template <typename T>
void add(TResourceList<T>& list, const std::string& name, std::unique_ptr<T> item) {
  list.add(name, std::move(item));
}

// The sample game with every awkward case a project must carry.
CGameData awkward_game() {
  CGameData game = test::make_sample_game();
  game.main_filler = {7, -1, 0};
  game.settings.window_color = 0x0080FF;
  RBitmapFile back;
  back.image = test::make_image(2, 2, 0x80FF0000);
  back.file = encode_bmp(back.image);
  game.settings.loading_back = back;
  game.constants.push_back({"PRICE", "\"10 \x80\""});
  game.library_init_code.push_back("show_message(\"caf\xE9\");\r\n");

  // A second package whose seed is the derived one and whose files share a name.
  CExtensionPackage second;
  second.name = "pack";
  second.folder_name = "temp7";
  second.seed = derived_extension_seed(game.game_id, 1);
  CExtensionFile other;
  other.file_name = "data.bin";
  other.kind = kExtensionOther;
  other.data = {0, 1, 2};
  CExtensionFile same = other;
  same.data = {3};
  second.files = {other, same};
  game.extensions.push_back(second);

  auto silent = std::make_unique<CSound>();
  silent->file_type = ".json";
  silent->has_data = true;  // an empty sound file is still a file
  silent->volume = std::numeric_limits<double>::denorm_min();
  add(game.sounds, "snd_empty", std::move(silent));
  add(game.sounds, "snd_none", std::make_unique<CSound>());

  // Names that need the object form, and names that can be files as they are.
  auto separate = std::make_unique<CSprite>();
  separate->frames = {TBitmap32(test::make_image(2, 2, 0xFF00FF00)),
                      TBitmap32(test::make_image(3, 1, 0x01000000)), TBitmap32(RImage())};
  separate->set_masks(true, kMaskBoxAutomatic, 0, kMaskPrecise, 0, 0, 0, 0);
  RImage flat;
  flat.width = 3;  // a frame three pixels wide without rows
  separate->frames.push_back(TBitmap32(flat));
  separate->masks.push_back(TMask());
  add(game.sprites, "spr/slash", std::move(separate));
  add(game.sprites, "", std::make_unique<CSprite>());
  add(game.sprites, ".hidden", std::make_unique<CSprite>());
  game.sprites.add("", nullptr);
  auto upper = std::make_unique<CSprite>();
  upper->frames = {TBitmap32(test::make_image(1, 1, 0xFFFFFFFF))};
  upper->set_masks(false, kMaskBoxFull, 0, kMaskEllipse, 0, 0, 0, 0);
  add(game.sprites, "Dup", std::move(upper));
  add(game.sprites, "dup", std::make_unique<CSprite>());
  add(game.sprites, "spr_caf\xE9", std::make_unique<CSprite>());
  add(game.sprites, "spr_ball", std::make_unique<CSprite>());  // a second "spr_ball"

  auto empty = std::make_unique<CBackground>();
  add(game.backgrounds, "bg_empty", std::move(empty));
  auto odd = std::make_unique<CBackground>();
  RImage negative;
  negative.width = -3;
  negative.height = 5;
  odd->image = TBitmap32(negative);
  add(game.backgrounds, "bg_odd", std::move(odd));

  auto wild = std::make_unique<CPath>();
  double nan_payload = std::bit_cast<double>(0x7FF0000000000123ull);
  wild->points = {{std::numeric_limits<double>::quiet_NaN(), 1e308, -0.0},
                  {std::numeric_limits<double>::infinity(),
                   -std::numeric_limits<double>::infinity(), nan_payload},
                  {-std::numeric_limits<double>::quiet_NaN(), 0.1, 1.0 / 3}};
  add(game.paths, "path_wild", std::move(wild));

  auto font = std::make_unique<CFont>();
  font->font_name = "Caf\xE9 Sans";
  font->sheet_width = 0;
  font->sheet_height = 5;
  font->glyphs[255] = {1, 2, 3, 4, 5, -6};
  add(game.fonts, "fnt_flat", std::move(font));

  auto script = std::make_unique<CScript>();
  script->source = "// \x80 and \xE9\r\nreturn 1;\nreturn 2;\r\n";
  add(game.scripts, "scr/odd", std::move(script));

  // Objects: index 2 "other", 3 and 4 share a name, 5 has events of many types.
  add(game.objects, "other", std::make_unique<CObject>());
  add(game.objects, "obj_twin", std::make_unique<CObject>());
  add(game.objects, "obj_twin", std::make_unique<CObject>());
  auto busy = std::make_unique<CObject>();
  busy->sprite_index = 6;  // "Dup": unique as written
  busy->mask_index = 99;   // kept although no such sprite
  busy->parent_index = 1;
  busy->last_event_type = 11;
  busy->event(4, 0).actions.push_back(code_action("other.hp -= 1;"));
  busy->event(4, 3).actions.push_back(code_action("// twin"));
  busy->event(5, 37).actions.push_back(code_action(""));
  for (int kind = kActionNormal; kind <= kActionCode; ++kind) {
    busy->event(7, 10).actions.push_back(action_of_kind(kind));
  }
  std::vector<CAction> near_misses(8, code_action("x = 1;"));
  near_misses[0].relative = true;
  near_misses[1].apply_to = -2;
  near_misses[2].apply_to = 2;  // the object named "other"
  near_misses[3].apply_to = 1;
  near_misses[4].argument_kinds = {1, 0};
  near_misses[5].argument_texts.push_back("");
  near_misses[6].not_flag = true;
  near_misses[7].function_name = "action_execute_code";
  busy->event(8, 0).actions = near_misses;
  busy->event(3, 1).actions.push_back(code_action("x += \x80;"));
  add(game.objects, "obj_busy", std::move(busy));
  auto quiet = std::make_unique<CObject>();
  quiet->last_event_type = 5;
  add(game.objects, "obj_quiet", std::move(quiet));

  auto second_room = std::make_unique<CRoom>();
  second_room->caption = "Zweite \xC4ra";
  second_room->background_color = int32_t(0xFF000000);
  second_room->backgrounds[3].visible = true;
  second_room->backgrounds[3].x = -7;
  second_room->backgrounds[3].hspeed = 2;
  second_room->views[2].follow = 3;
  second_room->instances = {{1, 2, 5, 100010, "hp = 3;\r\nname = \"\xE9\";"}, {5, 6, 77, 7, ""}};
  second_room->tiles = {{0, 0, 1, 1, 2, 3, 4, -5, 10000005}, {0, 0, -1, 0, 0, 0, 0, 0, 3}};
  add(game.rooms, "rm_second", std::move(second_room));
  add(game.rooms, "rm_twin", std::make_unique<CRoom>());
  add(game.rooms, "rm_twin", std::make_unique<CRoom>());
  game.room_order = {1, 0, 3, 2};

  CDataFile loose;
  loose.file_name = "level.txt";  // the same name as the first included file
  loose.stored = true;
  loose.data_follows = true;
  loose.data = {'!'};
  game.included_files.push_back(loose);
  CDataFile unstored;
  unstored.file_name = "docs\\manual.txt";
  unstored.source_size = 99;
  game.included_files.push_back(unstored);
  return game;
}

// Every file under a folder with its bytes, by relative path.
std::map<std::string, std::vector<uint8_t>> folder_contents(const fs::path& folder) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    std::vector<uint8_t> bytes;
    std::string error;
    EXPECT_TRUE(read_file(entry.path(), bytes, error)) << error;
    files[fs::relative(entry.path(), folder).generic_string()] = bytes;
  }
  return files;
}

Json json_file(const fs::path& path) { return Json::parse(test::read_text(path)); }

void put(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

TEST(Project, WriteReadGivesTheSameGameFileAndTheSameFolder) {
  test::ScratchDir scratch("project_round_trip");
  CGameData game = awkward_game();
  std::string error;
  ASSERT_TRUE(write_project(game, scratch / "first", error)) << error;
  CGameData back;
  ASSERT_TRUE(read_project(scratch / "first", back, error)) << error;
  EXPECT_EQ(write_game_data(back), write_game_data(game));
  for (size_t i = 0; i < game.sprites.size(); ++i) {
    EXPECT_EQ(game.sprites.items[i] == nullptr, back.sprites.items[i] == nullptr);
    if (game.sprites.items[i]) {
      EXPECT_EQ(*back.sprites.items[i], *game.sprites.items[i]) << i;
    }
  }
  EXPECT_EQ(back.rooms.items[0]->backgrounds[0].xscale, 80);
  EXPECT_EQ(back.extensions[0].files[1].functions[0].code, "return 1;");
  EXPECT_EQ(back.settings.loading_back->image, game.settings.loading_back->image);

  ASSERT_TRUE(write_project(back, scratch / "second", error)) << error;
  EXPECT_EQ(folder_contents(scratch / "second"), folder_contents(scratch / "first"));
}

TEST(Project, WrittenFormsAreTheReadableOnes) {
  test::ScratchDir scratch("project_forms");
  CGameData game = awkward_game();
  game.main_filler = default_main_filler(game.game_id);
  std::string error;
  ASSERT_TRUE(write_project(game, scratch.path(), error)) << error;
  Json root = json_file(scratch / "game.json");
  EXPECT_FALSE(root.contains("main_filler"));
  EXPECT_EQ(root["settings"]["window_color"], "#FF8000");
  EXPECT_EQ(root["room_order"], Json::parse(R"(["rm_second", "rm_first", 3, 2])"));
  EXPECT_EQ(root["extensions"][0]["seed"], 987654);
  EXPECT_FALSE(root["extensions"][1].contains("seed"));
  EXPECT_EQ(root["extensions"][1]["files"][0]["data"], "extensions/pack_1/data_0.bin");
  EXPECT_EQ(root["extensions"][0]["files"][2]["data"], nullptr);
  EXPECT_EQ(root["included_files"][1]["data"], nullptr);
  EXPECT_EQ(root["constants"][2]["value"], "\"10 €\"");

  const Json& sprites = root["sprites"];
  EXPECT_EQ(sprites[0], Json::parse(R"({"name": "spr_ball", "file": "spr_ball_0"})"));
  EXPECT_EQ(sprites[1], "spr_none");
  EXPECT_EQ(sprites[2], Json::parse(R"({"name": "spr/slash", "file": "spr_slash_2"})"));
  EXPECT_EQ(sprites[3], Json::parse(R"({"name": "", "file": "sprite_3"})"));
  EXPECT_EQ(sprites[4], Json::parse(R"({"name": ".hidden", "file": "_hidden_4"})"));
  EXPECT_EQ(sprites[5], nullptr);
  EXPECT_EQ(sprites[6], Json::parse(R"({"name": "Dup", "file": "Dup_6"})"));
  EXPECT_EQ(sprites[7], Json::parse(R"({"name": "dup", "file": "dup_7"})"));
  EXPECT_EQ(sprites[8], "spr_café");
  EXPECT_TRUE(fs::exists(scratch / "sprites" / "spr_café.json"));
  EXPECT_TRUE(fs::exists(scratch / "sprites" / "spr_slash_2_1.png"));
  EXPECT_EQ(json_file(scratch / "sprites/spr_slash_2.json")["frames"][2],
            Json::parse(R"({"width": 0, "height": 0})"));
  EXPECT_EQ(test::read_text(scratch / "scripts" / "scr_odd_1.vns"),
            "// € and é\r\nreturn 1;\nreturn 2;\r\n");
  EXPECT_TRUE(fs::exists(scratch / "sounds" / "snd_empty.bin"));

  Json path = json_file(scratch / "paths/path_wild.json");
  EXPECT_EQ(path["points"][0], Json::parse(R"(["nan", 1e308, -0.0])"));
  EXPECT_EQ(path["points"][1], Json::parse(R"(["inf", "-inf", "nan:7FF0000000000123"])"));
  EXPECT_EQ(path["points"][2][0], "-nan");

  Json busy = json_file(scratch / "objects/obj_busy.json");
  EXPECT_EQ(busy["sprite"], "Dup");
  EXPECT_EQ(busy["mask"], 99);
  EXPECT_EQ(busy["parent"], "obj_ball");
  EXPECT_FALSE(busy.contains("last_event_type"));
  EXPECT_EQ(json_file(scratch / "objects/obj_quiet.json")["last_event_type"], 5);
  const Json& events = busy["events"];
  EXPECT_EQ(events[0]["type"], "step");
  EXPECT_EQ(events[0]["actions"][0], "x += €;");
  EXPECT_EQ(events[1]["type"], "collision");
  EXPECT_EQ(events[1]["number"], "obj_wall");
  EXPECT_EQ(events[2]["number"], 3);  // "obj_twin" is not unique
  EXPECT_EQ(events[3]["actions"][0], "");
  const Json& misses = events[5]["actions"];
  ASSERT_EQ(misses.size(), 8u);
  for (const Json& action : misses) EXPECT_TRUE(action.is_object());
  EXPECT_EQ(misses[1]["apply_to"], "other");
  EXPECT_EQ(misses[2]["apply_to"], 2);
  EXPECT_EQ(misses[3]["apply_to"], "obj_ball");

  Json room = json_file(scratch / "rooms/rm_second.json");
  EXPECT_EQ(room["backgrounds"].size(), 4u);
  EXPECT_EQ(room["views"].size(), 3u);
  EXPECT_EQ(room["views"][2]["follow"], 3);
  EXPECT_EQ(room["color"], int32_t(0xFF000000));
  EXPECT_EQ(room["instances"][1]["object"], 77);
}

TEST(Project, MinimalProjectTakesTheDefaults) {
  test::ScratchDir scratch("project_minimal");
  fs::path folder = scratch / "my game";
  put(folder / "game.json", R"({"objects": ["obj"], "rooms": ["rm"],
      "game_information": {"background_color": "#FF8000"}})");
  put(folder / "objects/obj.json",
      R"({"events": [{"type": "create", "actions": ["x = 1;"]},
                     {"type": "collision", "number": "obj", "actions": []}]})");
  put(folder / "rooms/rm.json", R"({"instances": [{"object": "obj", "x": 10}, {"id": 100005}],
      "tiles": [{}]})");
  CGameData game;
  std::string error;
  ASSERT_TRUE(read_project(folder, game, error)) << error;
  EXPECT_EQ(game.game_id, derived_game_id(folder));
  EXPECT_GT(game.game_id, 0);
  EXPECT_EQ(derived_game_id(scratch / "my game/"), game.game_id);
  EXPECT_EQ(game.guid, derived_guid(game.game_id));
  EXPECT_EQ(game.main_filler, default_main_filler(game.game_id));
  EXPECT_EQ(game.room_order, std::vector<int32_t>{0});
  EXPECT_EQ(game.d3dx_name, "D3DX8.dll");
  EXPECT_TRUE(game.d3dx_data.empty());
  EXPECT_EQ(game.game_information.background_color, 0x0080FF);
  EXPECT_EQ(game.game_information.caption, "Game Information");
  EXPECT_TRUE(game.settings.show_cursor);
  EXPECT_EQ(game.settings.window_color, 0xFFFFFF);

  const CObject& object = *game.objects.get(0);
  EXPECT_EQ(object.sprite_index, -1);
  EXPECT_EQ(object.mask_index, -1);
  EXPECT_TRUE(object.visible);
  EXPECT_EQ(object.last_event_type, 11);
  ASSERT_EQ(object.events[0].size(), 1u);
  EXPECT_EQ(object.events[0][0].event.actions[0], code_action("x = 1;"));
  ASSERT_EQ(object.events[4].size(), 1u);
  EXPECT_EQ(object.events[4][0].number, 0);

  const CRoom& room = *game.rooms.get(0);
  EXPECT_EQ(room.width, 640);
  EXPECT_EQ(room.speed, 30);
  EXPECT_EQ(room.background_color, 0xC0C0C0);
  ASSERT_EQ(room.instances.size(), 2u);
  // Numbered from the highest id given.
  EXPECT_EQ(room.instances[0].id, 100006);
  EXPECT_EQ(room.instances[0].x, 10);
  EXPECT_EQ(room.instances[1].object_index, -1);
  EXPECT_EQ(game.last_instance_id, 100006);
  EXPECT_EQ(room.tiles[0].id, 10000001);
  EXPECT_EQ(game.last_tile_id, 10000001);

  // It makes a game that loads.
  CStream stream(write_game_data(game));
  CGameData loaded;
  ASSERT_TRUE(read_game_data(stream, loaded, {}));
  EXPECT_EQ(write_game_data(loaded), write_game_data(game));
}

TEST(Project, CountersGivenAreKeptUnlessIdsAreNumbered) {
  test::ScratchDir scratch("project_counters");
  put(scratch / "game.json",
      R"({"rooms": ["a", "b"], "last_instance_id": 5, "last_tile_id": 200})");
  put(scratch / "rooms/a.json", R"({"instances": [{"id": 50}], "tiles": [{"id": 7}, {}]})");
  put(scratch / "rooms/b.json", R"({"tiles": [{}]})");
  CGameData game;
  std::string error;
  ASSERT_TRUE(read_project(scratch.path(), game, error)) << error;
  EXPECT_EQ(game.last_instance_id, 5);
  EXPECT_EQ(game.rooms.get(0)->tiles[1].id, 201);
  EXPECT_EQ(game.rooms.get(1)->tiles[0].id, 202);
  EXPECT_EQ(game.last_tile_id, 202);
}

TEST(Project, SpriteFramesAndBuiltMasks) {
  test::ScratchDir scratch("project_sprites");
  RImage strip = test::make_image(15, 5, 0);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 15; ++x) {
      if (x % 5 >= 1 && x % 5 <= 3 && y >= 1 && y <= 3) strip.at(x, y) = 0xFF0000FF;
    }
  }
  std::string error;
  fs::create_directories(scratch / "sprites");
  ASSERT_TRUE(save_png(scratch / "sprites/strip.png", strip, error)) << error;
  RImage mask_picture = test::make_image(2, 2, 0);
  mask_picture.at(1, 0) = 0x80FFFFFF;
  ASSERT_TRUE(save_png(scratch / "sprites/m.png", mask_picture, error)) << error;
  put(scratch / "game.json", R"({"sprites": ["shaped", "stored"], "rooms": ["r"]})");
  put(scratch / "rooms/r.json", "{}");
  put(scratch / "sprites/shaped.json",
      R"({"frames": {"strip": "strip.png", "count": 3},
          "mask": {"shape": "diamond", "box": "full", "tolerance": 3}})");
  put(scratch / "sprites/stored.json",
      R"({"frames": [{"width": 2, "height": 2}], "masks": [{"image": "m.png"}]})");
  CGameData game;
  ASSERT_TRUE(read_project(scratch.path(), game, error)) << error;
  const CSprite& shaped = *game.sprites.get(0);
  ASSERT_EQ(shaped.frames.size(), 3u);
  EXPECT_EQ(shaped.frames[2].width(), 5);
  EXPECT_EQ(shaped.frames[2].image().at(2, 2), 0xFF0000FFu);
  CSprite expected = shaped;
  expected.set_masks(false, kMaskBoxFull, 3, kMaskDiamond, 0, 0, 0, 0);
  EXPECT_EQ(shaped.masks, expected.masks);
  EXPECT_EQ(shaped.masks[0].box(), (RPixelBox{0, 0, 4, 4}));

  const CSprite& stored = *game.sprites.get(1);
  EXPECT_EQ(stored.frames[0].image().pixels, std::vector<uint32_t>(4, 0));
  ASSERT_EQ(stored.masks.size(), 1u);
  EXPECT_EQ(stored.masks[0].cells, (std::vector<uint8_t>{0, 1, 0, 0}));
  EXPECT_EQ(stored.masks[0].box(), (RPixelBox{1, 0, 1, 0}));
}

TEST(Project, LoadingPicturesFromPngAreStoredAsBitmaps) {
  test::ScratchDir scratch("project_loading");
  RImage image = test::make_image(3, 2, 0x7F102030);
  std::string error;
  fs::create_directories(scratch / "art");
  ASSERT_TRUE(save_png(scratch / "art/load.png", image, error)) << error;
  put(scratch / "game.json", R"({"rooms": ["r"], "settings": {"loading_image": "art/load.png"}})");
  put(scratch / "rooms/r.json", "{}");
  CGameData game;
  ASSERT_TRUE(read_project(scratch.path(), game, error)) << error;
  ASSERT_TRUE(game.settings.loading_image);
  EXPECT_EQ(game.settings.loading_image->file[0], 'B');
  EXPECT_EQ(game.settings.loading_image->image, image);
}

struct RBadProject {
  const char* what;
  std::map<std::string, std::string> files;
  std::string error;
};

TEST(Project, ErrorsNameTheFileTheFieldAndTheProblem) {
  const std::string game = R"({"objects": ["obj"], "rooms": ["rm"], "sprites": ["a", "a"]})";
  const std::string room = "{}";
  const std::string sprite = "{}";
  auto with = [&](std::map<std::string, std::string> files) {
    files.emplace("game.json", game);
    files.emplace("rooms/rm.json", room);
    files.emplace("sprites/a.json", sprite);
    files.emplace("objects/obj.json", "{}");
    return files;
  };
  std::vector<RBadProject> cases = {
      {"unknown field", with({{"objects/obj.json", R"({"sprit": null})"}}),
       "objects/obj.json: sprit: unknown field"},
      {"unknown nested field",
       with({{"objects/obj.json", R"({"events": [{"actions": ["", {"knd": 1}]}]})"}}),
       "objects/obj.json: events[0].actions[1].knd: unknown field"},
      {"wrong type", with({{"objects/obj.json", R"({"depth": "deep"})"}}),
       "objects/obj.json: depth: expected an integer"},
      {"wrong type in settings",
       with({{"game.json", R"({"rooms": ["rm"], "settings": {"vsync": 1}})"}}),
       "game.json: settings.vsync: expected true or false"},
      {"out of range", with({{"rooms/rm.json", R"({"width": 4294967296})"}}),
       "rooms/rm.json: width: the number does not fit in 32 bits"},
      {"bad real",
       with({{"game.json", R"({"rooms": ["rm"], "paths": ["p"]})"},
             {"paths/p.json", R"({"points": [[0, "zero"]]})"}}),
       "paths/p.json: points[0][1]: expected a number, \"nan\", \"inf\" or \"-inf\""},
      {"missing resource file", with({{"game.json", R"({"rooms": ["rm", "gone"]})"}}),
       "game.json: rooms[1]: the file rooms/gone.json does not exist"},
      {"missing picture", with({{"sprites/a.json", R"({"frames": ["a_0.png"]})"}}),
       "sprites/a.json: frames[0]: the file sprites/a_0.png does not exist"},
      {"missing name", with({{"objects/obj.json", R"({"parent": "obj_nothing"})"}}),
       "objects/obj.json: parent: there is no object named \"obj_nothing\""},
      {"ambiguous name", with({{"objects/obj.json", R"({"sprite": "a"})"}}),
       "objects/obj.json: sprite: more than one sprite is named \"a\"; use its index"},
      {"unrepresentable text", with({{"rooms/rm.json", R"({"caption": "日本"})"}}),
       "rooms/rm.json: caption: the character U+65E5 cannot be stored in a game (it has no "
       "Windows-1252 code)"},
      {"unrepresentable script",
       with({{"game.json", R"({"rooms": ["rm"], "scripts": ["s"]})"},
             {"scripts/s.vns", "a = 1;\r\nb = \"中\";\r\n"}}),
       "scripts/s.vns: line 2: the character U+4E2D cannot be stored in a game (it has no "
       "Windows-1252 code)"},
      {"bad name", with({{"game.json", R"({"rooms": ["../rm"]})"}}),
       "game.json: rooms[0]: \"../rm\" cannot be a file name; write {\"name\": ..., \"file\": "
       "...}"},
      {"repeated field", with({{"rooms/rm.json", R"({"width": 1, "width": 2})"}}),
       "rooms/rm.json: the field \"width\" appears twice in one object"},
      {"empty room order", with({{"game.json", R"({"rooms": ["rm"], "room_order": []})"}}),
       "game.json: room_order: a game needs at least one room in its room order"},
      {"no room", with({{"game.json", "{}"}}), "game.json: rooms: a game needs at least one room"},
      {"mask count", with({{"sprites/a.json", R"({"frames": [{}], "masks": []})"}}),
       "sprites/a.json: masks: expected 1 mask"},
      {"event twice",
       with({{"objects/obj.json", R"({"events": [{"type": "step"}, {"type": 3, "number": 0}]})"}}),
       "objects/obj.json: events[1].number: the object already has this event (step, 0)"},
      {"event type", with({{"objects/obj.json", R"({"events": [{"type": "jump"}]})"}}),
       "objects/obj.json: events[0].type: expected one of \"create\", \"destroy\", \"alarm\", "
       "\"step\", \"collision\", \"keyboard\", \"mouse\", \"other\", \"draw\", \"keypress\", "
       "\"keyrelease\", \"trigger\" or its number 0 to 11"},
  };
  for (const RBadProject& bad : cases) {
    test::ScratchDir scratch("project_bad");
    for (const auto& [name, text] : bad.files) put(scratch / name, text);
    CGameData read;
    read.game_id = 77;
    std::string error;
    EXPECT_FALSE(read_project(scratch.path(), read, error)) << bad.what;
    EXPECT_EQ(error, bad.error) << bad.what;
    EXPECT_EQ(read.game_id, 77) << bad.what;
  }

  test::ScratchDir scratch("project_bad_json");
  put(scratch / "game.json", "{\"rooms\": [}");
  CGameData read;
  std::string error;
  EXPECT_FALSE(read_project(scratch.path(), read, error));
  EXPECT_EQ(error.rfind("game.json: not valid JSON: ", 0), 0u) << error;
  // A path that is no project is named as given.
  EXPECT_FALSE(read_project(scratch / "nowhere", read, error));
  EXPECT_EQ(error, (scratch / "nowhere").string() + " does not exist");
  EXPECT_FALSE(read_project(scratch / "game.json", read, error));
  EXPECT_EQ(error, (scratch / "game.json").string() +
                       " is not a project folder (a project is a folder holding game.json)");
  fs::create_directories(scratch / "bare");
  EXPECT_FALSE(read_project(scratch / "bare", read, error));
  EXPECT_EQ(error, (scratch / "bare").string() + " is not a project folder: it holds no game.json");
}

TEST(Project, WritingNeedsAnEmptyFolder) {
  test::ScratchDir scratch("project_target");
  CGameData game = test::make_sample_game();
  std::string error;
  fs::create_directories(scratch / "empty");
  EXPECT_TRUE(write_project(game, scratch / "empty", error)) << error;
  EXPECT_FALSE(write_project(game, scratch / "empty", error));
  EXPECT_NE(error.find("the folder is not empty"), std::string::npos) << error;
  put(scratch / "file", "x");
  EXPECT_FALSE(write_project(game, scratch / "file", error));
  EXPECT_NE(error.find("exists and is not a folder"), std::string::npos) << error;
}

}  // namespace
}  // namespace vn
