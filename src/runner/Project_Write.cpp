#include "runner/Project_Write.h"

#include <cctype>
#include <map>

#include "platform/Platform_FileIo.h"
#include "platform/Platform_Image.h"
#include "runner/Project_Json.h"

namespace vn {

namespace {

namespace fs = std::filesystem;

constexpr int kCollisionEvent = 4;
constexpr uint32_t kMaskSolidPixel = 0xFFFFFFFF;
constexpr uint32_t kWhite = 0x00FFFFFF;

// The names that references may use: unique and not empty; "" where the index has none.
template <typename T>
std::vector<std::string> reference_names(const TResourceList<T>& list) {
  std::map<std::string, int> counts;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.exists(int64_t(i))) ++counts[list.names[i]];
  }
  std::vector<std::string> names(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.exists(int64_t(i)) && !list.names[i].empty() && counts[list.names[i]] == 1) {
      names[i] = list.names[i];
    }
  }
  return names;
}

Json reference(int32_t index, const std::vector<std::string>& names) {
  if (index == -1) return nullptr;
  if (index >= 0 && size_t(index) < names.size() && !names[size_t(index)].empty()) {
    return project_text(names[size_t(index)]);
  }
  return index;
}

template <typename T>
std::vector<std::string> resource_stems(const TResourceList<T>& list, const std::string& fallback) {
  std::vector<const std::string*> names;
  for (size_t i = 0; i < list.size(); ++i) {
    names.push_back(list.exists(int64_t(i)) ? &list.names[i] : nullptr);
  }
  return choose_file_names(names, fallback);
}

// A sound file keeps its type's extension when that is a plain one.
std::string sound_extension(const std::string& file_type) {
  bool plain = file_type.size() >= 2 && file_type.size() <= 16 && file_type[0] == '.';
  for (size_t i = 1; plain && i < file_type.size(); ++i) {
    plain = std::isalnum(static_cast<unsigned char>(file_type[i])) != 0;
  }
  std::string lower = file_type;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  return plain && lower != ".json" ? file_type : ".bin";
}

bool has_pixels(int width, int height) { return int64_t(width) * int64_t(height) > 0; }

Json size_json(int width, int height) { return Json{{"width", width}, {"height", height}}; }

class CProjectWriter {
 public:
  CProjectWriter(const CGameData& game, const fs::path& folder)
      : game_(game),
        folder_(folder),
        sprite_names_(reference_names(game.sprites)),
        background_names_(reference_names(game.backgrounds)),
        object_names_(reference_names(game.objects)),
        room_names_(reference_names(game.rooms)) {}

  void write() {
    prepare_folder();
    Json root;
    root["debug_mode"] = game_.debug_mode;
    root["game_id"] = game_.game_id;
    std::string guid;
    for (uint8_t byte : game_.guid) {
      static const char kDigits[] = "0123456789ABCDEF";
      guid += kDigits[byte >> 4];
      guid += kDigits[byte & 15];
    }
    root["guid"] = guid;
    root["settings"] = settings();
    Json d3dx;
    d3dx["name"] = project_text(game_.d3dx_name);
    d3dx["file"] = nullptr;
    if (!game_.d3dx_data.empty()) {
      std::string file = "d3dx/" + choose_file_names({&game_.d3dx_name}, "library.dll", true)[0];
      put_file(file, game_.d3dx_data);
      d3dx["file"] = file;
    }
    root["d3dx"] = d3dx;
    root["constants"] = Json::array();
    for (const RConstant& constant : game_.constants) {
      root["constants"].push_back(
          {{"name", project_text(constant.name)}, {"value", project_text(constant.value)}});
    }
    root["triggers"] = Json::array();
    for (const std::unique_ptr<CTrigger>& trigger : game_.triggers) {
      if (!trigger) {
        root["triggers"].push_back(nullptr);
        continue;
      }
      root["triggers"].push_back({{"name", project_text(trigger->name)},
                                  {"condition", project_text(trigger->condition)},
                                  {"moment", trigger->moment},
                                  {"constant", project_text(trigger->constant_name)}});
    }
    root["extensions"] = extensions();

    root["sounds"] = write_kind(game_.sounds, "sounds", "sound", &CProjectWriter::sound);
    root["sprites"] = write_kind(game_.sprites, "sprites", "sprite", &CProjectWriter::sprite);
    root["backgrounds"] =
        write_kind(game_.backgrounds, "backgrounds", "background", &CProjectWriter::background);
    root["paths"] = write_kind(game_.paths, "paths", "path", &CProjectWriter::path);
    root["scripts"] = write_kind(game_.scripts, "scripts", "script", &CProjectWriter::script);
    root["fonts"] = write_kind(game_.fonts, "fonts", "font", &CProjectWriter::font);
    root["timelines"] =
        write_kind(game_.timelines, "timelines", "timeline", &CProjectWriter::timeline);
    root["objects"] = write_kind(game_.objects, "objects", "object", &CProjectWriter::object);
    root["rooms"] = write_kind(game_.rooms, "rooms", "room", &CProjectWriter::room);
    root["last_instance_id"] = game_.last_instance_id;
    root["last_tile_id"] = game_.last_tile_id;

    root["included_files"] = included_files();
    root["game_information"] = game_information();
    root["library_init_code"] = Json::array();
    for (const std::string& text : game_.library_init_code) {
      root["library_init_code"].push_back(project_text(text));
    }
    std::vector<int32_t> every_room;
    for (size_t i = 0; i < game_.rooms.size(); ++i) {
      if (game_.rooms.exists(int64_t(i))) every_room.push_back(int32_t(i));
    }
    if (game_.room_order != every_room || every_room.empty()) {
      root["room_order"] = Json::array();
      for (int32_t room : game_.room_order)
        root["room_order"].push_back(reference(room, room_names_));
    }
    root["reserved_flag"] = game_.reserved_flag;
    if (game_.main_filler != default_main_filler(game_.game_id))
      root["main_filler"] = game_.main_filler;
    put_json(kProjectFile, root);
  }

 private:
  // ---- files

  [[noreturn]] void fail(const std::string& file, const std::string& problem) const {
    throw ProjectError((folder_ / fs::path(file)).string() + ": " + problem);
  }

  void prepare_folder() {
    std::error_code error;
    if (fs::exists(folder_, error)) {
      if (!fs::is_directory(folder_, error)) {
        throw ProjectError(folder_.string() + ": exists and is not a folder");
      }
      if (!fs::is_empty(folder_, error)) {
        throw ProjectError(folder_.string() + ": the folder is not empty");
      }
    }
    fs::create_directories(folder_, error);
    if (error)
      throw ProjectError(folder_.string() + ": cannot be created (" + error.message() + ")");
  }

  void make_parent(const std::string& file) {
    std::error_code error;
    fs::create_directories((folder_ / fs::path(file)).parent_path(), error);
    if (error) fail(file, "the folder cannot be created (" + error.message() + ")");
  }

  void put_file(const std::string& file, std::span<const uint8_t> bytes) {
    make_parent(file);
    std::string problem;
    if (!write_file_atomic(folder_ / fs::path(file), bytes, problem)) fail(file, problem);
  }

  void put_text(const std::string& file, const std::string& text) {
    put_file(file, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  }

  void put_json(const std::string& file, const Json& value) { put_text(file, dump_json(value)); }

  void put_png(const std::string& file, const RImage& image) {
    if (image.pixels.size() != size_t(image.width) * size_t(image.height)) {
      fail(file, "the picture's pixels do not match its size");
    }
    make_parent(file);
    std::string problem;
    if (!save_png(folder_ / fs::path(file), image, problem)) fail(file, problem);
  }

  // The game.json list of a kind, each resource written by write_one into
  // folder/STEM... and known there by its stem.
  template <typename T>
  Json write_kind(const TResourceList<T>& list, const std::string& folder,
                  const std::string& fallback,
                  void (CProjectWriter::*write_one)(const T&, const std::string&,
                                                    const std::string&)) {
    std::vector<std::string> stems = resource_stems(list, fallback);
    Json entries = Json::array();
    for (size_t i = 0; i < list.size(); ++i) {
      const T* item = list.get(int64_t(i));
      if (!item) {
        entries.push_back(nullptr);
        continue;
      }
      std::string name = project_text(list.names[i]);
      if (stems[i] == name) {
        entries.push_back(name);
      } else {
        entries.push_back({{"name", name}, {"file", stems[i]}});
      }
      (this->*write_one)(*item, folder, stems[i]);
    }
    return entries;
  }

  // ---- game.json

  Json loading_picture(const std::optional<RBitmapFile>& picture, const std::string& file) {
    if (!picture) return nullptr;
    put_file(file, picture->file);
    return file;
  }

  Json settings() {
    const CGameSettings& s = game_.settings;
    Json f;
    f["start_fullscreen"] = s.start_fullscreen;
    f["interpolate"] = s.interpolate;
    f["no_border"] = s.no_border;
    f["show_cursor"] = s.show_cursor;
    f["scaling"] = s.scaling;
    f["sizeable"] = s.sizeable;
    f["stay_on_top"] = s.stay_on_top;
    f["window_color"] = color_to_json(s.window_color);
    f["set_resolution"] = s.set_resolution;
    f["color_depth"] = s.color_depth;
    f["resolution"] = s.resolution;
    f["frequency"] = s.frequency;
    f["no_buttons"] = s.no_buttons;
    f["vsync"] = s.vsync;
    f["no_screensaver"] = s.no_screensaver;
    f["key_f4_fullscreen"] = s.key_f4_fullscreen;
    f["key_f1_help"] = s.key_f1_help;
    f["key_esc_ends"] = s.key_esc_ends;
    f["key_f5_f6_save_load"] = s.key_f5_f6_save_load;
    f["key_f9_screenshot"] = s.key_f9_screenshot;
    f["close_as_esc"] = s.close_as_esc;
    f["priority"] = s.priority;
    f["freeze_unfocused"] = s.freeze_unfocused;
    f["loading_bar"] = s.loading_bar;
    // The bar pictures are only stored with the bar.
    f["loading_back"] =
        loading_picture(s.loading_bar ? s.loading_back : std::nullopt, "loading/back.bmp");
    f["loading_front"] =
        loading_picture(s.loading_bar ? s.loading_front : std::nullopt, "loading/front.bmp");
    f["loading_image"] = loading_picture(s.loading_image, "loading/image.bmp");
    f["loading_transparent"] = s.loading_transparent;
    f["loading_alpha"] = s.loading_alpha;
    f["scale_loading_bar"] = s.scale_loading_bar;
    f["display_errors"] = s.display_errors;
    f["write_errors"] = s.write_errors;
    f["abort_errors"] = s.abort_errors;
    f["uninitialized_zero"] = s.uninitialized_zero;
    return f;
  }

  Json extensions() {
    Json packages = Json::array();
    std::vector<const std::string*> package_names;
    for (const CExtensionPackage& package : game_.extensions)
      package_names.push_back(&package.name);
    std::vector<std::string> folders = choose_file_names(package_names, "package");
    for (size_t i = 0; i < game_.extensions.size(); ++i) {
      const CExtensionPackage& package = game_.extensions[i];
      Json p;
      p["name"] = project_text(package.name);
      p["folder"] = project_text(package.folder_name);
      if (package.seed != derived_extension_seed(game_.game_id, i)) p["seed"] = package.seed;
      std::vector<const std::string*> file_names;
      for (const CExtensionFile& file : package.files) file_names.push_back(&file.file_name);
      std::vector<std::string> stems = choose_file_names(file_names, "file", true);
      p["files"] = Json::array();
      for (size_t j = 0; j < package.files.size(); ++j) {
        const CExtensionFile& file = package.files[j];
        Json f;
        f["name"] = project_text(file.file_name);
        f["kind"] = file.kind;
        f["init"] = project_text(file.init_function);
        f["final"] = project_text(file.final_function);
        f["data"] = nullptr;
        if (file.kind != kExtensionNoData && !file.data.empty()) {
          std::string path = "extensions/" + folders[i] + "/" + stems[j];
          put_file(path, file.data);
          f["data"] = path;
        }
        f["functions"] = Json::array();
        for (const CExtensionFunction& function : file.functions) {
          Json g;
          g["name"] = project_text(function.name);
          g["external_name"] = project_text(function.external_name);
          g["convention"] = function.calling_convention;
          g["id"] = function.id;
          g["argument_count"] = function.argument_count;
          size_t types = function.argument_types.size();
          while (types > 0 && function.argument_types[types - 1] == kExtensionTypeReal) --types;
          g["argument_types"] = std::vector<int>(
              function.argument_types.begin(), function.argument_types.begin() + ptrdiff_t(types));
          g["result_type"] = function.result_type;
          f["functions"].push_back(g);
        }
        f["constants"] = Json::array();
        for (const CExtensionConstant& constant : file.constants) {
          f["constants"].push_back(
              {{"name", project_text(constant.name)}, {"value", project_text(constant.value)}});
        }
        p["files"].push_back(f);
      }
      packages.push_back(p);
    }
    return packages;
  }

  Json included_files() {
    std::vector<const std::string*> names;
    for (const CDataFile& file : game_.included_files) names.push_back(&file.file_name);
    std::vector<std::string> stems = choose_file_names(names, "file", true);
    Json files = Json::array();
    for (size_t i = 0; i < game_.included_files.size(); ++i) {
      const CDataFile& file = game_.included_files[i];
      Json f;
      f["name"] = project_text(file.file_name);
      f["source_path"] = project_text(file.source_path);
      f["stored"] = file.stored;
      f["source_size"] = file.source_size;
      f["data_follows"] = file.data_follows;
      f["data"] = nullptr;
      if (file.stored && file.data_follows && !file.data.empty()) {
        std::string path = "included/" + stems[i];
        put_file(path, file.data);
        f["data"] = path;
      }
      f["export_mode"] = file.export_mode;
      f["export_folder"] = project_text(file.export_folder);
      f["overwrite"] = file.overwrite;
      f["free_after_export"] = file.free_after_export;
      f["remove_at_end"] = file.remove_at_end;
      files.push_back(f);
    }
    return files;
  }

  Json game_information() {
    const CGameInformation& info = game_.game_information;
    Json f;
    f["background_color"] = color_to_json(info.background_color);
    f["show_in_game_window"] = info.show_in_game_window;
    f["caption"] = project_text(info.caption);
    f["left"] = info.left;
    f["top"] = info.top;
    f["width"] = info.width;
    f["height"] = info.height;
    f["show_border"] = info.show_border;
    f["sizeable"] = info.sizeable;
    f["stay_on_top"] = info.stay_on_top;
    f["pause_game"] = info.pause_game;
    f["text"] = nullptr;
    if (!info.text.empty()) {
      put_file("game_information.rtf", info.text);
      f["text"] = "game_information.rtf";
    }
    return f;
  }

  // ---- resources

  void sound(const CSound& sound, const std::string& folder, const std::string& stem) {
    Json f;
    f["kind"] = sound.kind;
    f["file_type"] = project_text(sound.file_type);
    f["file_name"] = project_text(sound.file_name);
    f["data"] = nullptr;
    if (sound.has_data) {
      std::string file = stem + sound_extension(sound.file_type);
      put_file(folder + "/" + file, sound.data);
      f["data"] = file;
    }
    f["effects"] = sound.effects;
    f["volume"] = real_to_json(sound.volume);
    f["pan"] = real_to_json(sound.pan);
    f["preload"] = sound.preload;
    put_json(folder + "/" + stem + ".json", f);
  }

  void sprite(const CSprite& sprite, const std::string& folder, const std::string& stem) {
    Json f;
    f["origin"] = {sprite.xorigin, sprite.yorigin};
    f["frames"] = Json::array();
    for (size_t i = 0; i < sprite.frames.size(); ++i) {
      const TBitmap32& frame = sprite.frames[i];
      if (!has_pixels(frame.width(), frame.height())) {
        f["frames"].push_back(size_json(frame.width(), frame.height()));
        continue;
      }
      std::string file = stem + "_" + std::to_string(i) + ".png";
      put_png(folder + "/" + file, frame.image());
      f["frames"].push_back(file);
    }
    f["separate_masks"] = sprite.separate_masks;
    f["masks"] = Json::array();
    for (size_t i = 0; i < sprite.masks.size(); ++i) {
      const TMask& mask = sprite.masks[i];
      Json m;
      if (has_pixels(mask.width, mask.height)) {
        std::string file = stem + "_mask" + std::to_string(i) + ".png";
        RImage picture;
        picture.width = mask.width;
        picture.height = mask.height;
        for (uint8_t cell : mask.cells) picture.pixels.push_back(cell ? kMaskSolidPixel : 0);
        put_png(folder + "/" + file, picture);
        m["image"] = file;
      } else {
        m["width"] = mask.width;
        m["height"] = mask.height;
      }
      m["box"] = {mask.left, mask.top, mask.right, mask.bottom};
      f["masks"].push_back(m);
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  void background(const CBackground& background, const std::string& folder,
                  const std::string& stem) {
    Json f;
    const TBitmap32& image = background.image;
    if (has_pixels(image.width(), image.height())) {
      put_png(folder + "/" + stem + ".png", image.image());
      f["image"] = stem + ".png";
    } else {
      f["image"] = size_json(image.width(), image.height());
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  void path(const CPath& path, const std::string& folder, const std::string& stem) {
    Json f;
    f["kind"] = path.kind;
    f["closed"] = path.closed;
    f["precision"] = path.precision;
    f["points"] = Json::array();
    for (const RPathPoint& point : path.points) {
      f["points"].push_back(
          {real_to_json(point.x), real_to_json(point.y), real_to_json(point.speed)});
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  void script(const CScript& script, const std::string& folder, const std::string& stem) {
    put_text(folder + "/" + stem + ".vns", project_text(script.source));
  }

  void font(const CFont& font, const std::string& folder, const std::string& stem) {
    Json f;
    f["font"] = project_text(font.font_name);
    f["size"] = font.size;
    f["bold"] = font.bold;
    f["italic"] = font.italic;
    f["first"] = font.first;
    f["last"] = font.last;
    size_t count = font.glyphs.size();
    while (count > 0 && font.glyphs[count - 1] == RGlyph()) --count;
    f["glyphs"] = Json::array();
    for (size_t i = 0; i < count; ++i) {
      const RGlyph& g = font.glyphs[i];
      f["glyphs"].push_back({g.x, g.y, g.width, g.height, g.shift, g.offset});
    }
    if (has_pixels(font.sheet_width, font.sheet_height)) {
      RImage sheet;
      sheet.width = font.sheet_width;
      sheet.height = font.sheet_height;
      for (uint8_t alpha : font.sheet) sheet.pixels.push_back(uint32_t(alpha) << 24 | kWhite);
      put_png(folder + "/" + stem + ".png", sheet);
      f["sheet"] = stem + ".png";
    } else if (font.sheet_width == 0 && font.sheet_height == 0) {
      f["sheet"] = nullptr;
    } else {
      f["sheet"] = size_json(font.sheet_width, font.sheet_height);
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  Json actions(const CEvent& event) const {
    Json list = Json::array();
    for (const CAction& action : event.actions) {
      if (std::optional<std::string> code = plain_code(action)) {
        list.push_back(project_text(*code));
        continue;
      }
      Json a;
      a["library_id"] = action.library_id;
      a["action_id"] = action.action_id;
      a["kind"] = action.kind;
      a["uses_relative"] = action.uses_relative;
      a["is_question"] = action.is_question;
      a["uses_apply_to"] = action.uses_apply_to;
      a["execution"] = action.execution;
      a["function"] = project_text(action.function_name);
      a["code"] = project_text(action.code_text);
      a["argument_count"] = action.argument_count;
      a["argument_kinds"] = action.argument_kinds;
      a["apply_to"] = apply_to(action.apply_to);
      a["relative"] = action.relative;
      a["arguments"] = Json::array();
      for (const std::string& text : action.argument_texts)
        a["arguments"].push_back(project_text(text));
      a["not"] = action.not_flag;
      list.push_back(a);
    }
    return list;
  }

  // "self" and "other" are taken before names, so objects of those names go by index.
  Json apply_to(int32_t index) const {
    if (index == -1) return "self";
    if (index == -2) return "other";
    Json target = reference(index, object_names_);
    if (target == "self" || target == "other") return index;
    return target;
  }

  void timeline(const CTimeLine& timeline, const std::string& folder, const std::string& stem) {
    Json f;
    f["moments"] = Json::array();
    for (const RMoment& moment : timeline.moments) {
      f["moments"].push_back({{"step", moment.step}, {"actions", actions(moment.event)}});
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  void object(const CObject& object, const std::string& folder, const std::string& stem) {
    Json f;
    f["sprite"] = reference(object.sprite_index, sprite_names_);
    f["solid"] = object.solid;
    f["visible"] = object.visible;
    f["depth"] = object.depth;
    f["persistent"] = object.persistent;
    f["parent"] = reference(object.parent_index, object_names_);
    f["mask"] = reference(object.mask_index, sprite_names_);
    if (object.last_event_type != kEventTypeCount - 1)
      f["last_event_type"] = object.last_event_type;
    f["events"] = Json::array();
    for (int type = 0; type < kEventTypeCount; ++type) {
      for (const REventEntry& entry : object.events[size_t(type)]) {
        Json e;
        e["type"] = kEventTypeNames[size_t(type)];
        e["number"] =
            type == kCollisionEvent ? reference(entry.number, object_names_) : Json(entry.number);
        e["actions"] = actions(entry.event);
        f["events"].push_back(e);
      }
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  static bool default_layer(const CBack& layer) {
    CBack plain;
    return layer.visible == plain.visible && layer.foreground == plain.foreground &&
           layer.background_index == plain.background_index && int32_t(layer.x) == 0 &&
           int32_t(layer.y) == 0 && layer.tile_horizontal == plain.tile_horizontal &&
           layer.tile_vertical == plain.tile_vertical && int32_t(layer.hspeed) == 0 &&
           int32_t(layer.vspeed) == 0 && layer.stretch == plain.stretch;
  }

  static bool default_view(CView view) {
    view.angle = 0;
    return view == CView();
  }

  void room(const CRoom& room, const std::string& folder, const std::string& stem) {
    Json f;
    f["caption"] = project_text(room.caption);
    f["width"] = room.width;
    f["height"] = room.height;
    f["speed"] = room.speed;
    f["persistent"] = room.persistent;
    f["color"] = color_to_json(room.background_color);
    f["show_color"] = room.show_background_color;
    f["creation_code"] = project_text(room.creation_code);
    // Layers and views after the last one in use take their defaults.
    size_t layers = room.backgrounds.size();
    while (layers > 0 && default_layer(room.backgrounds[layers - 1])) --layers;
    f["backgrounds"] = Json::array();
    for (size_t i = 0; i < layers; ++i) {
      const CBack& layer = room.backgrounds[i];
      Json l;
      l["visible"] = layer.visible;
      l["foreground"] = layer.foreground;
      l["background"] = reference(layer.background_index, background_names_);
      l["x"] = int32_t(layer.x);
      l["y"] = int32_t(layer.y);
      l["tile_h"] = layer.tile_horizontal;
      l["tile_v"] = layer.tile_vertical;
      l["hspeed"] = int32_t(layer.hspeed);
      l["vspeed"] = int32_t(layer.vspeed);
      l["stretch"] = layer.stretch;
      f["backgrounds"].push_back(l);
    }
    f["views_enabled"] = room.views_enabled;
    size_t views = room.views.size();
    while (views > 0 && default_view(room.views[views - 1])) --views;
    f["views"] = Json::array();
    for (size_t i = 0; i < views; ++i) {
      const CView& view = room.views[i];
      Json v;
      v["visible"] = view.visible;
      v["view_x"] = view.view_x;
      v["view_y"] = view.view_y;
      v["view_w"] = view.view_width;
      v["view_h"] = view.view_height;
      v["port_x"] = view.port_x;
      v["port_y"] = view.port_y;
      v["port_w"] = view.port_width;
      v["port_h"] = view.port_height;
      v["hborder"] = view.hborder;
      v["vborder"] = view.vborder;
      v["hspeed"] = view.hspeed;
      v["vspeed"] = view.vspeed;
      v["follow"] = reference(view.follow, object_names_);
      f["views"].push_back(v);
    }
    f["instances"] = Json::array();
    for (const RRoomInstance& instance : room.instances) {
      f["instances"].push_back({{"x", instance.x},
                                {"y", instance.y},
                                {"object", reference(instance.object_index, object_names_)},
                                {"id", instance.id},
                                {"code", project_text(instance.creation_code)}});
    }
    f["tiles"] = Json::array();
    for (const RRoomTile& tile : room.tiles) {
      f["tiles"].push_back({{"x", tile.x},
                            {"y", tile.y},
                            {"background", reference(tile.background_index, background_names_)},
                            {"left", tile.left},
                            {"top", tile.top},
                            {"width", tile.width},
                            {"height", tile.height},
                            {"depth", tile.depth},
                            {"id", tile.id}});
    }
    put_json(folder + "/" + stem + ".json", f);
  }

  const CGameData& game_;
  fs::path folder_;
  std::vector<std::string> sprite_names_;
  std::vector<std::string> background_names_;
  std::vector<std::string> object_names_;
  std::vector<std::string> room_names_;
};

}  // namespace

bool write_project(const CGameData& game, const std::filesystem::path& folder, std::string& error) {
  try {
    CProjectWriter(game, folder).write();
  } catch (const ProjectError& problem) {
    error = problem.what();
    return false;
  } catch (const std::exception& problem) {
    // Anything else comes from the system (memory, the file system), not from the data.
    error = folder.string() + ": " + problem.what();
    return false;
  }
  return true;
}

}  // namespace vn
