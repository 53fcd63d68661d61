// The textures of the game's pictures are made when the game starts, backgrounds first,
// then every frame of every sprite, so a game finds the same texture ids in every run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "Test_Support.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

TEST(TextureOrder, BackgroundsThenSpriteFramesGetTheirIdsAtStart) {
  test::ScratchDir scratch("texture_order");
  const fs::path source = fs::path(VN_SOURCE_DIR) / "tests" / "graphics" / "frames" / "half_pixel";
  const fs::path project = scratch / "project";
  fs::copy(source, project, fs::copy_options::recursive);
  // One more background, and a sprite of two frames made from the same picture.
  fs::copy_file(source / "backgrounds" / "bg_quad.png", project / "backgrounds" / "bg_two.png");
  std::ofstream(project / "backgrounds" / "bg_two.json") << R"({"image": "bg_two.png"})";
  std::ofstream(project / "sprites" / "spr_pair.json")
      << R"({"frames": ["spr_checker_0.png", "spr_checker_0.png"]})";
  std::ofstream(project / "objects" / "obj_probe.json") << R"({"events": [{"type": "create",
      "actions": ["show_debug_message(string(background_get_texture(bg_quad)) + ' ' + string(background_get_texture(bg_two)) + ' ' + string(sprite_get_texture(spr_checker, 0)) + ' ' + string(sprite_get_texture(spr_pair, 0)) + ' ' + string(sprite_get_texture(spr_pair, 1)) + ' ' + string(texture_exists(5))); game_end();"]}]})";
  std::ofstream(project / "game.json")
      << R"({"sprites": ["spr_checker", "spr_pair"], "backgrounds": ["bg_quad", "bg_two"],
             "objects": ["obj_probe"], "rooms": ["rm_main"]})";
  std::ofstream(project / "rooms" / "rm_main.json")
      << R"({"width": 16, "height": 16, "instances": [{"x": 0, "y": 0, "object": "obj_probe"}]})";
  auto run = test::run_command("env -u DISPLAY -u WAYLAND_DISPLAY " + test::quoted(VN_PATH) +
                               " run --headless " + test::quoted(project));
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "0 1 2 3 4 0\n") << run.err;
}

}  // namespace
}  // namespace vn
