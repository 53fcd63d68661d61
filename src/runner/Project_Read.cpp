#include "runner/Project_Read.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <map>
#include <set>

#include "graphics/Font_Build.h"
#include "platform/Platform_FileIo.h"
#include "platform/Platform_Image.h"
#include "runner/Project_Json.h"
#include "support/Support_Bmp.h"

namespace vn {

namespace {

namespace fs = std::filesystem;

constexpr int32_t kDefaultLastInstanceId = 100000;
constexpr int32_t kDefaultLastTileId = 10000000;
constexpr int kMaskCellAlpha = 127;
constexpr size_t kGlyphCount = 256;

// Where a value sits: a file of the project (relative, with '/') and the field in it.
struct RWhere {
  std::string file;
  std::string field;

  RWhere key(const std::string& name) const {
    return {file, field.empty() ? name : field + "." + name};
  }
  RWhere at(size_t index) const { return {file, field + "[" + std::to_string(index) + "]"}; }
};

[[noreturn]] void fail(const RWhere& where, const std::string& problem) {
  std::string message = where.file + ": ";
  if (!where.field.empty()) message += where.field + ": ";
  throw ProjectError(message + problem);
}

bool to_bool(const Json& value, const RWhere& where) {
  if (!value.is_boolean()) fail(where, "expected true or false");
  return value.get<bool>();
}

int32_t to_int(const Json& value, const RWhere& where) {
  if (value.is_number_unsigned()) {
    if (value.get<uint64_t>() > uint64_t(INT32_MAX))
      fail(where, "the number does not fit in 32 bits");
    return int32_t(value.get<uint64_t>());
  }
  if (value.is_number_integer()) {
    int64_t number = value.get<int64_t>();
    if (number < INT32_MIN || number > INT32_MAX) fail(where, "the number does not fit in 32 bits");
    return int32_t(number);
  }
  fail(where, "expected an integer");
}

double to_real(const Json& value, const RWhere& where) {
  if (value.is_number()) return value.get<double>();
  if (value.is_string()) {
    if (std::optional<double> real = real_from_text(value.get<std::string>())) return *real;
  }
  fail(where, "expected a number, \"nan\", \"inf\" or \"-inf\"");
}

std::string to_text(const Json& value, const RWhere& where) {
  if (!value.is_string()) fail(where, "expected a string");
  std::string text;
  std::string problem;
  if (!game_text(value.get<std::string>(), text, problem)) fail(where, problem);
  return text;
}

int32_t to_color(const Json& value, const RWhere& where) {
  if (value.is_string()) {
    if (std::optional<int32_t> color = color_from_text(value.get<std::string>())) return *color;
    fail(where, "expected a colour \"#RRGGBB\" or an integer");
  }
  if (!value.is_number_integer()) fail(where, "expected a colour \"#RRGGBB\" or an integer");
  return to_int(value, where);
}

const Json& empty_list() {
  static const Json list = Json::array();
  return list;
}

const Json& to_list(const Json* value, const RWhere& where, size_t limit = SIZE_MAX) {
  if (!value) return empty_list();
  if (!value->is_array()) fail(where, "expected a list");
  if (value->size() > limit) fail(where, "at most " + std::to_string(limit) + " entries");
  return *value;
}

// A name or a number from a fixed set of names.
int to_choice(const Json& value, const RWhere& where, const char* const* names, size_t count) {
  if (value.is_string()) {
    for (size_t i = 0; i < count; ++i) {
      if (value.get<std::string>() == names[i]) return int(i);
    }
  } else if (value.is_number_integer()) {
    int32_t number = to_int(value, where);
    if (number >= 0 && size_t(number) < count) return number;
  }
  std::string choices;
  for (size_t i = 0; i < count; ++i) choices += std::string(i ? ", " : "") + "\"" + names[i] + "\"";
  fail(where, "expected one of " + choices + " or its number 0 to " + std::to_string(count - 1));
}

// The fields of one JSON object, each looked up once; whatever is never asked for is
// an unknown field.
class CFields {
 public:
  CFields(const Json& value, RWhere where) : value_(value), where_(std::move(where)) {
    if (!value.is_object()) fail(where_, "expected an object");
  }
  // The fields refer to the value, which must outlive them.
  CFields(Json&&, RWhere) = delete;

  const Json* get(const char* key) {
    known_.insert(key);
    auto found = value_.find(key);
    return found == value_.end() ? nullptr : &*found;
  }
  bool has(const char* key) { return get(key) != nullptr; }
  RWhere at(const char* key) const { return where_.key(key); }
  const RWhere& where() const { return where_; }

  bool boolean(const char* key, bool fallback) {
    const Json* value = get(key);
    return value ? to_bool(*value, at(key)) : fallback;
  }
  int32_t integer(const char* key, int32_t fallback) {
    const Json* value = get(key);
    return value ? to_int(*value, at(key)) : fallback;
  }
  double real(const char* key, double fallback) {
    const Json* value = get(key);
    return value ? to_real(*value, at(key)) : fallback;
  }
  std::string text(const char* key, const std::string& fallback = std::string()) {
    const Json* value = get(key);
    return value ? to_text(*value, at(key)) : fallback;
  }
  int32_t color(const char* key, int32_t fallback) {
    const Json* value = get(key);
    return value ? to_color(*value, at(key)) : fallback;
  }
  const Json& list(const char* key, size_t limit = SIZE_MAX) {
    return to_list(get(key), at(key), limit);
  }

  void finish() const {
    for (auto it = value_.begin(); it != value_.end(); ++it) {
      if (!known_.count(it.key())) fail(where_.key(it.key()), "unknown field");
    }
  }

 private:
  const Json& value_;
  RWhere where_;
  std::set<std::string> known_;
};

// The names of one resource kind, for references by name.
struct RNames {
  const char* kind;
  std::map<std::string, int32_t> index;  // -1: more than one resource has the name

  void add(const std::string& name, size_t position) {
    if (name.empty()) return;
    auto [it, inserted] = index.emplace(name, int32_t(position));
    if (!inserted) it->second = -1;
  }
};

// null: none (-1); an integer: kept; a name: the one resource of that name.
int32_t to_reference(const Json& value, const RWhere& where, const RNames& names) {
  if (value.is_null()) return -1;
  if (value.is_number_integer()) return to_int(value, where);
  if (!value.is_string())
    fail(where, std::string("expected null, an index or the name of a ") + names.kind);
  std::string name = to_text(value, where);
  auto found = names.index.find(name);
  if (found == names.index.end()) {
    fail(where,
         std::string("there is no ") + names.kind + " named \"" + value.get<std::string>() + "\"");
  }
  if (found->second < 0) {
    fail(where, std::string("more than one ") + names.kind + " is named \"" +
                    value.get<std::string>() + "\"; use its index");
  }
  return found->second;
}

// One entry of a resource list in game.json.
struct REntry {
  bool present = false;
  std::string name;  // for the game
  std::string stem;  // of its files
};

class CProjectReader {
 public:
  CProjectReader(const fs::path& folder, CGameData& game) : folder_(folder), game_(game) {}

  void read() {
    Json root = load_json(kProjectFile, RWhere{kProjectFile, ""});
    CFields fields(root, RWhere{kProjectFile, ""});
    game_.debug_mode = fields.boolean("debug_mode", false);
    game_.game_id = fields.integer("game_id", derived_game_id(folder_));
    game_.guid = read_guid(fields);
    game_.reserved_flag = fields.boolean("reserved_flag", false);
    read_filler(fields);
    read_settings(fields);
    read_d3dx(fields);
    read_constants(fields);
    read_triggers(fields);
    read_extensions(fields);
    read_included_files(fields);
    read_game_information(fields);
    for (const Json& text : fields.list("library_init_code")) {
      game_.library_init_code.push_back(
          to_text(text, fields.at("library_init_code").at(game_.library_init_code.size())));
    }

    std::vector<REntry> sounds = read_list(fields, "sounds", sound_names_);
    std::vector<REntry> sprites = read_list(fields, "sprites", sprite_names_);
    std::vector<REntry> backgrounds = read_list(fields, "backgrounds", background_names_);
    std::vector<REntry> paths = read_list(fields, "paths", path_names_);
    std::vector<REntry> scripts = read_list(fields, "scripts", script_names_);
    std::vector<REntry> fonts = read_list(fields, "fonts", font_names_);
    std::vector<REntry> timelines = read_list(fields, "timelines", timeline_names_);
    std::vector<REntry> objects = read_list(fields, "objects", object_names_);
    std::vector<REntry> rooms = read_list(fields, "rooms", room_names_);
    const Json* last_instance = fields.get("last_instance_id");
    const Json* last_tile = fields.get("last_tile_id");
    const Json* room_order = fields.get("room_order");
    fields.finish();

    read_kind(sounds, game_.sounds, "sounds", ".json", &CProjectReader::read_sound);
    read_kind(sprites, game_.sprites, "sprites", ".json", &CProjectReader::read_sprite);
    read_kind(backgrounds, game_.backgrounds, "backgrounds", ".json",
              &CProjectReader::read_background);
    read_kind(paths, game_.paths, "paths", ".json", &CProjectReader::read_path);
    read_kind(scripts, game_.scripts, "scripts", ".vns", &CProjectReader::read_script);
    read_kind(fonts, game_.fonts, "fonts", ".json", &CProjectReader::read_font);
    read_kind(timelines, game_.timelines, "timelines", ".json", &CProjectReader::read_timeline);
    read_kind(objects, game_.objects, "objects", ".json", &CProjectReader::read_object);
    read_kind(rooms, game_.rooms, "rooms", ".json", &CProjectReader::read_room);

    RWhere game_where{kProjectFile, ""};
    game_.last_instance_id = number_ids(unnumbered_instances_, given_instance_ids_, last_instance,
                                        kDefaultLastInstanceId, game_where.key("last_instance_id"));
    game_.last_tile_id = number_ids(unnumbered_tiles_, given_tile_ids_, last_tile,
                                    kDefaultLastTileId, game_where.key("last_tile_id"));
    read_room_order(room_order, game_where.key("room_order"));
  }

 private:
  // ---- files

  // The project-relative name of a path written in a JSON file.
  std::string beside(const RWhere& where, const std::string& relative) const {
    fs::path joined = fs::path(where.file).parent_path() / fs::path(relative);
    return joined.lexically_normal().generic_string();
  }

  std::string file_value(const Json& value, const RWhere& where) const {
    if (!value.is_string() || value.get<std::string>().empty()) {
      fail(where, "expected the name of a file");
    }
    return beside(where, value.get<std::string>());
  }

  std::vector<uint8_t> load_bytes(const std::string& file, const RWhere& from) const {
    fs::path path = folder_ / fs::path(file);
    std::error_code ignored;
    if (!fs::exists(path, ignored)) fail(from, "the file " + file + " does not exist");
    std::vector<uint8_t> bytes;
    std::string problem;
    if (!read_file(path, bytes, problem))
      fail(from, "the file " + file + " cannot be read (" + problem + ")");
    return bytes;
  }

  Json load_json(const std::string& file, const RWhere& from) const {
    std::vector<uint8_t> bytes = load_bytes(file, from);
    // Each object's keys so far, innermost last: a repeated key is an error.
    std::vector<std::set<std::string>> keys;
    auto check = [&](int, Json::parse_event_t event, Json& parsed) {
      if (event == Json::parse_event_t::object_start) {
        keys.emplace_back();
      } else if (event == Json::parse_event_t::object_end) {
        keys.pop_back();
      } else if (event == Json::parse_event_t::key && !keys.empty()) {
        if (!keys.back().insert(parsed.get<std::string>()).second) {
          fail(RWhere{file, ""},
               "the field \"" + parsed.get<std::string>() + "\" appears twice in one object");
        }
      }
      return true;
    };
    try {
      return Json::parse(bytes.begin(), bytes.end(), check);
    } catch (const Json::exception& problem) {
      std::string what = problem.what();
      size_t end = what.find("] ");
      fail(RWhere{file, ""},
           "not valid JSON: " + (end == std::string::npos ? what : what.substr(end + 2)));
    }
  }

  RImage load_picture(const std::string& file, const RWhere& from) const {
    load_bytes(file, from);
    RImage image;
    std::string problem;
    if (!load_png(folder_ / fs::path(file), image, problem)) {
      fail(from, "the picture " + file + " cannot be read (" + problem + ")");
    }
    return image;
  }

  // A PNG file, or {"width", "height"} for a picture without pixels (a positive size
  // gives a transparent picture).
  RImage picture_or_size(const Json& value, const RWhere& where, bool negative_allowed) const {
    if (value.is_string()) return load_picture(file_value(value, where), where);
    if (!value.is_object()) fail(where, "expected a PNG file or {\"width\": W, \"height\": H}");
    CFields fields(value, where);
    RImage image;
    image.width = fields.integer("width", 0);
    image.height = fields.integer("height", 0);
    fields.finish();
    if (image.width < 0 || image.height < 0) {
      if (!negative_allowed) fail(where, "width and height cannot be negative");
      if (image.width < 0 && image.height < 0)
        fail(where, "width and height cannot both be negative");
    }
    if (image.width > 0 && image.height > 0) {
      image.pixels.assign(size_t(image.width) * size_t(image.height), 0);
    }
    return image;
  }

  // null for none, else the bytes of the file.
  std::optional<std::vector<uint8_t>> optional_data(const Json* value, const RWhere& where) const {
    if (!value || value->is_null()) return std::nullopt;
    return load_bytes(file_value(*value, where), where);
  }

  // ---- game.json

  std::array<uint8_t, 16> read_guid(CFields& fields) {
    const Json* value = fields.get("guid");
    if (!value) return derived_guid(game_.game_id);
    std::array<uint8_t, 16> guid{};
    std::string text = value->is_string() ? value->get<std::string>() : std::string();
    if (text.size() != 32 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      fail(fields.at("guid"), "expected 32 hexadecimal digits");
    }
    for (size_t i = 0; i < 16; ++i)
      guid[i] = uint8_t(std::stoi(text.substr(2 * i, 2), nullptr, 16));
    return guid;
  }

  void read_filler(CFields& fields) {
    if (!fields.has("main_filler")) {
      game_.main_filler = default_main_filler(game_.game_id);
      return;
    }
    const Json& list = fields.list("main_filler");
    for (size_t i = 0; i < list.size(); ++i) {
      game_.main_filler.push_back(to_int(list[i], fields.at("main_filler").at(i)));
    }
  }

  std::optional<RBitmapFile> loading_picture(CFields& fields, const char* key) const {
    const Json* value = fields.get(key);
    if (!value || value->is_null()) return std::nullopt;
    RWhere where = fields.at(key);
    std::string file = file_value(*value, where);
    std::string extension = fs::path(file).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    RBitmapFile bitmap;
    if (extension == ".bmp") {
      bitmap.file = load_bytes(file, where);
    } else if (extension == ".png") {
      bitmap.file = encode_bmp(load_picture(file, where));
    } else {
      fail(where, "expected a .bmp or .png picture");
    }
    if (!decode_bmp(bitmap.file, bitmap.image))
      fail(where, "the bitmap " + file + " cannot be read");
    return bitmap;
  }

  void read_settings(CFields& game_fields) {
    const Json* value = game_fields.get("settings");
    CGameSettings& s = game_.settings;
    s = CGameSettings();
    if (!value) return;
    CFields f(*value, game_fields.at("settings"));
    s.start_fullscreen = f.boolean("start_fullscreen", s.start_fullscreen);
    s.interpolate = f.boolean("interpolate", s.interpolate);
    s.no_border = f.boolean("no_border", s.no_border);
    s.show_cursor = f.boolean("show_cursor", s.show_cursor);
    s.scaling = f.integer("scaling", s.scaling);
    s.sizeable = f.boolean("sizeable", s.sizeable);
    s.stay_on_top = f.boolean("stay_on_top", s.stay_on_top);
    s.window_color = f.color("window_color", s.window_color);
    s.set_resolution = f.boolean("set_resolution", s.set_resolution);
    s.color_depth = f.integer("color_depth", s.color_depth);
    s.resolution = f.integer("resolution", s.resolution);
    s.frequency = f.integer("frequency", s.frequency);
    s.no_buttons = f.boolean("no_buttons", s.no_buttons);
    s.vsync = f.boolean("vsync", s.vsync);
    s.no_screensaver = f.boolean("no_screensaver", s.no_screensaver);
    s.key_f4_fullscreen = f.boolean("key_f4_fullscreen", s.key_f4_fullscreen);
    s.key_f1_help = f.boolean("key_f1_help", s.key_f1_help);
    s.key_esc_ends = f.boolean("key_esc_ends", s.key_esc_ends);
    s.key_f5_f6_save_load = f.boolean("key_f5_f6_save_load", s.key_f5_f6_save_load);
    s.key_f9_screenshot = f.boolean("key_f9_screenshot", s.key_f9_screenshot);
    s.close_as_esc = f.boolean("close_as_esc", s.close_as_esc);
    s.priority = f.integer("priority", s.priority);
    s.freeze_unfocused = f.boolean("freeze_unfocused", s.freeze_unfocused);
    s.loading_bar = f.boolean("loading_bar", s.loading_bar);
    s.loading_back = loading_picture(f, "loading_back");
    s.loading_front = loading_picture(f, "loading_front");
    s.loading_image = loading_picture(f, "loading_image");
    s.loading_transparent = f.boolean("loading_transparent", s.loading_transparent);
    s.loading_alpha = f.integer("loading_alpha", s.loading_alpha);
    s.scale_loading_bar = f.boolean("scale_loading_bar", s.scale_loading_bar);
    s.display_errors = f.boolean("display_errors", s.display_errors);
    s.write_errors = f.boolean("write_errors", s.write_errors);
    s.abort_errors = f.boolean("abort_errors", s.abort_errors);
    s.uninitialized_zero = f.boolean("uninitialized_zero", s.uninitialized_zero);
    f.finish();
  }

  void read_d3dx(CFields& game_fields) {
    const Json* value = game_fields.get("d3dx");
    if (!value) return;
    CFields f(*value, game_fields.at("d3dx"));
    game_.d3dx_name = f.text("name", game_.d3dx_name);
    game_.d3dx_data = optional_data(f.get("file"), f.at("file")).value_or(std::vector<uint8_t>());
    f.finish();
  }

  void read_constants(CFields& game_fields) {
    const Json& list = game_fields.list("constants");
    for (size_t i = 0; i < list.size(); ++i) {
      CFields f(list[i], game_fields.at("constants").at(i));
      game_.constants.push_back({f.text("name"), f.text("value")});
      f.finish();
    }
  }

  void read_triggers(CFields& game_fields) {
    const Json& list = game_fields.list("triggers");
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].is_null()) {
        game_.triggers.push_back(nullptr);
        continue;
      }
      CFields f(list[i], game_fields.at("triggers").at(i));
      auto trigger = std::make_unique<CTrigger>();
      trigger->name = f.text("name");
      trigger->condition = f.text("condition");
      trigger->moment = f.integer("moment", 0);
      trigger->constant_name = f.text("constant");
      f.finish();
      game_.triggers.push_back(std::move(trigger));
    }
  }

  void read_extensions(CFields& game_fields) {
    const Json& list = game_fields.list("extensions");
    for (size_t i = 0; i < list.size(); ++i) {
      CFields f(list[i], game_fields.at("extensions").at(i));
      CExtensionPackage package;
      package.name = f.text("name");
      package.folder_name = f.text("folder", derived_extension_folder(game_.game_id, i));
      package.seed = f.integer("seed", derived_extension_seed(game_.game_id, i));
      const Json& files = f.list("files");
      for (size_t j = 0; j < files.size(); ++j) {
        package.files.push_back(read_extension_file(files[j], f.at("files").at(j)));
      }
      f.finish();
      game_.extensions.push_back(std::move(package));
    }
  }

  CExtensionFile read_extension_file(const Json& value, const RWhere& where) {
    CFields f(value, where);
    CExtensionFile file;
    file.file_name = f.text("name");
    file.kind = f.integer("kind", file.kind);
    file.init_function = f.text("init");
    file.final_function = f.text("final");
    const Json* data = f.get("data");
    if (file.kind != kExtensionNoData) {
      file.data = optional_data(data, f.at("data")).value_or(std::vector<uint8_t>());
    }
    const Json& functions = f.list("functions");
    for (size_t i = 0; i < functions.size(); ++i) {
      CFields g(functions[i], f.at("functions").at(i));
      CExtensionFunction function;
      function.name = g.text("name");
      function.external_name = g.text("external_name");
      function.calling_convention = g.integer("convention", function.calling_convention);
      function.id = g.integer("id", function.id);
      function.argument_count = g.integer("argument_count", function.argument_count);
      const Json& types = g.list("argument_types", kExtensionArgumentTypes);
      for (size_t k = 0; k < types.size(); ++k) {
        function.argument_types[k] = to_int(types[k], g.at("argument_types").at(k));
      }
      function.result_type = g.integer("result_type", function.result_type);
      g.finish();
      function.normalize();
      file.functions.push_back(std::move(function));
    }
    const Json& constants = f.list("constants");
    for (size_t i = 0; i < constants.size(); ++i) {
      CFields g(constants[i], f.at("constants").at(i));
      file.constants.push_back({g.text("name"), g.text("value")});
      g.finish();
    }
    f.finish();
    if (file.kind == kExtensionScripts) file.assign_script_codes();
    return file;
  }

  void read_included_files(CFields& game_fields) {
    const Json& list = game_fields.list("included_files");
    for (size_t i = 0; i < list.size(); ++i) {
      CFields f(list[i], game_fields.at("included_files").at(i));
      CDataFile file;
      file.file_name = f.text("name");
      file.source_path = f.text("source_path");
      file.stored = f.boolean("stored", file.stored);
      file.source_size = f.integer("source_size", file.source_size);
      file.data_follows = f.boolean("data_follows", file.data_follows);
      const Json* data = f.get("data");
      if (file.stored && file.data_follows) {
        file.data = optional_data(data, f.at("data")).value_or(std::vector<uint8_t>());
      }
      file.export_mode = f.integer("export_mode", file.export_mode);
      file.export_folder = f.text("export_folder");
      file.overwrite = f.boolean("overwrite", file.overwrite);
      file.free_after_export = f.boolean("free_after_export", file.free_after_export);
      file.remove_at_end = f.boolean("remove_at_end", file.remove_at_end);
      f.finish();
      game_.included_files.push_back(std::move(file));
    }
  }

  void read_game_information(CFields& game_fields) {
    const Json* value = game_fields.get("game_information");
    if (!value) return;
    CFields f(*value, game_fields.at("game_information"));
    CGameInformation& info = game_.game_information;
    info.background_color = f.color("background_color", info.background_color);
    info.show_in_game_window = f.boolean("show_in_game_window", info.show_in_game_window);
    info.caption = f.text("caption", info.caption);
    info.left = f.integer("left", info.left);
    info.top = f.integer("top", info.top);
    info.width = f.integer("width", info.width);
    info.height = f.integer("height", info.height);
    info.show_border = f.boolean("show_border", info.show_border);
    info.sizeable = f.boolean("sizeable", info.sizeable);
    info.stay_on_top = f.boolean("stay_on_top", info.stay_on_top);
    info.pause_game = f.boolean("pause_game", info.pause_game);
    info.text = optional_data(f.get("text"), f.at("text")).value_or(std::vector<uint8_t>());
    f.finish();
  }

  std::vector<REntry> read_list(CFields& game_fields, const char* key, RNames& names) {
    const Json& list = game_fields.list(key);
    std::vector<REntry> entries(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      RWhere where = game_fields.at(key).at(i);
      REntry& entry = entries[i];
      if (list[i].is_null()) continue;
      entry.present = true;
      if (list[i].is_string()) {
        entry.name = to_text(list[i], where);
        entry.stem = list[i].get<std::string>();
        if (!readable_file_name(entry.stem)) {
          fail(where, "\"" + entry.stem +
                          "\" cannot be a file name; write {\"name\": ..., \"file\": ...}");
        }
      } else if (list[i].is_object()) {
        CFields f(list[i], where);
        entry.name = f.text("name");
        const Json* file = f.get("file");
        if (file && !file->is_string()) fail(f.at("file"), "expected a string");
        entry.stem = file ? file->get<std::string>() : project_text(entry.name);
        if (!readable_file_name(entry.stem)) {
          fail(file ? f.at("file") : f.at("name"), "\"" + entry.stem + "\" cannot be a file name");
        }
        f.finish();
      } else {
        fail(where, "expected null, a name or {\"name\": ..., \"file\": ...}");
      }
      names.add(entry.name, i);
    }
    return entries;
  }

  template <typename T>
  void read_kind(const std::vector<REntry>& entries, TResourceList<T>& list, const char* folder,
                 const char* extension,
                 void (CProjectReader::*read_one)(T&, const RWhere&, const RWhere&)) {
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!entries[i].present) {
        list.add("", nullptr);
        continue;
      }
      auto item = std::make_unique<T>();
      RWhere file{std::string(folder) + "/" + entries[i].stem + extension, ""};
      (this->*read_one)(*item, file, RWhere{kProjectFile, std::string(folder)}.at(i));
      list.add(entries[i].name, std::move(item));
    }
  }

  void read_room_order(const Json* value, const RWhere& where) {
    if (!value) {
      for (size_t i = 0; i < game_.rooms.size(); ++i) {
        if (game_.rooms.exists(int64_t(i))) game_.room_order.push_back(int32_t(i));
      }
      if (game_.room_order.empty())
        fail(RWhere{kProjectFile, "rooms"}, "a game needs at least one room");
      return;
    }
    const Json& list = to_list(value, where);
    for (size_t i = 0; i < list.size(); ++i) {
      game_.room_order.push_back(to_reference(list[i], where.at(i), room_names_));
    }
    if (game_.room_order.empty()) fail(where, "a game needs at least one room in its room order");
  }

  // Numbers what has no id from the highest of the counter and every id given; the
  // counter left out is at least the highest id given.
  template <typename Item>
  int32_t number_ids(const std::vector<std::pair<Item*, RWhere>>& unnumbered, int64_t highest_given,
                     const Json* counter, int32_t fallback, const RWhere& where) {
    int64_t start = counter ? to_int(*counter, where) : fallback;
    int64_t last = std::max(start, highest_given);
    for (const auto& [item, item_where] : unnumbered) {
      if (last >= INT32_MAX) fail(item_where, "no id is left to number it with");
      item->id = int32_t(++last);
    }
    if (counter && unnumbered.empty()) return int32_t(start);
    return int32_t(last);
  }

  // ---- resources

  void read_sound(CSound& sound, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    sound.kind = f.integer("kind", sound.kind);
    sound.file_type = f.text("file_type");
    sound.file_name = f.text("file_name");
    std::optional<std::vector<uint8_t>> data = optional_data(f.get("data"), f.at("data"));
    sound.has_data = data.has_value();
    sound.data = data.value_or(std::vector<uint8_t>());
    sound.effects = f.integer("effects", sound.effects);
    sound.volume = f.real("volume", sound.volume);
    sound.pan = f.real("pan", sound.pan);
    sound.preload = f.boolean("preload", sound.preload);
    f.finish();
  }

  void read_sprite(CSprite& sprite, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    if (const Json* origin = f.get("origin")) {
      const Json& pair = to_list(origin, f.at("origin"));
      if (pair.size() != 2) fail(f.at("origin"), "expected [x, y]");
      sprite.xorigin = to_int(pair[0], f.at("origin").at(0));
      sprite.yorigin = to_int(pair[1], f.at("origin").at(1));
    }
    read_frames(f, sprite);
    sprite.separate_masks = f.boolean("separate_masks", false);
    const Json* masks = f.get("masks");
    const Json* options = f.get("mask");
    if (masks && options) fail(f.at("mask"), "the mask options cannot be given with masks");
    if (masks) {
      const Json& list = to_list(masks, f.at("masks"));
      size_t expected = sprite.frames.empty()   ? 0
                        : sprite.separate_masks ? sprite.frames.size()
                                                : 1;
      if (list.size() != expected) {
        fail(f.at("masks"), "expected " + std::to_string(expected) +
                                (sprite.separate_masks ? " masks (one per frame)" : " mask"));
      }
      for (size_t i = 0; i < list.size(); ++i) {
        sprite.masks.push_back(read_mask(list[i], f.at("masks").at(i)));
      }
    } else {
      int shape = kMaskPrecise, box = kMaskBoxAutomatic, tolerance = 0;
      int left = 0, top = 0, right = 0, bottom = 0;
      if (options) {
        CFields m(*options, f.at("mask"));
        if (const Json* value = m.get("shape")) {
          shape = to_choice(*value, m.at("shape"), kMaskShapeNames.data(), kMaskShapeNames.size());
        }
        if (const Json* value = m.get("box")) {
          box = to_choice(*value, m.at("box"), kMaskBoxNames.data(), kMaskBoxNames.size());
        }
        tolerance = m.integer("tolerance", 0);
        left = m.integer("left", 0);
        top = m.integer("top", 0);
        right = m.integer("right", 0);
        bottom = m.integer("bottom", 0);
        m.finish();
      }
      sprite.set_masks(sprite.separate_masks, box, tolerance, shape, left, top, right, bottom);
    }
    f.finish();
  }

  void read_frames(CFields& f, CSprite& sprite) const {
    const Json* frames = f.get("frames");
    if (!frames) return;
    RWhere where = f.at("frames");
    if (frames->is_object()) {
      CFields strip(*frames, where);
      const Json* file = strip.get("strip");
      if (!file) fail(strip.at("strip"), "the strip picture is missing");
      int32_t count = strip.integer("count", 1);
      strip.finish();
      if (count < 1) fail(strip.at("count"), "expected at least 1 frame");
      RImage picture = load_picture(file_value(*file, strip.at("strip")), strip.at("strip"));
      int width = picture.width / count;
      if (width < 1)
        fail(strip.at("count"), "the strip is narrower than " + std::to_string(count) + " pixels");
      for (int i = 0; i < count; ++i) {
        RImage frame;
        frame.width = width;
        frame.height = picture.height;
        frame.pixels.resize(size_t(width) * size_t(picture.height));
        for (int y = 0; y < picture.height; ++y) {
          for (int x = 0; x < width; ++x) frame.at(x, y) = picture.at(i * width + x, y);
        }
        sprite.frames.emplace_back(std::move(frame));
      }
      return;
    }
    const Json& list = to_list(frames, where);
    for (size_t i = 0; i < list.size(); ++i) {
      sprite.frames.emplace_back(picture_or_size(list[i], where.at(i), true));
    }
  }

  TMask read_mask(const Json& value, const RWhere& where) const {
    CFields f(value, where);
    TMask mask;
    const Json* image = f.get("image");
    bool sized = f.has("width") || f.has("height");
    if (image && sized) fail(f.at("width"), "a mask has either an image or a width and height");
    if (image) {
      RImage picture = load_picture(file_value(*image, f.at("image")), f.at("image"));
      mask.width = picture.width;
      mask.height = picture.height;
      for (uint32_t pixel : picture.pixels) mask.cells.push_back(int(pixel >> 24) > kMaskCellAlpha);
    } else {
      mask.width = f.integer("width", 0);
      mask.height = f.integer("height", 0);
      if (mask.width < 0 || mask.height < 0) fail(where, "width and height cannot be negative");
      mask.cells.assign(size_t(mask.width) * size_t(mask.height), 0);
    }
    if (const Json* box = f.get("box")) {
      const Json& sides = to_list(box, f.at("box"));
      if (sides.size() != 4) fail(f.at("box"), "expected [left, top, right, bottom]");
      mask.left = to_int(sides[0], f.at("box").at(0));
      mask.top = to_int(sides[1], f.at("box").at(1));
      mask.right = to_int(sides[2], f.at("box").at(2));
      mask.bottom = to_int(sides[3], f.at("box").at(3));
    } else {
      mask.left = mask.width - 1;
      mask.top = mask.height - 1;
      mask.right = mask.bottom = 0;
      for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
          if (!mask.cell(x, y)) continue;
          mask.left = std::min(mask.left, x);
          mask.top = std::min(mask.top, y);
          mask.right = std::max(mask.right, x);
          mask.bottom = std::max(mask.bottom, y);
        }
      }
    }
    f.finish();
    return mask;
  }

  void read_background(CBackground& background, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    if (const Json* image = f.get("image")) {
      background.image = TBitmap32(picture_or_size(*image, f.at("image"), true));
    }
    f.finish();
  }

  void read_path(CPath& path, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    path.kind = f.integer("kind", path.kind);
    path.closed = f.boolean("closed", path.closed);
    path.precision = f.integer("precision", path.precision);
    const Json& points = f.list("points");
    for (size_t i = 0; i < points.size(); ++i) {
      RWhere where = f.at("points").at(i);
      const Json& point = to_list(&points[i], where);
      if (point.size() != 2 && point.size() != 3) fail(where, "expected [x, y] or [x, y, speed]");
      RPathPoint stored;
      stored.x = to_real(point[0], where.at(0));
      stored.y = to_real(point[1], where.at(1));
      if (point.size() == 3) stored.speed = to_real(point[2], where.at(2));
      path.points.push_back(stored);
    }
    f.finish();
  }

  void read_script(CScript& script, const RWhere& file, const RWhere& from) {
    std::vector<uint8_t> bytes = load_bytes(file.file, from);
    std::string text(bytes.begin(), bytes.end());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::string problem;
    size_t offset = 0;
    if (!game_text(text, script.source, problem, &offset)) {
      size_t line = 1 + size_t(std::count(text.begin(), text.begin() + ptrdiff_t(offset), '\n'));
      fail(RWhere{file.file, "line " + std::to_string(line)}, problem);
    }
  }

  void read_font(CFont& font, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    font.font_name = f.text("font");
    font.size = f.integer("size", font.size);
    font.bold = f.boolean("bold", font.bold);
    font.italic = f.boolean("italic", font.italic);
    font.first = f.integer("first", font.first);
    font.last = f.integer("last", font.last);
    const Json& glyphs = f.list("glyphs", kGlyphCount);
    for (size_t i = 0; i < glyphs.size(); ++i) {
      RWhere where = f.at("glyphs").at(i);
      const Json& values = to_list(&glyphs[i], where);
      if (values.size() != 6) fail(where, "expected [x, y, width, height, shift, offset]");
      RGlyph& glyph = font.glyphs[i];
      int* fields[] = {&glyph.x,      &glyph.y,     &glyph.width,
                       &glyph.height, &glyph.shift, &glyph.offset};
      for (size_t k = 0; k < 6; ++k) *fields[k] = to_int(values[k], where.at(k));
    }
    const Json* sheet = f.get("sheet");
    if (sheet && !sheet->is_null()) {
      RImage picture = picture_or_size(*sheet, f.at("sheet"), false);
      font.sheet_width = picture.width;
      font.sheet_height = picture.height;
      for (uint32_t pixel : picture.pixels) font.sheet.push_back(uint8_t(pixel >> 24));
    } else if (!sheet && !font.font_name.empty()) {
      // A face without a sheet (null is an empty sheet, as unpack writes it): the sheet
      // and the glyphs are made from the installed face as the game would make them.
      if (!build_font_sheet(font)) {
        fail(f.at("font"), "no installed font matches \"" + f.text("font") + "\"");
      }
    }
    f.finish();
  }

  void read_timeline(CTimeLine& timeline, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    const Json& moments = f.list("moments");
    for (size_t i = 0; i < moments.size(); ++i) {
      CFields m(moments[i], f.at("moments").at(i));
      RMoment moment;
      moment.step = m.integer("step", 0);
      moment.event.actions = read_actions(m.list("actions"), m.at("actions"));
      m.finish();
      timeline.moments.push_back(std::move(moment));
    }
    f.finish();
  }

  std::vector<CAction> read_actions(const Json& list, const RWhere& where) const {
    std::vector<CAction> actions;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].is_string()) {
        actions.push_back(code_action(to_text(list[i], where.at(i))));
        continue;
      }
      CFields f(list[i], where.at(i));
      CAction action;
      action.library_id = f.integer("library_id", action.library_id);
      action.action_id = f.integer("action_id", action.action_id);
      action.kind = f.integer("kind", action.kind);
      action.uses_relative = f.boolean("uses_relative", action.uses_relative);
      action.is_question = f.boolean("is_question", action.is_question);
      action.uses_apply_to = f.boolean("uses_apply_to", action.uses_apply_to);
      action.execution = f.integer("execution", action.execution);
      action.function_name = f.text("function");
      action.code_text = f.text("code");
      action.argument_count = f.integer("argument_count", action.argument_count);
      if (action.argument_count < 0 || action.argument_count > kMaxActionArguments) {
        fail(f.at("argument_count"), "expected 0 to 8");
      }
      const Json& kinds = f.list("argument_kinds", kMaxActionArguments);
      for (size_t k = 0; k < kinds.size(); ++k) {
        action.argument_kinds.push_back(to_int(kinds[k], f.at("argument_kinds").at(k)));
      }
      if (const Json* apply_to = f.get("apply_to")) {
        if (apply_to->is_string() && apply_to->get<std::string>() == "self") {
          action.apply_to = -1;
        } else if (apply_to->is_string() && apply_to->get<std::string>() == "other") {
          action.apply_to = -2;
        } else {
          action.apply_to = to_reference(*apply_to, f.at("apply_to"), object_names_);
        }
      }
      action.relative = f.boolean("relative", action.relative);
      const Json& arguments = f.list("arguments", kMaxActionArguments);
      for (size_t k = 0; k < arguments.size(); ++k) {
        action.argument_texts.push_back(to_text(arguments[k], f.at("arguments").at(k)));
      }
      action.not_flag = f.boolean("not", action.not_flag);
      f.finish();
      actions.push_back(std::move(action));
    }
    return actions;
  }

  void read_object(CObject& object, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    auto reference = [&](const char* key, const RNames& names) {
      const Json* value = f.get(key);
      return value ? to_reference(*value, f.at(key), names) : -1;
    };
    object.sprite_index = reference("sprite", sprite_names_);
    object.solid = f.boolean("solid", object.solid);
    object.visible = f.boolean("visible", object.visible);
    object.depth = f.integer("depth", object.depth);
    object.persistent = f.boolean("persistent", object.persistent);
    object.parent_index = reference("parent", object_names_);
    object.mask_index = reference("mask", sprite_names_);
    object.last_event_type = f.integer("last_event_type", object.last_event_type);
    if (object.last_event_type < -1 || object.last_event_type >= kEventTypeCount) {
      fail(f.at("last_event_type"), "expected -1 to 11");
    }
    const Json& events = f.list("events");
    for (size_t i = 0; i < events.size(); ++i) {
      CFields e(events[i], f.at("events").at(i));
      int type = 0;
      if (const Json* value = e.get("type")) {
        type = to_choice(*value, e.at("type"), kEventTypeNames.data(), kEventTypeNames.size());
      }
      int32_t number = 0;
      if (const Json* value = e.get("number")) {
        number = type == kCollisionEvent ? to_reference(*value, e.at("number"), object_names_)
                                         : to_int(*value, e.at("number"));
        if (number < 0) fail(e.at("number"), "an event number cannot be negative");
      }
      if (object.find_event(type, number)) {
        fail(e.at("number"), "the object already has this event (" +
                                 std::string(kEventTypeNames[size_t(type)]) + ", " +
                                 std::to_string(number) + ")");
      }
      std::vector<CAction> actions = read_actions(e.list("actions"), e.at("actions"));
      e.finish();
      object.event(type, number).actions = std::move(actions);
    }
    f.finish();
  }

  void read_room(CRoom& room, const RWhere& file, const RWhere& from) {
    Json json = load_json(file.file, from);
    CFields f(json, file);
    room.caption = f.text("caption");
    room.width = f.integer("width", room.width);
    room.height = f.integer("height", room.height);
    room.speed = f.integer("speed", room.speed);
    room.persistent = f.boolean("persistent", room.persistent);
    room.background_color = f.color("color", room.background_color);
    room.show_background_color = f.boolean("show_color", room.show_background_color);
    room.creation_code = f.text("creation_code");
    const Json& layers = f.list("backgrounds", kRoomLayerCount);
    for (size_t i = 0; i < layers.size(); ++i)
      read_layer(layers[i], f.at("backgrounds").at(i), room, room.backgrounds[i]);
    room.views_enabled = f.boolean("views_enabled", room.views_enabled);
    const Json& views = f.list("views", kRoomViewCount);
    for (size_t i = 0; i < views.size(); ++i)
      read_view(views[i], f.at("views").at(i), room.views[i]);
    const Json& instances = f.list("instances");
    for (size_t i = 0; i < instances.size(); ++i) {
      CFields g(instances[i], f.at("instances").at(i));
      RRoomInstance instance;
      instance.x = g.integer("x", 0);
      instance.y = g.integer("y", 0);
      if (const Json* object = g.get("object")) {
        instance.object_index = to_reference(*object, g.at("object"), object_names_);
      } else {
        instance.object_index = -1;
      }
      const Json* id = g.get("id");
      if (id) {
        instance.id = to_int(*id, g.at("id"));
        given_instance_ids_ = std::max<int64_t>(given_instance_ids_, instance.id);
      }
      instance.creation_code = g.text("code");
      g.finish();
      room.instances.push_back(std::move(instance));
      if (!id) unnumbered_instance_positions_.emplace_back(i, g.where());
    }
    const Json& tiles = f.list("tiles");
    for (size_t i = 0; i < tiles.size(); ++i) {
      CFields g(tiles[i], f.at("tiles").at(i));
      RRoomTile tile;
      tile.x = g.integer("x", 0);
      tile.y = g.integer("y", 0);
      if (const Json* background = g.get("background")) {
        tile.background_index = to_reference(*background, g.at("background"), background_names_);
      }
      tile.left = g.integer("left", 0);
      tile.top = g.integer("top", 0);
      const CBackground* background = game_.backgrounds.get(tile.background_index);
      tile.width = g.integer("width", background ? background->image.width() : 0);
      tile.height = g.integer("height", background ? background->image.height() : 0);
      tile.depth = g.integer("depth", 0);
      const Json* id = g.get("id");
      if (id) {
        tile.id = to_int(*id, g.at("id"));
        given_tile_ids_ = std::max<int64_t>(given_tile_ids_, tile.id);
      }
      g.finish();
      room.tiles.push_back(tile);
      if (!id) unnumbered_tile_positions_.emplace_back(i, g.where());
    }
    f.finish();
    // The room is complete: its elements no longer move.
    for (auto& [index, where] : unnumbered_instance_positions_) {
      unnumbered_instances_.emplace_back(&room.instances[index], where);
    }
    for (auto& [index, where] : unnumbered_tile_positions_) {
      unnumbered_tiles_.emplace_back(&room.tiles[index], where);
    }
    unnumbered_instance_positions_.clear();
    unnumbered_tile_positions_.clear();
  }

  void read_layer(const Json& value, const RWhere& where, const CRoom& room, CBack& layer) const {
    CFields f(value, where);
    layer.visible = f.boolean("visible", layer.visible);
    layer.foreground = f.boolean("foreground", layer.foreground);
    if (const Json* background = f.get("background")) {
      layer.background_index = to_reference(*background, f.at("background"), background_names_);
    }
    layer.x = f.integer("x", 0);
    layer.y = f.integer("y", 0);
    layer.tile_horizontal = f.boolean("tile_h", layer.tile_horizontal);
    layer.tile_vertical = f.boolean("tile_v", layer.tile_vertical);
    layer.hspeed = f.integer("hspeed", 0);
    layer.vspeed = f.integer("vspeed", 0);
    layer.stretch = f.boolean("stretch", layer.stretch);
    f.finish();
    // As the game file reader does: a stretched layer fills the room.
    if (const CBackground* background = game_.backgrounds.get(layer.background_index);
        layer.stretch && background) {
      if (background->image.width() > 0)
        layer.xscale = double(room.width) / background->image.width();
      if (background->image.height() > 0) {
        layer.yscale = double(room.height) / background->image.height();
      }
    }
  }

  void read_view(const Json& value, const RWhere& where, CView& view) const {
    CFields f(value, where);
    view.visible = f.boolean("visible", view.visible);
    view.view_x = f.integer("view_x", view.view_x);
    view.view_y = f.integer("view_y", view.view_y);
    view.view_width = f.integer("view_w", view.view_width);
    view.view_height = f.integer("view_h", view.view_height);
    view.port_x = f.integer("port_x", view.port_x);
    view.port_y = f.integer("port_y", view.port_y);
    view.port_width = f.integer("port_w", view.port_width);
    view.port_height = f.integer("port_h", view.port_height);
    view.hborder = f.integer("hborder", view.hborder);
    view.vborder = f.integer("vborder", view.vborder);
    view.hspeed = f.integer("hspeed", view.hspeed);
    view.vspeed = f.integer("vspeed", view.vspeed);
    if (const Json* follow = f.get("follow")) {
      view.follow = to_reference(*follow, f.at("follow"), object_names_);
    }
    f.finish();
  }

  static constexpr int kCollisionEvent = 4;

  fs::path folder_;
  CGameData& game_;
  RNames sound_names_{"sound", {}};
  RNames sprite_names_{"sprite", {}};
  RNames background_names_{"background", {}};
  RNames path_names_{"path", {}};
  RNames script_names_{"script", {}};
  RNames font_names_{"font", {}};
  RNames timeline_names_{"time line", {}};
  RNames object_names_{"object", {}};
  RNames room_names_{"room", {}};
  std::vector<std::pair<size_t, RWhere>> unnumbered_instance_positions_;
  std::vector<std::pair<size_t, RWhere>> unnumbered_tile_positions_;
  std::vector<std::pair<RRoomInstance*, RWhere>> unnumbered_instances_;
  std::vector<std::pair<RRoomTile*, RWhere>> unnumbered_tiles_;
  int64_t given_instance_ids_ = INT64_MIN;
  int64_t given_tile_ids_ = INT64_MIN;
};

}  // namespace

bool read_project(const std::filesystem::path& folder, CGameData& game, std::string& error) {
  // What is wrong with the path itself is told with the path as it was given.
  std::error_code status;
  const fs::file_status found = fs::status(folder, status);
  if (!fs::exists(found)) {
    error = folder.string() + " does not exist";
    if (status && status != std::errc::no_such_file_or_directory) {
      error = folder.string() + " cannot be read (" + status.message() + ")";
    }
    return false;
  }
  if (!fs::is_directory(found)) {
    error = folder.string() + " is not a project folder (a project is a folder holding " +
            kProjectFile + ")";
    return false;
  }
  if (!fs::exists(folder / kProjectFile, status)) {
    error = folder.string() + " is not a project folder: it holds no " + kProjectFile;
    return false;
  }
  CGameData project;
  try {
    CProjectReader(folder, project).read();
  } catch (const ProjectError& problem) {
    error = problem.what();
    return false;
  } catch (const std::exception& problem) {
    // Anything else comes from the system (memory, the file system), not from the data.
    error = folder.string() + ": " + problem.what();
    return false;
  }
  game = std::move(project);
  return true;
}

}  // namespace vn
