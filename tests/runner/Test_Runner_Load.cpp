#include <gtest/gtest.h>

#include "platform/Platform_Font.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Load.h"

namespace vn {
namespace {

constexpr uint32_t kImage = 0xFF102030;
constexpr uint32_t kBack = 0xFF00FF00;
constexpr uint32_t kFront = 0xFFFF0000;

RImage solid(int width, int height, uint32_t colour) {
  return {width, height, std::vector<uint32_t>(size_t(width) * size_t(height), colour)};
}

RBitmapFile bitmap(RImage image) { return {{}, std::move(image)}; }

class LoadFormTest : public testing::Test {
 protected:
  void SetUp() override {
    set_headless(true);
    set_headless_display_size(1024, 768);
  }

  // A game whose pictures are plain colours, so that every pixel of a frame is predictable.
  static CGameSettings plain_game(int width = 332, int height = 92) {
    CGameSettings settings;
    settings.loading_image = bitmap(solid(width, height, kImage));
    settings.loading_back = bitmap(solid(10, 4, kBack));
    settings.loading_front = bitmap(solid(10, 4, kFront));
    return settings;
  }

  static const CHeadlessWindow& headless(const TLoadForm& form) {
    auto* window = dynamic_cast<const CHeadlessWindow*>(form.window());
    EXPECT_NE(window, nullptr);
    return *window;
  }
};

void expect_control(const RControl& control, int left, int top, int width, int height,
                    bool visible) {
  EXPECT_EQ(control.left, left);
  EXPECT_EQ(control.top, top);
  EXPECT_EQ(control.width, width);
  EXPECT_EQ(control.height, height);
  EXPECT_EQ(control.visible, visible);
}

TEST_F(LoadFormTest, DefaultPicturesLayout) {
  TLoadForm form;
  expect_control(form.state().load_image, 0, 0, 332, 92, true);
  expect_control(form.state().load_empty_shape, 24, 72, 289, 16, true);
  expect_control(form.state().load_full_shape, 24, 72, 105, 16, true);
  expect_control(form.state().load_label, 32, 72, 273, 17, false);
  EXPECT_EQ(form.window(), nullptr);

  form.setup(CGameSettings{}, false);
  const RLoadFormState& state = form.state();
  expect_control(state.load_image, 0, 0, 332, 92, true);
  expect_control(state.load_empty_shape, 24, 60, 284, 16, true);
  expect_control(state.load_full_shape, 24, 60, 0, 16, true);
  expect_control(state.load_label, 32, 60, 273, 17, false);
  EXPECT_TRUE(state.full_stretched);
  EXPECT_EQ(state.label_text, "Loading");
  EXPECT_EQ(state.left, 346);
  EXPECT_EQ(state.top, 338);
  EXPECT_FALSE(state.transparent_color.has_value());
  EXPECT_EQ(state.opacity, 255);

  EXPECT_TRUE(form.visible());
  const CHeadlessWindow& window = headless(form);
  EXPECT_EQ(window.setup().left, 346);
  EXPECT_EQ(window.setup().top, 338);
  EXPECT_EQ(window.setup().width, 332);
  EXPECT_EQ(window.setup().height, 92);
  EXPECT_EQ(window.last_frame(), compose_load_frame(state));
}

TEST_F(LoadFormTest, GameImageSizesTheForm) {
  TLoadForm form;
  form.setup(plain_game(400, 150), false);
  const RLoadFormState& state = form.state();
  expect_control(state.load_image, 0, 0, 400, 150, true);
  expect_control(state.load_empty_shape, 24, 118, 352, 16, true);
  expect_control(state.load_full_shape, 24, 118, 0, 16, true);
  EXPECT_EQ(state.client_width, 400);
  EXPECT_EQ(state.client_height, 150);
  EXPECT_EQ(state.left, 312);
  EXPECT_EQ(state.top, 309);
  EXPECT_EQ(headless(form).last_frame().width, 400);
  EXPECT_EQ(headless(form).last_frame().at(0, 0), kImage);
}

TEST_F(LoadFormTest, CentringHalvesRoundTowardZero) {
  set_headless_display_size(1000, 700);
  TLoadForm odd;
  odd.setup(plain_game(333, 93), false);
  EXPECT_EQ(odd.state().left, 333);
  EXPECT_EQ(odd.state().top, 303);

  // Larger than the screen: -77 / 2 is -38, not -39.
  set_headless_display_size(1024, 768);
  TLoadForm large;
  large.setup(plain_game(1101, 801), false);
  EXPECT_EQ(large.state().left, -38);
  EXPECT_EQ(large.state().top, -16);
}

TEST_F(LoadFormTest, BarWidthFollowsPercentWithTiesToEven) {
  TLoadForm form;
  form.setup(CGameSettings{}, false);  // empty bar 284 wide
  const std::pair<int, int> default_cases[] = {{0, 0}, {1, 3}, {49, 139}, {50, 142}, {100, 284}};
  for (auto [percent, width] : default_cases) {
    form.progress(percent, "step");
    EXPECT_EQ(form.state().load_full_shape.width, width) << percent;
  }

  TLoadForm wide;
  wide.setup(plain_game(338, 92), false);  // empty bar 290 wide: 5% is 14.5, 15% is 43.5
  const std::pair<int, int> tie_cases[] = {{5, 14}, {15, 44}, {25, 72}, {35, 102}, {90, 261}};
  for (auto [percent, width] : tie_cases) {
    wide.progress(percent, "step");
    EXPECT_EQ(wide.state().load_full_shape.width, width) << percent;
  }
  EXPECT_EQ(wide.state().label_text, "step");
}

TEST_F(LoadFormTest, StretchedBarCoversExactlyItsWidth) {
  TLoadForm form;
  form.setup(plain_game(), false);
  form.progress(50, "half");
  const RImage& frame = headless(form).last_frame();
  ASSERT_EQ(frame, compose_load_frame(form.state()));
  for (int y : {60, 68, 75}) {
    for (int x = 0; x < 332; ++x) {
      const uint32_t expected = x < 24 ? kImage : x < 24 + 142 ? kFront : x < 308 ? kBack : kImage;
      ASSERT_EQ(frame.at(x, y), expected) << x << "," << y;
    }
  }
  for (int x = 0; x < 332; ++x) {
    ASSERT_EQ(frame.at(x, 59), kImage);
    ASSERT_EQ(frame.at(x, 76), kImage);
  }
}

TEST_F(LoadFormTest, StretchedFrontScalesItsPicture) {
  CGameSettings settings = plain_game();
  RImage halves = solid(2, 1, 0xFFFF0000);
  halves.at(1, 0) = 0xFF0000FF;
  settings.loading_front = bitmap(halves);
  TLoadForm form;
  form.setup(settings, false);
  form.progress(50, "half");
  const RImage frame = compose_load_frame(form.state());
  EXPECT_EQ(frame.at(24, 64), 0xFFFF0000);
  EXPECT_EQ(frame.at(24 + 70, 64), 0xFFFF0000);
  EXPECT_EQ(frame.at(24 + 71, 64), 0xFF0000FF);
  EXPECT_EQ(frame.at(24 + 141, 64), 0xFF0000FF);
  EXPECT_EQ(frame.at(24 + 142, 64), kBack);
}

TEST_F(LoadFormTest, UnscaledFrontKeepsItsSizeCutToTheBar) {
  CGameSettings settings = plain_game();
  settings.scale_loading_bar = false;
  settings.loading_front = bitmap(solid(50, 20, kFront));
  TLoadForm form;
  form.setup(settings, false);
  EXPECT_FALSE(form.state().full_stretched);

  form.progress(10, "a little");  // 28 of 284
  RImage frame = compose_load_frame(form.state());
  EXPECT_EQ(frame.at(24 + 27, 64), kFront);
  EXPECT_EQ(frame.at(24 + 28, 64), kBack);

  form.progress(100, "all");  // the picture is narrower than the bar
  frame = compose_load_frame(form.state());
  EXPECT_EQ(frame.at(24 + 49, 64), kFront);
  EXPECT_EQ(frame.at(24 + 50, 64), kBack);
  EXPECT_EQ(frame.at(30, 75), kFront);  // 20 rows tall, cut at the bar's 16
  EXPECT_EQ(frame.at(30, 76), kImage);
}

TEST_F(LoadFormTest, LabelOnlyInDebugModeWithTheBar) {
  TLoadForm plain;
  plain.setup(plain_game(), false);
  EXPECT_FALSE(plain.state().load_label.visible);

  TLoadForm debug;
  debug.setup(plain_game(), true);
  EXPECT_TRUE(debug.state().load_label.visible);

  CGameSettings no_bar = plain_game();
  no_bar.loading_bar = false;
  TLoadForm bare;
  bare.setup(no_bar, true);
  EXPECT_FALSE(bare.state().load_label.visible);
  EXPECT_FALSE(bare.state().load_empty_shape.visible);
  EXPECT_FALSE(bare.state().load_full_shape.visible);
  bare.progress(100, "done");
  EXPECT_EQ(compose_load_frame(bare.state()), solid(332, 92, kImage));
}

TEST_F(LoadFormTest, LabelTextIsDrawnInsideTheLabelOnly) {
  if (matched_font_file({}).empty()) {
    GTEST_SKIP() << "no font installed";
  }
  TLoadForm plain;
  plain.setup(plain_game(), false);
  TLoadForm debug;
  debug.setup(plain_game(), true);
  plain.progress(30, "Loading sprites");
  debug.progress(30, "Loading sprites");
  const RImage without = compose_load_frame(plain.state());
  const RImage with = compose_load_frame(debug.state());
  const RControl& label = debug.state().load_label;
  int changed = 0;
  for (int y = 0; y < with.height; ++y) {
    for (int x = 0; x < with.width; ++x) {
      if (with.at(x, y) != without.at(x, y)) {
        ++changed;
        ASSERT_LE(label.left, x);
        ASSERT_LT(x, label.left + label.width);
        ASSERT_GE(y, label.top);
        ASSERT_LT(y, label.top + label.height);
      }
    }
  }
  EXPECT_GT(changed, 20);
}

TEST_F(LoadFormTest, TransparentColourIsTheBottomLeftPixel) {
  CGameSettings settings = plain_game();
  settings.loading_image->image.at(0, 0) = 0xFF445566;
  settings.loading_image->image.at(0, 91) = 0x7FAB1234;
  settings.loading_transparent = true;
  TLoadForm form;
  form.setup(settings, false);
  ASSERT_TRUE(form.state().transparent_color.has_value());
  EXPECT_EQ(*form.state().transparent_color, 0xAB1234u);
  EXPECT_EQ(form.window()->setup().transparent_color, std::optional<uint32_t>(0xAB1234u));

  settings.loading_transparent = false;
  TLoadForm opaque;
  opaque.setup(settings, false);
  EXPECT_FALSE(opaque.state().transparent_color.has_value());
}

TEST_F(LoadFormTest, AlphaBelowFullBlendsTheForm) {
  CGameSettings settings = plain_game();
  settings.loading_alpha = 200;
  TLoadForm blended;
  blended.setup(settings, false);
  EXPECT_EQ(blended.state().opacity, 200);
  EXPECT_EQ(blended.window()->setup().opacity, 200);

  settings.loading_alpha = 300;
  TLoadForm full;
  full.setup(settings, false);
  EXPECT_EQ(full.state().opacity, 255);
}

TEST_F(LoadFormTest, BarPicturesNeedTheBarAndDefaultsStayOtherwise) {
  CGameSettings settings = plain_game();
  settings.loading_bar = false;
  TLoadForm form;
  form.setup(settings, false);
  EXPECT_EQ(form.state().empty_picture, default_bar_back());
  EXPECT_EQ(form.state().full_picture, default_bar_front());

  CGameSettings only_image;
  only_image.loading_image = bitmap(solid(100, 50, kImage));
  TLoadForm partly;
  partly.setup(only_image, false);
  EXPECT_EQ(partly.state().empty_picture, default_bar_back());
  EXPECT_EQ(partly.state().load_empty_shape.width, 52);
}

TEST_F(LoadFormTest, CloseHidesAndFreesThePictures) {
  TLoadForm form;
  form.progress(40, "before set-up");                  // no window yet; must not fail
  EXPECT_EQ(form.state().load_full_shape.width, 116);  // 40% of the initial 289
  form.setup(CGameSettings{}, false);
  form.close();
  EXPECT_FALSE(form.visible());
  EXPECT_EQ(form.window(), nullptr);
  EXPECT_TRUE(form.state().image_picture.empty());
  EXPECT_TRUE(form.state().empty_picture.empty());
  EXPECT_TRUE(form.state().full_picture.empty());
  form.close();
}

}  // namespace
}  // namespace vn
