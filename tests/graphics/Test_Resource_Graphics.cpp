// The sprite and background resource functions: the list rules, pictures added from files
// and saved back, sprites taken from the screen and from surfaces, collision masks changed
// under running instances, merging, and colour and gradient backgrounds.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Test_Support.h"
#include "graphics/BM32_File.h"
#include "graphics/Background_Class.h"
#include "graphics/Device_Test_Support.h"
#include "graphics/Graphics_Device.h"
#include "graphics/Graphics_Surface.h"
#include "graphics/Sprite_Class.h"
#include "platform/Platform_FileIo.h"
#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kMagenta = 0xFFFF00FFu;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

std::string first_bytes(const fs::path& path, size_t count) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_file(path, bytes, error)) return "";
  return std::string(bytes.begin(), bytes.begin() + std::ptrdiff_t(std::min(count, bytes.size())));
}

TBitmap32 read_picture(const fs::path& path) {
  TBitmap32 picture;
  EXPECT_TRUE(load_image_file(path, picture)) << path;
  return picture;
}

// 12 × 4: three 4-pixel frames, red, green and blue, each with a magenta bottom row.
TBitmap32 strip_picture() {
  TBitmap32 picture(12, 4, kMagenta);
  const uint32_t colours[] = {kRed, kGreen, kBlue};
  for (int frame = 0; frame < 3; ++frame) {
    draw_copy(picture, TBitmap32(4, 3, colours[frame]).image(), frame * 4, 0);
  }
  return picture;
}

int append_gif_bytes(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + count);
  return count;
}

// A 2 × 2 GIF of two frames, all red and then all blue.
std::vector<uint8_t> two_frame_gif() {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, append_gif_bytes, &error);
  GifColorType colours[2] = {{255, 0, 0}, {0, 0, 255}};
  ColorMapObject* map = GifMakeMapObject(2, colours);
  EGifPutScreenDesc(gif, 2, 2, 1, 0, map);
  for (GifPixelType index : {0, 1}) {
    EGifPutImageDesc(gif, 0, 0, 2, 2, false, nullptr);
    GifPixelType row[2] = {index, index};
    for (int y = 0; y < 2; ++y) EGifPutLine(gif, row, 2);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out;
}

class ResourceGraphicsTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    std::string error;
    ASSERT_TRUE(save_png_file(files_ / "strip.png", strip_picture(), error)) << error;
    ASSERT_TRUE(save_image_file(files_ / "Strip.BMP", strip_picture(), error)) << error;
    const std::vector<uint8_t> gif = two_frame_gif();
    ASSERT_TRUE(write_file_atomic(files_ / "anim.gif", gif, error)) << error;
  }

  std::string file(const std::string& name) { return "'" + (files_ / name).string() + "'"; }

  std::vector<std::string> shown_by(const std::string& program) {
    RScriptRun result = run(program);
    EXPECT_TRUE(result.compiled) << result.error;
    return result.shown;
  }
  // Exactly one message, the given one.
  void expect_message(const std::string& program, const std::string& message) {
    std::vector<std::string> shown = shown_by(program);
    ASSERT_EQ(shown.size(), 1u) << program;
    EXPECT_NE(shown[0].find(message), std::string::npos) << shown[0];
  }

  const CSprite& sprite(int index) { return *game_.sprites.items[size_t(index)]; }

  ScratchDir files_{"resource_graphics"};
};

TEST_F(ResourceGraphicsTest, ListsAppendNeverReuseAndAssignIntoDeletedSlots) {
  for (int i = 0; i < 10; ++i) add_sprite(1, 8, 8);
  install();

  exec("sprite_delete(3);");
  EXPECT_EQ(eval("sprite_exists(3)").real, 0);
  EXPECT_EQ(eval("sprite_get_name(3)").string.str(), "<undefined>");
  EXPECT_EQ(eval("sprite_get_width(3)").real, -1);
  EXPECT_EQ(eval("sprite_add(" + file("strip.png") + ", 3, 0, 0, 0, 0)").real, 10);
  EXPECT_EQ(eval("sprite_name(10)").string.str(), "__newsprite10");
  // A file that cannot be read keeps no slot.
  EXPECT_EQ(eval("sprite_add(" + file("none.png") + ", 1, 0, 0, 0, 0)").real, -1);
  EXPECT_EQ(eval("sprite_add_sprite(" + file("strip.png") + ")").real, -1);
  EXPECT_EQ(eval("sprite_duplicate(10)").real, 11);
  EXPECT_EQ(eval("sprite_get_name(11)").string.str(), "__newsprite11");
  EXPECT_EQ(eval("sprite_get_number(11)").real, 3);

  expect_message("sprite_replace(3, " + file("strip.png") + ", 1, 0, 0, 0, 0);",
                 "Trying to replace non-existing sprite.");
  expect_message("sprite_replace_sprite(3, 'x');", "Trying to replace non-existing sprite.");
  expect_message("sprite_delete(3);", "Trying to delete non-existing sprite.");
  expect_message("sprite_duplicate(3);", "Trying to duplicate non-existing sprite.");
  expect_message("sprite_merge(3, 0);", "Trying to merge to non-existing sprite.");
  expect_message("sprite_merge(0, 3);", "Trying to merge from non-existing sprite.");
  expect_message("sprite_add_from_screen(3, 0, 0, 1, 1, 0, 0);",
                 "Trying to add to non-existing sprite.");
  expect_message("sprite_collision_mask(3, 0, 0, 0, 0, 0, 0, 0, 0);",
                 "Trying to set collision mode for non-existing sprite.");

  // Assigning fills the deleted slot again; beyond the list it fails and changes nothing.
  EXPECT_TRUE(shown_by("sprite_assign(3, 10);").empty());
  EXPECT_EQ(eval("sprite_exists(3)").real, 1);
  EXPECT_EQ(eval("sprite_get_number(3)").real, 3);
  expect_message("sprite_assign(100, 0);", "Error assigning a sprite.");
  expect_message("sprite_assign(0, 100);", "Error assigning a sprite.");
  EXPECT_EQ(game_.sprites.size(), 12u);
  EXPECT_EQ(eval("sprite_add(" + file("strip.png") + ", 1, 0, 0, 0, 0)").real, 12);
  EXPECT_EQ(eval("sprite_get_name(12)").string.str(), "__newsprite12");

  // Backgrounds follow the same rules with their own messages.
  exec("background_create_color(2, 2, c_red); background_create_color(3, 3, c_blue);");
  exec("background_delete(0);");
  EXPECT_EQ(eval("background_exists(0)").real, 0);
  EXPECT_EQ(eval("background_get_height(0)").real, -1);
  EXPECT_EQ(eval("background_add(" + file("strip.png") + ", 0, 0)").real, 2);
  EXPECT_EQ(eval("background_get_name(2)").string.str(), "__newbackground2");
  EXPECT_EQ(eval("background_add(" + file("none.png") + ", 0, 0)").real, -1);
  expect_message("background_replace(0, " + file("strip.png") + ", 0, 0);",
                 "Trying to replace non-existing background.");
  expect_message("background_delete(0);", "Trying to delete non-existing background.");
  expect_message("background_duplicate(0);", "Trying to duplicate non-existing background.");
  expect_message("background_assign(5, 1);", "Error assigning a background.");
  EXPECT_TRUE(shown_by("background_assign(0, 1);").empty());
  EXPECT_EQ(eval("background_get_width(0)").real, 3);
  EXPECT_EQ(eval("background_duplicate(2)").real, 3);
  EXPECT_EQ(eval("background_get_width(3)").real, 12);
}

TEST_F(ResourceGraphicsTest, PicturesFromFilesAreCutIntoFramesWithTheirFlags) {
  install();
  // A strip of three, the bottom-left magenta made transparent; the origin as given.
  const int id = int(eval("sprite_add(" + file("strip.png") + ", 3, 1, 0, 2, 1)").real);
  EXPECT_EQ(eval("sprite_get_number(" + std::to_string(id) + ")").real, 3);
  EXPECT_EQ(eval("sprite_get_width(" + std::to_string(id) + ")").real, 4);
  EXPECT_EQ(eval("sprite_get_height(" + std::to_string(id) + ")").real, 4);
  EXPECT_EQ(eval("sprite_get_xoffset(" + std::to_string(id) + ")").real, 2);
  EXPECT_EQ(eval("sprite_get_yoffset(" + std::to_string(id) + ")").real, 1);
  EXPECT_EQ(sprite(id).frames[1].pixel(0, 0), kGreen);
  EXPECT_EQ(sprite(id).frames[2].pixel(3, 2), kBlue);
  EXPECT_EQ(sprite(id).frames[0].pixel(0, 3) >> 24, 0u);
  // The transparent bottom row is outside the automatic box.
  EXPECT_EQ(eval("sprite_get_bbox_bottom(" + std::to_string(id) + ")").real, 2);
  EXPECT_EQ(eval("sprite_get_bbox_right(" + std::to_string(id) + ")").real, 3);

  // A bitmap found whatever the case of its name, kept whole with count 0 and opaque.
  const int bmp = int(eval("sprite_add(" + file("strip.bmp") + ", 0, 0, 0, 0, 0)").real);
  ASSERT_GE(bmp, 0);
  EXPECT_EQ(sprite(bmp).frames.size(), 1u);
  EXPECT_EQ(sprite(bmp).width(), 12);
  EXPECT_EQ(sprite(bmp).frames[0].pixel(0, 3), kMagenta);
  EXPECT_EQ(eval("sprite_get_bbox_bottom(" + std::to_string(bmp) + ")").real, 3);

  // A GIF gives its own frames whatever the count.
  const int gif = int(eval("sprite_add(" + file("anim.gif") + ", 5, 0, 0, 0, 0)").real);
  ASSERT_GE(gif, 0);
  ASSERT_EQ(sprite(gif).frames.size(), 2u);
  EXPECT_EQ(sprite(gif).frames[0].pixel(1, 1), kRed);
  EXPECT_EQ(sprite(gif).frames[1].pixel(1, 1), kBlue);

  // Replacing reloads in place; a failed replace leaves the sprite as it was.
  EXPECT_EQ(
      eval("sprite_replace(" + std::to_string(gif) + ", " + file("strip.png") + ", 2, 0, 0, 0, 0)")
          .real,
      1);
  EXPECT_EQ(sprite(gif).width(), 6);
  EXPECT_EQ(
      eval("sprite_replace(" + std::to_string(gif) + ", " + file("none.png") + ", 2, 0, 0, 0, 0)")
          .real,
      0);
  EXPECT_EQ(eval("sprite_get_number(" + std::to_string(gif) + ")").real, 2);
  EXPECT_EQ(sprite(gif).width(), 6);
  EXPECT_EQ(eval("sprite_exists(" + std::to_string(gif) + ")").real, 1);

  // Backgrounds take the whole picture with the same flags.
  const int back = int(eval("background_add(" + file("strip.png") + ", 1, 0)").real);
  ASSERT_GE(back, 0);
  const CBackground& background = *game_.backgrounds.items[size_t(back)];
  EXPECT_EQ(background.width(), 12);
  EXPECT_EQ(background.image.pixel(5, 3) >> 24, 0u);
  EXPECT_EQ(background.image.pixel(5, 2), kGreen);
}

TEST_F(ResourceGraphicsTest, SavedPicturesReadBackAndExportedFilesLoad) {
  install();
  const std::string id =
      std::to_string(int(eval("sprite_add(" + file("strip.png") + ", 3, 0, 0, 0, 0)").real));
  exec("sprite_save(" + id + ", 1, " + file("one.PnG") + ");");
  exec("sprite_save(" + id + ", 2, " + file("two.bmp") + ");");
  exec("sprite_save_strip(" + id + ", " + file("all.bmp") + ");");
  EXPECT_EQ(first_bytes(files_ / "one.PnG", 4), "\x89PNG");
  EXPECT_EQ(first_bytes(files_ / "two.bmp", 2), "BM");
  EXPECT_EQ(first_bytes(files_ / "all.bmp", 4), "\x89PNG");  // a strip is always PNG
  EXPECT_EQ(read_picture(files_ / "one.PnG"), sprite(std::stoi(id)).frames[1]);
  EXPECT_EQ(read_picture(files_ / "two.bmp"), sprite(std::stoi(id)).frames[2]);
  EXPECT_EQ(read_picture(files_ / "all.bmp"), strip_picture());

  expect_message("sprite_save(" + id + ", 3, " + file("x.png") + ");",
                 "Trying to save non-existing sprite bitmap.");
  expect_message("sprite_save(" + id + ", 0, '');",
                 "Trying to save sprite bitmap to empty image file name.");
  expect_message("sprite_save_strip(99, " + file("x.png") + ");",
                 "Trying to save non-existing sprite bitmap.");
  expect_message("sprite_save_strip(" + id + ", 0);",
                 "Trying to save sprite bitmap to empty image file name.");
  // A write that fails is silent.
  EXPECT_TRUE(shown_by("sprite_save(" + id + ", 0, " + file("no/such/folder.png") + ");").empty());
  EXPECT_FALSE(fs::exists(files_ / "x.png"));

  exec("background_create_gradient(4, 2, c_black, c_white, 0);");
  exec("background_save(0, " + file("back.png") + ");");
  EXPECT_EQ(read_picture(files_ / "back.png"), game_.backgrounds.items[0]->image);
  expect_message("background_save(7, " + file("x.png") + ");",
                 "Trying to save non-existing background bitmap.");
  expect_message("background_save(0, '');",
                 "Trying to save background bitmap to empty image file name.");

  // An exported sprite: origin (1, 2), one 2 × 2 frame, a rectangle mask over all of it.
  CStream inner;
  write_int(inner, 800);
  write_int(inner, 1);
  write_int(inner, 2);
  write_int(inner, 1);
  TBitmap32(2, 2, kRed).write(inner);
  for (int value : {1, 0}) write_int(inner, value);  // shape, tolerance
  write_bool(inner, false);
  for (int value : {1, 0, 1, 1, 0}) write_int(inner, value);  // box mode, box
  CStream exported;
  write_int(exported, kExportedFileMagic);
  write_compressed_block(exported, inner.bytes());
  std::string error;
  ASSERT_TRUE(write_file_atomic(files_ / "s.vnspr", exported.bytes(), error)) << error;
  const int added = int(eval("sprite_add_sprite(" + file("s.vnspr") + ")").real);
  ASSERT_GE(added, 0);
  EXPECT_EQ(eval("sprite_get_yoffset(" + std::to_string(added) + ")").real, 2);
  EXPECT_EQ(eval("sprite_replace_sprite(" + id + ", " + file("s.vnspr") + ")").real, 1);
  EXPECT_EQ(eval("sprite_get_number(" + id + ")").real, 1);
  EXPECT_EQ(eval("sprite_replace_sprite(" + id + ", " + file("strip.png") + ")").real, 0);
  EXPECT_EQ(eval("sprite_get_number(" + id + ")").real, 1);  // kept

  CStream background_inner;
  write_int(background_inner, 710);
  write_bool(background_inner, false);
  for (int i = 0; i < 6; ++i) write_int(background_inner, 0);
  TBitmap32(3, 1, kBlue).write(background_inner);
  CStream background_file;
  write_int(background_file, kExportedFileMagic);
  write_compressed_block(background_file, background_inner.bytes());
  ASSERT_TRUE(write_file_atomic(files_ / "b.vnbck", background_file.bytes(), error)) << error;
  const int back = int(eval("background_add_background(" + file("b.vnbck") + ")").real);
  ASSERT_GE(back, 0);
  EXPECT_EQ(eval("background_get_width(" + std::to_string(back) + ")").real, 3);
  EXPECT_EQ(eval("background_replace_background(0, " + file("b.vnbck") + ")").real, 1);
  EXPECT_EQ(eval("background_get_height(0)").real, 1);
  EXPECT_EQ(eval("background_replace(0, " + file("none.png") + ", 0, 0)").real, 0);
  EXPECT_EQ(eval("background_get_width(0)").real, 3);  // kept
  EXPECT_EQ(eval("background_add_background(" + file("strip.png") + ")").real, -1);
}

TEST_F(ResourceGraphicsTest, MergeStretchesAndSetsAlpha) {
  const int small = add_sprite(2, 4, 4);
  const int large = add_sprite(1, 8, 8);
  game_.sprites.items[size_t(large)]->frames[0] = TBitmap32(8, 8, kWhite);
  install();
  exec("sprite_merge(" + std::to_string(small) + ", " + std::to_string(large) + ");");
  ASSERT_EQ(sprite(small).frames.size(), 3u);
  EXPECT_EQ(sprite(small).frames[2].width(), 4);
  EXPECT_EQ(sprite(small).frames[2].pixel(3, 3), kWhite);
  // Merging into itself doubles the frames.
  exec("sprite_merge(" + std::to_string(large) + ", " + std::to_string(large) + ");");
  EXPECT_EQ(sprite(large).frames.size(), 2u);

  // Alpha taken from the other's brightness: white keeps it, black clears it.
  game_.sprites.items[size_t(large)]->frames[1] = TBitmap32(8, 8, kBlack);
  exec("sprite_set_alpha_from_sprite(" + std::to_string(small) + ", " + std::to_string(large) +
       ");");
  EXPECT_EQ(sprite(small).frames[0].pixel(0, 0) >> 24, 255u);
  EXPECT_EQ(sprite(small).frames[1].pixel(0, 0) >> 24, 0u);
  EXPECT_TRUE(shown_by("sprite_set_alpha_from_sprite(0, 99);").empty());
}

TEST_F(ResourceGraphicsTest, ColourAndGradientBackgroundsHaveTheirPixels) {
  install();
  EXPECT_EQ(eval("background_create_color(3, 2, c_red)").real, 0);
  EXPECT_EQ(eval("background_create_gradient(5, 2, c_black, c_white, 0)").real, 1);
  EXPECT_EQ(eval("background_create_gradient(1, 5, c_red, c_blue, 1)").real, 2);
  const TBitmap32& colour = game_.backgrounds.items[0]->image;
  EXPECT_EQ(colour, TBitmap32(3, 2, kRed));
  const TBitmap32& across = game_.backgrounds.items[1]->image;
  EXPECT_EQ(across.pixel(0, 1), kBlack);
  EXPECT_EQ(across.pixel(4, 0), kWhite);
  EXPECT_EQ(across.pixel(2, 0), 0xFF808080u);
  const TBitmap32& down = game_.backgrounds.items[2]->image;
  EXPECT_EQ(down.pixel(0, 0), kRed);
  EXPECT_EQ(down.pixel(0, 4), kBlue);
  EXPECT_EQ(down.pixel(0, 2), 0xFF800080u);
  // Alpha from another background: from black, nothing is left.
  exec("background_create_color(3, 2, c_black); background_set_alpha_from_background(0, 3);");
  EXPECT_EQ(colour.pixel(2, 1) >> 24, 0u);
  // A size without pixels still adds a background, with nothing to draw.
  EXPECT_EQ(eval("background_create_color(0, 4, c_red)").real, 4);
  EXPECT_EQ(eval("background_get_width(4)").real, 0);
}

// Instances keep their bounding boxes: a sprite changed under them must be seen by the
// collision functions at once.
TEST_F(ResourceGraphicsTest, MaskAndOriginChangesReachRunningInstances) {
  const int sprite_index = add_sprite(1, 8, 8);
  // Only the left half is solid.
  TBitmap32 half(8, 8, 0);
  draw_copy(half, TBitmap32(4, 8, kRed).image(), 0, 0);
  game_.sprites.items[size_t(sprite_index)]->frames[0] = half;
  game_.sprites.items[size_t(sprite_index)]->set_default_masks();
  const int object = add_object("obj", -1, sprite_index);
  const int room = int(game_.rooms.size());
  add_room("rm");
  const int id = place(room, object, 10, 10);
  ASSERT_TRUE(start());
  EXPECT_EQ(instance(id)->bbox_right, 13);
  EXPECT_EQ(eval("position_meeting(16, 12, obj)").real, 0);

  exec("sprite_collision_mask(0, false, 1, 0, 0, 0, 0, 1, 0);");  // full box, rectangle
  EXPECT_EQ(eval("sprite_get_bbox_right(0)").real, 7);
  EXPECT_EQ(instance(id)->bbox_right, 17);
  EXPECT_EQ(eval("position_meeting(16, 12, obj)").real, 1);

  // A manual box given as left, right, top, bottom.
  exec("sprite_collision_mask(0, false, 2, 1, 2, 3, 4, 1, 0);");
  EXPECT_EQ(eval("sprite_get_bbox_left(0)").real, 1);
  EXPECT_EQ(eval("sprite_get_bbox_right(0)").real, 2);
  EXPECT_EQ(eval("sprite_get_bbox_top(0)").real, 3);
  EXPECT_EQ(eval("sprite_get_bbox_bottom(0)").real, 4);
  EXPECT_EQ(eval("position_meeting(12, 14, obj)").real, 1);
  EXPECT_EQ(eval("position_meeting(10, 10, obj)").real, 0);

  exec("sprite_set_offset(0, 2, 3);");
  EXPECT_EQ(instance(id)->bbox_left, 9);
  EXPECT_EQ(instance(id)->bbox_top, 10);
  EXPECT_EQ(eval("position_meeting(10, 11, obj)").real, 1);

  // Deleted under the instance: no box, no collision, and the steps go on.
  exec("sprite_delete(0);");
  EXPECT_EQ(instance(id)->bbox_left, kNoBox);
  EXPECT_EQ(eval("position_meeting(10, 11, obj)").real, 0);
  EXPECT_EQ(run_steps(2), 2);
  // Filled again, the slot serves the instance as before.
  exec("sprite_add(" + file("strip.png") + ", 3, 0, 0, 0, 0); sprite_assign(0, 1);");
  EXPECT_EQ(instance(id)->bbox_right, 13);
  EXPECT_EQ(eval("position_meeting(13, 13, obj)").real, 1);

  // More frames than the strip has columns: empty frames, nothing to collide with or draw.
  exec("sprite_replace(0, " + file("strip.png") + ", 20, 0, 0, 0, 0);");
  EXPECT_EQ(eval("sprite_get_number(0)").real, 20);
  EXPECT_EQ(eval("sprite_get_width(0)").real, 0);
  EXPECT_EQ(eval("position_meeting(10, 10, obj)").real, 0);
  EXPECT_EQ(run_steps(2), 2);
}

// On a real device: the screen and surfaces read into sprites and backgrounds, and
// textures made again after a change.
class ResourceDeviceTest : public DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    open_device(16, 16);
    CRoom& room = add_room("rm");
    room.width = 16;
    room.height = 16;
    ASSERT_TRUE(start());
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, 16, 16);
    device.set_projection(0, 16, 16, 0, 0);
    device.clear(kBlack);
  }
  void TearDown() override {
    DeviceWorldTest::TearDown();
    free_all_surfaces();
    close_device();
  }
  const CSprite& sprite(int index) { return *game_.sprites.items[size_t(index)]; }
};

TEST_F(ResourceDeviceTest, ScreenAndSurfacesBecomeSpritesAndBackgrounds) {
  exec("draw_set_color(c_red); draw_rectangle(2, 2, 5, 5, false);");
  const int from_screen = int(eval("sprite_create_from_screen(2, 2, 4, 4, 0, 0, 1, 2)").real);
  ASSERT_EQ(from_screen, 0);
  EXPECT_EQ(sprite(0).width(), 4);
  EXPECT_EQ(eval("sprite_get_xoffset(0)").real, 1);
  EXPECT_PIXEL(sprite(0).frames[0], 0, 0, kRed);
  EXPECT_PIXEL(sprite(0).frames[0], 3, 3, kRed);
  // Partly outside the screen: the outside is black; the red shows where it is.
  exec("sprite_add_from_screen(0, -2, 0, 4, 4, 0, 0);");
  ASSERT_EQ(sprite(0).frames.size(), 2u);
  EXPECT_PIXEL(sprite(0).frames[1], 0, 0, kBlack);
  EXPECT_PIXEL(sprite(0).frames[1], 3, 3, kBlack);
  exec("sprite_add_from_screen(0, 4, 4, 4, 4, 1, 0);");  // black bottom-left: transparent
  EXPECT_EQ(sprite(0).frames[2].pixel(0, 0), kRed);
  EXPECT_EQ(sprite(0).frames[2].pixel(2, 2) >> 24, 0u);
  EXPECT_EQ(eval("background_create_from_screen(0, 0, 16, 16, 0, 0)").real, 0);
  EXPECT_PIXEL(game_.backgrounds.items[0]->image, 3, 3, kRed);

  // A surface with its own alpha: half-transparent blue over a clear corner.
  exec(
      "global.s = surface_create(4, 4); surface_set_target(global.s);"
      "draw_clear_alpha(c_blue, 1); draw_set_color(c_lime);"
      "draw_rectangle(0, 0, 1, 1, false); surface_reset_target();");
  const int from_surface =
      int(eval("sprite_create_from_surface(global.s, 0, 0, 4, 4, 0, 0, 0, 0)").real);
  ASSERT_EQ(from_surface, 1);
  EXPECT_PIXEL(sprite(1).frames[0], 0, 0, kGreen);
  EXPECT_PIXEL(sprite(1).frames[0], 3, 3, kBlue);
  exec("sprite_add_from_surface(1, global.s, 2, 2, 4, 4, 0, 0);");
  ASSERT_EQ(sprite(1).frames.size(), 2u);
  EXPECT_PIXEL(sprite(1).frames[1], 0, 0, kBlue);
  EXPECT_EQ(sprite(1).frames[1].pixel(3, 3), 0u);  // outside the surface
  EXPECT_EQ(eval("background_create_from_surface(global.s, 0, 0, 2, 2, 0, 0)").real, 1);
  EXPECT_PIXEL(game_.backgrounds.items[1]->image, 1, 1, kGreen);

  RScriptRun missing = run("sprite_create_from_surface(9, 0, 0, 4, 4, 0, 0, 0, 0)", true);
  EXPECT_EQ(missing.result.real, -1);
  ASSERT_EQ(missing.shown.size(), 1u);
  EXPECT_NE(missing.shown[0].find("Trying to use non-existing surface."), std::string::npos);
}

TEST_F(ResourceDeviceTest, ChangedSpritesDrawTheirNewPictures) {
  exec(
      "draw_set_color(c_red); draw_rectangle(0, 0, 3, 3, false);"
      "global.a = sprite_create_from_screen(0, 0, 2, 2, 0, 0, 0, 0);"
      "draw_set_color(c_blue); draw_rectangle(0, 0, 3, 3, false);"
      "global.b = sprite_create_from_screen(0, 0, 2, 2, 0, 0, 0, 0);"
      "draw_clear(c_black); draw_sprite(global.a, 0, 8, 8);");
  EXPECT_PIXEL(back_buffer(), 9, 9, kRed);
  exec("sprite_assign(global.a, global.b); draw_sprite(global.a, 0, 8, 8);");
  EXPECT_PIXEL(back_buffer(), 9, 9, kBlue);
  exec(
      "background_create_color(2, 2, c_lime); draw_background(0, 0, 0);"
      "background_assign(0, background_create_color(2, 2, c_white)); draw_background(0, 4, 0);");
  TBitmap32 frame = back_buffer();
  EXPECT_PIXEL(frame, 1, 1, kGreen);
  EXPECT_PIXEL(frame, 5, 1, kWhite);

  // Frames without pixels, and a deleted sprite, draw nothing.
  std::string png = (fs::path(::testing::TempDir()) / "resource_strip.png").string();
  std::string error;
  ASSERT_TRUE(save_png_file(png, TBitmap32(4, 4, kRed), error)) << error;
  exec("draw_clear(c_black); global.c = sprite_add('" + png +
       "', 9, 0, 0, 0, 0); draw_sprite(global.c, 0, 0, 0);"
       "sprite_delete(global.a); draw_sprite(global.a, 0, 0, 0);");
  EXPECT_EQ(eval("sprite_get_number(global.c)").real, 9);
  EXPECT_PIXEL(back_buffer(), 0, 0, kBlack);
  fs::remove(png);
}

// The replacing actions check the resource and the file, turn a picture into a strip that
// keeps the sprite's origin, and leave a resource alone when either check fails.
TEST_F(ResourceGraphicsTest, ReplacingActionsCheckFirstAndKeepTheOrigin) {
  const int s = add_sprite(1, 4, 4);
  game_.sprites.items[size_t(s)]->xorigin = 3;
  game_.sprites.items[size_t(s)]->yorigin = 1;
  install();
  const std::string id = std::to_string(s);
  expect_message("action_replace_sprite(99, " + file("strip.png") + ", 3);",
                 "Trying to replace non-existing resource.");
  expect_message("action_replace_sprite(" + id + ", " + file("none.png") + ", 3);",
                 "File does not exist.");
  EXPECT_EQ(sprite(s).frames.size(), 1u);
  EXPECT_TRUE(shown_by("action_replace_sprite(" + id + ", " + file("strip.png") + ", 3);").empty());
  ASSERT_EQ(sprite(s).frames.size(), 3u);
  EXPECT_EQ(sprite(s).width(), 4);
  EXPECT_EQ(sprite(s).frames[2].pixel(0, 0), kBlue);
  EXPECT_EQ(sprite(s).xorigin, 3);
  EXPECT_EQ(sprite(s).yorigin, 1);

  ASSERT_EQ(eval("background_add(" + file("strip.png") + ", 0, 0)").real, 0);
  expect_message("action_replace_background(4, " + file("strip.png") + ");",
                 "Trying to replace non-existing resource.");
  expect_message("action_replace_background(0, " + file("none.png") + ");", "File does not exist.");
  EXPECT_TRUE(shown_by("action_replace_background(0, " + file("Strip.BMP") + ");").empty());
  EXPECT_EQ(eval("background_get_width(0)").real, 12);
}

}  // namespace
}  // namespace vn::test
