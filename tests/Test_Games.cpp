#include "Test_Games.h"

#include "runner/Project_Json.h"
#include "support/Support_Bmp.h"

namespace vn::test {

RImage make_image(int width, int height, uint32_t pixel) {
  RImage image;
  image.width = width;
  image.height = height;
  image.pixels.assign(size_t(width) * size_t(height), pixel);
  return image;
}

CGameData make_sample_game() {
  CGameData game;
  game.debug_mode = true;
  game.game_id = 424242;
  for (int i = 0; i < 16; ++i) game.guid[size_t(i)] = uint8_t(i * 17);
  game.main_filler = default_main_filler(game.game_id);
  game.d3dx_data = {1, 2, 3, 4};
  game.settings.scaling = -1;
  game.settings.loading_alpha = 200;
  game.settings.loading_transparent = true;
  RBitmapFile picture;
  picture.image = make_image(4, 3, 0xFF102030);
  picture.file = encode_bmp(picture.image);
  game.settings.loading_image = picture;
  game.settings.loading_front = picture;

  CExtensionPackage package;
  package.name = "Pack";
  package.folder_name = "temp12";
  package.seed = 987654;
  CExtensionFile library;
  library.file_name = "pack.dll";
  library.kind = kExtensionLibrary;
  library.data = {9, 8, 7, 6, 5};
  CExtensionFunction function;
  function.name = "pack_add";
  function.external_name = "pack_add";
  function.calling_convention = 12;
  function.argument_count = 2;
  library.functions.push_back(function);
  library.constants.push_back({"PACK_VERSION", "3"});
  CExtensionFile scripts;
  scripts.file_name = "pack.vns";
  scripts.kind = kExtensionScripts;
  const std::string script_text = "#define pack_hello\r\nreturn 1;\r\n";
  scripts.data.assign(script_text.begin(), script_text.end());
  function.name = "pack_hello";
  function.external_name = "pack_hello";
  function.id = 1;
  function.argument_count = 0;
  function.code = "return 1;";
  scripts.functions.push_back(function);
  CExtensionFile nodata;
  nodata.file_name = "readme.txt";
  nodata.kind = kExtensionNoData;
  package.files = {library, scripts, nodata};
  game.extensions.push_back(package);

  auto trigger = std::make_unique<CTrigger>();
  trigger->name = "on_low";
  trigger->condition = "return health < 10;";
  trigger->moment = 1;
  trigger->constant_name = "tr_low";
  game.triggers.push_back(nullptr);
  game.triggers.push_back(std::move(trigger));
  game.constants = {{"MAX_SPEED", "12"}, {"TITLE", "\"Caf\xE9\""}};

  auto sound = std::make_unique<CSound>();
  sound->file_type = ".wav";
  sound->file_name = "beep.wav";
  sound->has_data = true;
  sound->data = {'R', 'I', 'F', 'F'};
  sound->effects = 3;
  sound->volume = 0.5;
  sound->pan = -0.25;
  game.sounds.add("snd_beep", std::move(sound));
  game.sounds.add("", nullptr);

  auto sprite = std::make_unique<CSprite>();
  sprite->xorigin = 2;
  sprite->yorigin = 1;
  sprite->frames = {TBitmap32(make_image(3, 2, 0xFFFF0000)), TBitmap32(make_image(3, 2, 0x80112233))};
  TMask mask;
  mask.width = 3;
  mask.height = 2;
  mask.left = 0;
  mask.top = 0;
  mask.right = 2;
  mask.bottom = 1;
  mask.cells = {1, 0, 1, 0, 1, 0};
  sprite->masks = {mask};
  game.sprites.add("spr_ball", std::move(sprite));
  auto empty_sprite = std::make_unique<CSprite>();
  empty_sprite->separate_masks = true;
  game.sprites.add("spr_none", std::move(empty_sprite));

  auto background = std::make_unique<CBackground>();
  background->image = TBitmap32(make_image(8, 4, 0xFF00FF00));
  game.backgrounds.add("bg_grass", std::move(background));

  auto path = std::make_unique<CPath>();
  path->kind = 1;
  path->closed = false;
  path->points = {{0, 0, 100}, {10.5, -3.25, 50}};
  game.paths.add("path_loop", std::move(path));

  auto script = std::make_unique<CScript>();
  script->source = "return argument0 + 1;";
  game.scripts.add("scr_inc", std::move(script));

  auto font = std::make_unique<CFont>();
  font->font_name = "Arial";
  font->bold = true;
  font->glyphs[65] = {0, 0, 2, 2, 3, 0};
  font->sheet_width = 2;
  font->sheet_height = 2;
  font->sheet = {0, 255, 128, 64};
  game.fonts.add("fnt_main", std::move(font));

  auto timeline = std::make_unique<CTimeLine>();
  timeline->moments.push_back({5, CEvent{{code_action("x = 1;")}}});
  game.timelines.add("tl_intro", std::move(timeline));

  auto wall = std::make_unique<CObject>();
  wall->solid = true;
  wall->last_event_type = -1;
  game.objects.add("obj_wall", std::move(wall));
  auto ball = std::make_unique<CObject>();
  ball->sprite_index = 0;
  ball->depth = -5;
  ball->event(0, 0).actions.push_back(code_action("speed = 4;"));
  CAction move;
  move.library_id = 1;
  move.action_id = 101;
  move.uses_relative = true;
  move.uses_apply_to = true;
  move.execution = kExecuteFunction;
  move.function_name = "action_move";
  move.argument_count = 2;
  move.argument_kinds = {9, 0};
  move.argument_texts = {"000010000", "4"};
  move.relative = true;
  ball->event(4, 0).actions.push_back(move);
  ball->event(3, 2).actions.push_back(code_action("y += 1;"));
  ball->event(3, 0).actions.push_back(code_action("x += 1;"));
  game.objects.add("obj_ball", std::move(ball));

  auto room = std::make_unique<CRoom>();
  room->caption = "First";
  room->creation_code = "score = 0;";
  room->backgrounds[0].visible = true;
  room->backgrounds[0].background_index = 0;
  room->backgrounds[0].stretch = true;
  room->backgrounds[0].xscale = 640.0 / 8;
  room->backgrounds[0].yscale = 480.0 / 4;
  room->views_enabled = true;
  room->views[0].visible = true;
  room->views[0].follow = 1;
  room->instances = {{32, 48, 1, 100001, "speed = 2;"}, {0, 0, 0, 100002, ""}};
  room->tiles = {{16, 16, 0, 0, 0, 4, 4, 1000, 10000001}};
  game.rooms.add("rm_first", std::move(room));
  game.last_instance_id = 100002;
  game.last_tile_id = 10000001;

  CDataFile data;
  data.file_name = "level.txt";
  data.source_path = "C:\\games\\level.txt";
  data.stored = true;
  data.data_follows = true;
  data.data = {'h', 'i'};
  data.source_size = 2;
  data.export_mode = kExportTemp;
  game.included_files.push_back(data);
  CDataFile absent;
  absent.file_name = "absent.txt";
  absent.stored = true;
  game.included_files.push_back(absent);

  game.game_information.caption = "About";
  const std::string rtf = "{\\rtf1 Hello}";
  game.game_information.text.assign(rtf.begin(), rtf.end());
  game.library_init_code = {"", "global.lib = 1;"};
  game.room_order = {0};
  return game;
}

std::vector<uint8_t> make_standalone(const CGameData& game, size_t runner_size) {
  std::vector<uint8_t> bytes(runner_size, 0x90);
  size_t offset = kGameFirstOffset;
  while (offset < runner_size) offset += kGameOffsetStep;
  bytes.resize(offset, 0);
  std::vector<uint8_t> data = write_game_data(game);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

}  // namespace vn::test
