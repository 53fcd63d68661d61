#include "graphics/Function_Resource.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "graphics/BM32_File.h"
#include "graphics/Background_Class.h"
#include "graphics/Graphics_Screen.h"
#include "graphics/Graphics_Surface.h"
#include "graphics/Sprite_Class.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Value.h"
#include "support/Support_Path.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

using arguments::boolean;
using arguments::integer;
using arguments::text;

using Self = CInstanceBase*;
using Args = const RValue*;

constexpr uint32_t kOpaqueBlack = 0xFF000000u;

// --- What both lists share ---

template <class T>
T* resource_at(TResourceList<T>* list, int64_t index) {
  return list ? list->get(index) : nullptr;
}

template <class T>
std::string resource_name(const TResourceList<T>* list, int64_t index) {
  return list ? list->name_of(index) : "<undefined>";
}

// Appended at the end and named after its kind and id; -1 without a list.
template <class T>
int append_resource(TResourceList<T>* list, const char* kind, std::unique_ptr<T> item) {
  return list ? list->add_new(kind, std::move(item)) : -1;
}

template <class T>
bool delete_resource(TResourceList<T>* list, int64_t index) {
  return list != nullptr && list->remove(index);
}

template <class T>
bool assign_resource(TResourceList<T>* list, int64_t target, int64_t source) {
  return list != nullptr && list->assign(target, source, [](T& to, const T& from) { to = from; });
}

// A resource replaced by what load makes of a fresh one: 1. When loading fails the resource
// stays as it was (a file that cannot be read must not cost the game its picture): 0.
template <typename T, typename Load>
double replace_with(T& resource, Load&& load) {
  T loaded;
  if (!load(loaded)) return 0;
  resource = std::move(loaded);
  return 1;
}

// The file name a save function writes to, reported when empty.
bool save_file_name(const RValue& name, const char* empty_message, std::string& file_name) {
  file_name = text(name);
  if (!file_name.empty()) return true;
  report_runtime_error(empty_message, false);
  return false;
}

// A width × height picture of the back buffer from (x, y); what lies outside it, or all
// of it when nothing can be read, is black.
TBitmap32 screen_rectangle(int x, int y, int width, int height) {
  TBitmap32 canvas(width, height, kOpaqueBlack);
  if (!canvas.has_pixels()) return canvas;
  if (std::optional<TBitmap32> picture = screen_picture(x, y, width, height)) {
    draw_copy(canvas, picture->image(), std::max(0, -x), std::max(0, -y));
  }
  return canvas;
}

// The same from a surface, keeping its alpha; what lies outside it is transparent. None
// (reported) when the surface does not exist.
std::optional<TBitmap32> surface_rectangle(int id, int x, int y, int width, int height) {
  if (!surface_exists(id)) {
    report_runtime_error("Trying to use non-existing surface.", false);
    return std::nullopt;
  }
  TBitmap32 canvas(width, height, 0);
  if (!canvas.has_pixels()) return canvas;
  if (std::optional<TBitmap32> picture = surface_picture(id, x, y, width, height)) {
    draw_copy(canvas, picture->image(), std::max(0, -x), std::max(0, -y));
  }
  return canvas;
}

// Instances keep their bounding boxes: whatever changes a sprite's frames, origin or
// masks has them computed again, wherever the instances are kept.
void refresh_instance_boxes() {
  RWorldState& world = world_state();
  auto refresh = [](const std::vector<std::unique_ptr<CInstance>>& instances) {
    for (const std::unique_ptr<CInstance>& instance : instances) {
      if (instance) instance->update_bounding_box();
    }
  };
  for (const std::unique_ptr<CLiveRoom>& room : world.live_rooms) {
    if (room && room.get() != world.current) {
      refresh(room->instances());
      refresh(room->deactivated());
    }
  }
  if (world.current) {
    refresh(world.current->instances());
    refresh(world.current->deactivated());
  }
  refresh(world.carried);
}

// --- Sprites ---

TResourceList<CSprite>* sprites() { return world_resources().sprites; }
CSprite* sprite_of(const RValue& index) { return resource_at(sprites(), integer(index)); }

// A sprite from a picture and its load flags; one without frames for an empty picture.
std::unique_ptr<CSprite> sprite_from_picture(const TBitmap32& picture, bool transparent,
                                             bool smooth, int xorigin, int yorigin) {
  auto sprite = std::make_unique<CSprite>();
  if (picture.has_pixels()) sprite->set_from_image(picture, transparent, smooth, xorigin, yorigin);
  sprite->xorigin = xorigin;
  sprite->yorigin = yorigin;
  return sprite;
}

void add_picture_frame(CSprite& sprite, const TBitmap32& picture, bool transparent, bool smooth) {
  if (!picture.has_pixels()) return;
  sprite.add_frame(picture, transparent, smooth);
  refresh_instance_boxes();
}

void fn_sprite_exists(Self, Self, int, Args args, RValue& result) {
  result.real = sprite_of(args[0]) ? 1 : 0;
}

void fn_sprite_get_name(Self, Self, int, Args args, RValue& result) {
  result.set_string(resource_name(sprites(), integer(args[0])));
}

int sprite_number(const CSprite& sprite) { return int(sprite.frames.size()); }
int sprite_width(const CSprite& sprite) { return sprite.width(); }
int sprite_height(const CSprite& sprite) { return sprite.height(); }
int sprite_xoffset(const CSprite& sprite) { return sprite.xorigin; }
int sprite_yoffset(const CSprite& sprite) { return sprite.yorigin; }
int sprite_bbox_left(const CSprite& sprite) { return sprite.bounding_box().left; }
int sprite_bbox_right(const CSprite& sprite) { return sprite.bounding_box().right; }
int sprite_bbox_top(const CSprite& sprite) { return sprite.bounding_box().top; }
int sprite_bbox_bottom(const CSprite& sprite) { return sprite.bounding_box().bottom; }

template <int (*Measure)(const CSprite&)>
void fn_sprite_measure(Self, Self, int, Args args, RValue& result) {
  const CSprite* sprite = sprite_of(args[0]);
  result.real = sprite ? Measure(*sprite) : -1;
}

void fn_sprite_set_offset(Self, Self, int, Args args, RValue&) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) return;
  sprite->xorigin = integer(args[1]);
  sprite->yorigin = integer(args[2]);
  refresh_instance_boxes();
}

void fn_sprite_set_alpha_from_sprite(Self, Self, int, Args args, RValue&) {
  CSprite* sprite = sprite_of(args[0]);
  const CSprite* source = sprite_of(args[1]);
  if (sprite && source) sprite->alpha_from(*source);
}

// x, y, w, h, remove background, smooth, x origin, y origin.
void fn_sprite_create_from_screen(Self, Self, int, Args args, RValue& result) {
  const TBitmap32 picture =
      screen_rectangle(integer(args[0]), integer(args[1]), integer(args[2]), integer(args[3]));
  result.real = append_resource(sprites(), "__newsprite",
                                sprite_from_picture(picture, boolean(args[4]), boolean(args[5]),
                                                    integer(args[6]), integer(args[7])));
}

// ind, x, y, w, h, remove background, smooth.
void fn_sprite_add_from_screen(Self, Self, int, Args args, RValue&) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to add to non-existing sprite.", false);
    return;
  }
  const TBitmap32 picture =
      screen_rectangle(integer(args[1]), integer(args[2]), integer(args[3]), integer(args[4]));
  add_picture_frame(*sprite, picture, boolean(args[5]), boolean(args[6]));
}

// surface, x, y, w, h, remove background, smooth, x origin, y origin.
void fn_sprite_create_from_surface(Self, Self, int, Args args, RValue& result) {
  result.real = -1;
  std::optional<TBitmap32> picture = surface_rectangle(
      integer(args[0]), integer(args[1]), integer(args[2]), integer(args[3]), integer(args[4]));
  if (!picture) return;
  result.real = append_resource(sprites(), "__newsprite",
                                sprite_from_picture(*picture, boolean(args[5]), boolean(args[6]),
                                                    integer(args[7]), integer(args[8])));
}

// ind, surface, x, y, w, h, remove background, smooth.
void fn_sprite_add_from_surface(Self, Self, int, Args args, RValue&) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to add to non-existing sprite.", false);
    return;
  }
  std::optional<TBitmap32> picture = surface_rectangle(
      integer(args[1]), integer(args[2]), integer(args[3]), integer(args[4]), integer(args[5]));
  if (picture) add_picture_frame(*sprite, *picture, boolean(args[6]), boolean(args[7]));
}

// File name, number of images, remove background, smooth, x origin, y origin: loaded into
// the sprite, which is left without frames when the file cannot be read.
bool load_sprite_file(CSprite& sprite, Args args) {
  return sprite.load_from_image_file(game_path(text(args[0])), integer(args[1]), boolean(args[2]),
                                     boolean(args[3]), integer(args[4]), integer(args[5]));
}

// A file that cannot be read adds nothing and gives -1, without a message.
void fn_sprite_add(Self, Self, int, Args args, RValue& result) {
  auto sprite = std::make_unique<CSprite>();
  if (!load_sprite_file(*sprite, args)) {
    result.real = -1;
    return;
  }
  result.real = append_resource(sprites(), "__newsprite", std::move(sprite));
}

void fn_sprite_replace(Self, Self, int, Args args, RValue& result) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to replace non-existing sprite.", false);
    return;
  }
  result.real =
      replace_with(*sprite, [&](CSprite& loaded) { return load_sprite_file(loaded, args + 1); });
  refresh_instance_boxes();
}

void fn_sprite_add_sprite(Self, Self, int, Args args, RValue& result) {
  auto sprite = std::make_unique<CSprite>();
  if (!sprite->load_from_exported_file(game_path(text(args[0])))) {
    result.real = -1;
    return;
  }
  result.real = append_resource(sprites(), "__newsprite", std::move(sprite));
}

void fn_sprite_replace_sprite(Self, Self, int, Args args, RValue& result) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to replace non-existing sprite.", false);
    return;
  }
  result.real = replace_with(*sprite, [&](CSprite& loaded) {
    return loaded.load_from_exported_file(game_path(text(args[1])));
  });
  refresh_instance_boxes();
}

void fn_sprite_delete(Self, Self, int, Args args, RValue&) {
  if (!delete_resource(sprites(), integer(args[0]))) {
    report_runtime_error("Trying to delete non-existing sprite.", false);
    return;
  }
  refresh_instance_boxes();
}

void fn_sprite_duplicate(Self, Self, int, Args args, RValue& result) {
  const CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to duplicate non-existing sprite.", false);
    result.real = -1;
    return;
  }
  result.real = append_resource(sprites(), "__newsprite", std::make_unique<CSprite>(*sprite));
}

void fn_sprite_assign(Self, Self, int, Args args, RValue&) {
  if (!assign_resource(sprites(), integer(args[0]), integer(args[1]))) {
    report_runtime_error("Error assigning a sprite.", false);
    return;
  }
  refresh_instance_boxes();
}

void fn_sprite_merge(Self, Self, int, Args args, RValue&) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to merge to non-existing sprite.", false);
    return;
  }
  const CSprite* source = sprite_of(args[1]);
  if (source == nullptr) {
    report_runtime_error("Trying to merge from non-existing sprite.", false);
    return;
  }
  sprite->append_frames(*source);
  refresh_instance_boxes();
}

constexpr const char* kNoSpriteBitmap = "Trying to save non-existing sprite bitmap.";
constexpr const char* kNoSpriteFileName = "Trying to save sprite bitmap to empty image file name.";

// ind, image number, file name. A write error is not the game's concern.
void fn_sprite_save(Self, Self, int, Args args, RValue&) {
  const CSprite* sprite = sprite_of(args[0]);
  const int frame = integer(args[1]);
  if (sprite == nullptr || frame < 0 || size_t(frame) >= sprite->frames.size()) {
    report_runtime_error(kNoSpriteBitmap, false);
    return;
  }
  std::string name;
  if (!save_file_name(args[2], kNoSpriteFileName, name)) return;
  std::string error;
  save_image_file(game_path(name), sprite->frames[size_t(frame)], error);
}

// Every image side by side, always as PNG.
void fn_sprite_save_strip(Self, Self, int, Args args, RValue&) {
  const CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error(kNoSpriteBitmap, false);
    return;
  }
  std::string name;
  if (!save_file_name(args[1], kNoSpriteFileName, name)) return;
  const TBitmap32 strip = sprite->strip();
  if (!strip.has_pixels()) return;
  std::string error;
  save_png_file(game_path(name), strip, error);
}

// ind, separate masks, box mode, left, right, top, bottom, kind, tolerance.
void fn_sprite_collision_mask(Self, Self, int, Args args, RValue&) {
  CSprite* sprite = sprite_of(args[0]);
  if (sprite == nullptr) {
    report_runtime_error("Trying to set collision mode for non-existing sprite.", false);
    return;
  }
  sprite->set_masks(boolean(args[1]), integer(args[2]), integer(args[8]), integer(args[7]),
                    integer(args[3]), integer(args[5]), integer(args[4]), integer(args[6]));
  refresh_instance_boxes();
}

// --- Backgrounds ---

TResourceList<CBackground>* backgrounds() { return world_resources().backgrounds; }
CBackground* background_of(const RValue& index) {
  return resource_at(backgrounds(), integer(index));
}

int append_background(std::unique_ptr<CBackground> background) {
  return append_resource(backgrounds(), "__newbackground", std::move(background));
}

std::unique_ptr<CBackground> background_from_picture(const TBitmap32& picture, bool transparent,
                                                     bool smooth) {
  auto background = std::make_unique<CBackground>();
  background->set_from_image(picture, transparent, smooth);
  return background;
}

void fn_background_exists(Self, Self, int, Args args, RValue& result) {
  result.real = background_of(args[0]) ? 1 : 0;
}

void fn_background_get_name(Self, Self, int, Args args, RValue& result) {
  result.set_string(resource_name(backgrounds(), integer(args[0])));
}

void fn_background_get_width(Self, Self, int, Args args, RValue& result) {
  const CBackground* background = background_of(args[0]);
  result.real = background ? background->width() : -1;
}

void fn_background_get_height(Self, Self, int, Args args, RValue& result) {
  const CBackground* background = background_of(args[0]);
  result.real = background ? background->height() : -1;
}

void fn_background_set_alpha_from_background(Self, Self, int, Args args, RValue&) {
  CBackground* background = background_of(args[0]);
  const CBackground* source = background_of(args[1]);
  if (background && source) background->alpha_from(*source);
}

// x, y, w, h, remove background, smooth.
void fn_background_create_from_screen(Self, Self, int, Args args, RValue& result) {
  const TBitmap32 picture =
      screen_rectangle(integer(args[0]), integer(args[1]), integer(args[2]), integer(args[3]));
  result.real =
      append_background(background_from_picture(picture, boolean(args[4]), boolean(args[5])));
}

// surface, x, y, w, h, remove background, smooth.
void fn_background_create_from_surface(Self, Self, int, Args args, RValue& result) {
  result.real = -1;
  std::optional<TBitmap32> picture = surface_rectangle(
      integer(args[0]), integer(args[1]), integer(args[2]), integer(args[3]), integer(args[4]));
  if (!picture) return;
  result.real =
      append_background(background_from_picture(*picture, boolean(args[5]), boolean(args[6])));
}

void fn_background_create_color(Self, Self, int, Args args, RValue& result) {
  auto background = std::make_unique<CBackground>();
  background->set_colour(integer(args[0]), integer(args[1]), uint32_t(integer(args[2])));
  result.real = append_background(std::move(background));
}

// w, h, first colour, last colour, kind: 0 left to right, 1 top to bottom.
void fn_background_create_gradient(Self, Self, int, Args args, RValue& result) {
  auto background = std::make_unique<CBackground>();
  background->set_gradient(integer(args[0]), integer(args[1]), uint32_t(integer(args[2])),
                           uint32_t(integer(args[3])), boolean(args[4]));
  result.real = append_background(std::move(background));
}

// File name, remove background, smooth.
bool load_background_file(CBackground& background, Args args) {
  return background.load_from_image_file(game_path(text(args[0])), boolean(args[1]),
                                         boolean(args[2]));
}

void fn_background_add(Self, Self, int, Args args, RValue& result) {
  auto background = std::make_unique<CBackground>();
  if (!load_background_file(*background, args)) {
    result.real = -1;
    return;
  }
  result.real = append_background(std::move(background));
}

void fn_background_replace(Self, Self, int, Args args, RValue& result) {
  CBackground* background = background_of(args[0]);
  if (background == nullptr) {
    report_runtime_error("Trying to replace non-existing background.", false);
    return;
  }
  result.real = replace_with(
      *background, [&](CBackground& loaded) { return load_background_file(loaded, args + 1); });
}

void fn_background_add_background(Self, Self, int, Args args, RValue& result) {
  auto background = std::make_unique<CBackground>();
  if (!background->load_from_exported_file(game_path(text(args[0])))) {
    result.real = -1;
    return;
  }
  result.real = append_background(std::move(background));
}

void fn_background_replace_background(Self, Self, int, Args args, RValue& result) {
  CBackground* background = background_of(args[0]);
  if (background == nullptr) {
    report_runtime_error("Trying to replace non-existing background.", false);
    return;
  }
  result.real = replace_with(*background, [&](CBackground& loaded) {
    return loaded.load_from_exported_file(game_path(text(args[1])));
  });
}

void fn_background_delete(Self, Self, int, Args args, RValue&) {
  if (!delete_resource(backgrounds(), integer(args[0]))) {
    report_runtime_error("Trying to delete non-existing background.", false);
  }
}

void fn_background_duplicate(Self, Self, int, Args args, RValue& result) {
  const CBackground* background = background_of(args[0]);
  if (background == nullptr) {
    report_runtime_error("Trying to duplicate non-existing background.", false);
    result.real = -1;
    return;
  }
  result.real = append_background(std::make_unique<CBackground>(*background));
}

void fn_background_assign(Self, Self, int, Args args, RValue&) {
  if (!assign_resource(backgrounds(), integer(args[0]), integer(args[1]))) {
    report_runtime_error("Error assigning a background.", false);
  }
}

void fn_background_save(Self, Self, int, Args args, RValue&) {
  const CBackground* background = background_of(args[0]);
  if (background == nullptr) {
    report_runtime_error("Trying to save non-existing background bitmap.", false);
    return;
  }
  std::string name;
  if (!save_file_name(args[1], "Trying to save background bitmap to empty image file name.",
                      name)) {
    return;
  }
  std::string error;
  save_image_file(game_path(name), background->image, error);
}

}  // namespace

void register_resource_graphics_functions() {
  register_function("sprite_exists", fn_sprite_exists, 1);
  register_function("sprite_name", fn_sprite_get_name, 1);
  register_function("sprite_get_name", fn_sprite_get_name, 1);
  register_function("sprite_get_number", fn_sprite_measure<sprite_number>, 1);
  register_function("sprite_get_width", fn_sprite_measure<sprite_width>, 1);
  register_function("sprite_get_height", fn_sprite_measure<sprite_height>, 1);
  register_function("sprite_get_xoffset", fn_sprite_measure<sprite_xoffset>, 1);
  register_function("sprite_get_yoffset", fn_sprite_measure<sprite_yoffset>, 1);
  register_function("sprite_get_bbox_left", fn_sprite_measure<sprite_bbox_left>, 1);
  register_function("sprite_get_bbox_right", fn_sprite_measure<sprite_bbox_right>, 1);
  register_function("sprite_get_bbox_top", fn_sprite_measure<sprite_bbox_top>, 1);
  register_function("sprite_get_bbox_bottom", fn_sprite_measure<sprite_bbox_bottom>, 1);
  register_function("sprite_set_offset", fn_sprite_set_offset, 3);
  register_function("sprite_set_alpha_from_sprite", fn_sprite_set_alpha_from_sprite, 2);
  register_function("sprite_create_from_screen", fn_sprite_create_from_screen, 8);
  register_function("sprite_add_from_screen", fn_sprite_add_from_screen, 7);
  register_function("sprite_create_from_surface", fn_sprite_create_from_surface, 9);
  register_function("sprite_add_from_surface", fn_sprite_add_from_surface, 8);
  register_function("sprite_add", fn_sprite_add, 6);
  register_function("sprite_replace", fn_sprite_replace, 7);
  register_function("sprite_add_sprite", fn_sprite_add_sprite, 1);
  register_function("sprite_replace_sprite", fn_sprite_replace_sprite, 2);
  register_function("sprite_delete", fn_sprite_delete, 1);
  register_function("sprite_duplicate", fn_sprite_duplicate, 1);
  register_function("sprite_assign", fn_sprite_assign, 2);
  register_function("sprite_merge", fn_sprite_merge, 2);
  register_function("sprite_save", fn_sprite_save, 3);
  register_function("sprite_save_strip", fn_sprite_save_strip, 2);
  register_function("sprite_collision_mask", fn_sprite_collision_mask, 9);
  register_function("background_exists", fn_background_exists, 1);
  register_function("background_name", fn_background_get_name, 1);
  register_function("background_get_name", fn_background_get_name, 1);
  register_function("background_get_width", fn_background_get_width, 1);
  register_function("background_get_height", fn_background_get_height, 1);
  register_function("background_set_alpha_from_background", fn_background_set_alpha_from_background,
                    2);
  register_function("background_create_from_screen", fn_background_create_from_screen, 6);
  register_function("background_create_from_surface", fn_background_create_from_surface, 7);
  register_function("background_create_color", fn_background_create_color, 3);
  register_function("background_create_gradient", fn_background_create_gradient, 5);
  register_function("background_add", fn_background_add, 3);
  register_function("background_replace", fn_background_replace, 4);
  register_function("background_add_background", fn_background_add_background, 1);
  register_function("background_replace_background", fn_background_replace_background, 2);
  register_function("background_delete", fn_background_delete, 1);
  register_function("background_duplicate", fn_background_duplicate, 1);
  register_function("background_assign", fn_background_assign, 2);
  register_function("background_save", fn_background_save, 2);
}

}  // namespace vn
