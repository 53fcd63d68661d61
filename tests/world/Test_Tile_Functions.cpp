#include <gtest/gtest.h>

#include "world/World_Test_Support.h"

namespace vn::test {
namespace {

class TileFunctions : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    add_room("rm");
    ASSERT_TRUE(start());
  }
  double number(const std::string& expression) { return eval(expression).real; }
};

TEST_F(TileFunctions, AddedTilesAreReadAndChangedThroughTheirIds) {
  double id = number("tile_add(3, 16, 32, 8, 4, 100, 50, 1000)");
  EXPECT_EQ(id, 10000001);
  EXPECT_EQ(number("tile_add(3, 0, 0, 8, 8, 0, 0, -5)"), 10000002);
  const std::string t = "10000001";
  EXPECT_EQ(number("tile_get_background(" + t + ")"), 3);
  EXPECT_EQ(number("tile_get_left(" + t + ")"), 16);
  EXPECT_EQ(number("tile_get_top(" + t + ")"), 32);
  EXPECT_EQ(number("tile_get_width(" + t + ")"), 8);
  EXPECT_EQ(number("tile_get_height(" + t + ")"), 4);
  EXPECT_EQ(number("tile_get_x(" + t + ")"), 100);
  EXPECT_EQ(number("tile_get_y(" + t + ")"), 50);
  EXPECT_EQ(number("tile_get_depth(" + t + ")"), 1000);
  // A new tile is visible, unscaled, white and opaque.
  EXPECT_EQ(number("tile_get_visible(" + t + ")"), 1);
  EXPECT_EQ(number("tile_get_xscale(" + t + ") + tile_get_yscale(" + t + ")"), 2);
  EXPECT_EQ(number("tile_get_blend(" + t + ")"), 0xFFFFFF);
  EXPECT_EQ(number("tile_get_alpha(" + t + ")"), 1);

  exec("tile_set_position(" + t + ", 7.5, 8); tile_set_region(" + t +
       ", 1, 2, 3, 4); tile_set_scale(" + t + ", 2, -1); tile_set_blend(" + t +
       ", c_red); tile_set_alpha(" + t + ", 0.25); tile_set_visible(" + t +
       ", false); tile_set_background(" + t + ", 5); tile_set_depth(" + t + ", -3);");
  const RTile& tile = room().tiles[0];
  EXPECT_EQ(tile.x, 7.5);
  EXPECT_EQ(tile.y, 8);
  EXPECT_EQ(tile.left + tile.top + tile.width + tile.height, 10);
  EXPECT_EQ(tile.xscale, 2);
  EXPECT_EQ(tile.yscale, -1);
  EXPECT_EQ(tile.blend, 255);
  EXPECT_EQ(tile.alpha, 0.25);
  EXPECT_FALSE(tile.visible);
  EXPECT_EQ(tile.background_index, 5);
  EXPECT_EQ(tile.depth, -3);
}

TEST_F(TileFunctions, FindAndDeleteByPointAndLayer) {
  exec(
      "a = tile_add(0, 0, 0, 10, 10, 0, 0, -1); b = tile_add(0, 0, 0, 10, 10, 0, 0, 2);"
      "c = tile_add(0, 0, 0, 10, 10, 10, 0, 2);");
  EXPECT_EQ(number("tile_find(5, 5, true)"), 10000001);
  EXPECT_EQ(number("tile_find(5, 5, false)"), 10000002);
  EXPECT_EQ(number("tile_find(50, 50, false)"), -1);
  EXPECT_EQ(number("tile_layer_find(2, 12, 3)"), 10000003);
  EXPECT_EQ(number("tile_layer_find(3, 12, 3)"), -1);
  exec("tile_layer_shift(2, 100, 0);");
  EXPECT_EQ(number("tile_get_x(10000003)"), 110);
  exec("tile_layer_depth(2, 4); tile_layer_hide(4);");
  EXPECT_EQ(number("tile_get_depth(10000002) + tile_get_visible(10000002)"), 4);
  exec("tile_layer_show(4);");
  EXPECT_EQ(number("tile_get_visible(10000003)"), 1);
  exec("tile_delete(10000002);");
  EXPECT_EQ(number("tile_exists(10000002)"), 0);
  EXPECT_EQ(number("tile_exists(10000003)"), 1);
  exec("tile_layer_delete_at(4, 115, 5);");
  EXPECT_EQ(number("tile_exists(10000003)"), 0);
  // Deleting at a point takes the edges too, and only the side asked for.
  exec("tile_delete_at(10, 10, false);");
  EXPECT_EQ(number("tile_exists(10000001)"), 1);
  exec("tile_delete_at(10, 10, true);");
  EXPECT_EQ(number("tile_exists(10000001)"), 0);
  exec("d = tile_add(0, 0, 0, 4, 4, 0, 0, 9); tile_layer_delete(9);");
  EXPECT_TRUE(room().tiles.empty());
}

TEST_F(TileFunctions, AnUnknownIdIsReportedAndTheGameGoesOn) {
  RScriptRun r =
      run("tile_set_alpha(5, 0.5); x = tile_get_x(5); tile_delete(5); "
          "show_debug_message('after ' + string(x));");
  ASSERT_TRUE(r.compiled);
  EXPECT_EQ(r.output, std::vector<std::string>{"after 0"});
  ASSERT_EQ(r.shown.size(), 3u);
  EXPECT_NE(r.shown[0].find("Tile does not exist."), std::string::npos);
  EXPECT_EQ(number("tile_exists(5)"), 0);
}

}  // namespace
}  // namespace vn::test
