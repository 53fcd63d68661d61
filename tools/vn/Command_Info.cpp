// vn info: what a game file holds.
#include <cstdio>
#include <iostream>
#include <sstream>

#include "Vn_Commands.h"
#include "Vn_Game.h"
#include "support/Support_Text.h"

namespace vn::tool {

namespace {

std::string text(const std::string& cp1252) { return cp1252_to_utf8(cp1252); }

std::string flag(bool value) { return value ? "true" : "false"; }

std::string color(int32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%06X", unsigned(value) & 0xFFFFFFu);
  return buffer;
}

std::string bitmap(const std::optional<RBitmapFile>& picture) {
  if (!picture) return "none";
  return std::to_string(picture->image.width) + "x" + std::to_string(picture->image.height) +
         " picture";
}

std::string guid_text(const std::array<uint8_t, 16>& guid) {
  // The usual GUID form: the first three groups are little-endian numbers.
  char buffer[40];
  std::snprintf(buffer, sizeof buffer,
                "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid[3],
                guid[2], guid[1], guid[0], guid[5], guid[4], guid[7], guid[6], guid[8], guid[9],
                guid[10], guid[11], guid[12], guid[13], guid[14], guid[15]);
  return buffer;
}

void print_settings(std::ostream& out, const CGameSettings& s) {
  out << "settings:\n";
  auto line = [&](const char* name, const std::string& value) {
    out << "  " << name << ": " << value << "\n";
  };
  line("start_fullscreen", flag(s.start_fullscreen));
  line("interpolate", flag(s.interpolate));
  line("no_border", flag(s.no_border));
  line("show_cursor", flag(s.show_cursor));
  line("scaling", std::to_string(s.scaling));
  line("sizeable", flag(s.sizeable));
  line("stay_on_top", flag(s.stay_on_top));
  line("window_color", color(s.window_color));
  line("set_resolution", flag(s.set_resolution));
  line("color_depth", std::to_string(s.color_depth));
  line("resolution", std::to_string(s.resolution));
  line("frequency", std::to_string(s.frequency));
  line("no_buttons", flag(s.no_buttons));
  line("vsync", flag(s.vsync));
  line("no_screensaver", flag(s.no_screensaver));
  line("key_f4_fullscreen", flag(s.key_f4_fullscreen));
  line("key_f1_help", flag(s.key_f1_help));
  line("key_esc_ends", flag(s.key_esc_ends));
  line("key_f5_f6_save_load", flag(s.key_f5_f6_save_load));
  line("key_f9_screenshot", flag(s.key_f9_screenshot));
  line("close_as_esc", flag(s.close_as_esc));
  line("priority", std::to_string(s.priority));
  line("freeze_unfocused", flag(s.freeze_unfocused));
  line("loading_bar", flag(s.loading_bar));
  line("loading_back", bitmap(s.loading_back));
  line("loading_front", bitmap(s.loading_front));
  line("loading_image", bitmap(s.loading_image));
  line("loading_transparent", flag(s.loading_transparent));
  line("loading_alpha", std::to_string(s.loading_alpha));
  line("scale_loading_bar", flag(s.scale_loading_bar));
  line("display_errors", flag(s.display_errors));
  line("write_errors", flag(s.write_errors));
  line("abort_errors", flag(s.abort_errors));
  line("uninitialized_zero", flag(s.uninitialized_zero));
}

template <typename T>
void print_list(std::ostream& out, const char* title, const TResourceList<T>& list) {
  out << title << ": " << list.size() << "\n";
  for (size_t i = 0; i < list.size(); ++i) {
    out << "  " << i << " " << (list.items[i] ? text(list.names[i]) : "(empty)") << "\n";
  }
}

const char* export_mode_text(int mode) {
  switch (mode) {
    case kExportNone: return "not exported";
    case kExportTemp: return "exported to the temp folder";
    case kExportWorking: return "exported to the working folder";
    case kExportFolder: return "exported to a folder";
    default: return "unknown export mode";
  }
}

}  // namespace

void print_game_info(std::ostream& out, const RLoadedGame& loaded) {
  const CGameData& game = loaded.game;
  out << "form: " << loaded.form;
  if (loaded.form == "standalone game") out << " (game file at offset " << loaded.offset << ")";
  out << "\n";
  out << "debug_mode: " << flag(game.debug_mode) << "\n";
  print_settings(out, game.settings);
  out << "game_id: " << game.game_id << "\n";
  out << "guid: " << guid_text(game.guid) << "\n";

  out << "extension packages: " << game.extensions.size() << "\n";
  for (size_t i = 0; i < game.extensions.size(); ++i) {
    const CExtensionPackage& package = game.extensions[i];
    out << "  " << i << " " << text(package.name) << " (" << package.files.size() << " files)\n";
  }
  out << "triggers: " << game.triggers.size() << "\n";
  for (size_t i = 0; i < game.triggers.size(); ++i) {
    out << "  " << i << " " << (game.triggers[i] ? text(game.triggers[i]->name) : "(empty)")
        << "\n";
  }
  out << "constants: " << game.constants.size() << "\n";
  for (size_t i = 0; i < game.constants.size(); ++i) {
    out << "  " << i << " " << text(game.constants[i].name) << " = "
        << text(game.constants[i].value) << "\n";
  }
  print_list(out, "sounds", game.sounds);
  print_list(out, "sprites", game.sprites);
  print_list(out, "backgrounds", game.backgrounds);
  print_list(out, "paths", game.paths);
  print_list(out, "scripts", game.scripts);
  print_list(out, "fonts", game.fonts);
  print_list(out, "time lines", game.timelines);
  print_list(out, "objects", game.objects);
  print_list(out, "rooms", game.rooms);
  out << "last instance id: " << game.last_instance_id << "\n";
  out << "last tile id: " << game.last_tile_id << "\n";
  out << "room order: " << game.room_order.size() << "\n";
  for (int32_t room : game.room_order) {
    out << "  " << room << " "
        << (game.rooms.exists(room) ? text(game.rooms.names[size_t(room)]) : "(no such room)")
        << "\n";
  }
  out << "included files: " << game.included_files.size() << "\n";
  for (size_t i = 0; i < game.included_files.size(); ++i) {
    const CDataFile& file = game.included_files[i];
    out << "  " << i << " " << text(file.file_name) << " ("
        << (file.stored && file.data_follows ? std::to_string(file.data.size()) + " bytes stored"
                                             : std::string("not stored"))
        << ", " << export_mode_text(file.export_mode) << ")\n";
  }
  out << "library init code: " << game.library_init_code.size() << "\n";
}

int run_info(const InfoOptions& options) {
  RLoadedGame loaded;
  std::string error;
  if (!load_game(options.game, loaded, error)) {
    std::cerr << "vn info: " << error << "\n";
    return kExitFailed;
  }
  std::ostringstream out;
  print_game_info(out, loaded);
  std::cout << out.str();
  for (const std::string& message : loaded.messages) {
    std::cerr << "vn info: while reading: " << text(message) << "\n";
  }
  return kExitOk;
}

}  // namespace vn::tool
