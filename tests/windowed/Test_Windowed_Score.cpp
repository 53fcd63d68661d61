// The high-score table in a real window: a new rank typed into with keys as SDL delivers
// them, the name stored when Return closes it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "Test_Support.h"
#include "Windowed_Support.h"
#include "graphics/BM32_Class.h"
#include "graphics/BM32_File.h"
#include "graphics/Background_Class.h"
#include "library/Support_Registry.h"
#include "runner/Run_Score.h"
#include "script/Variable_BuiltIn.h"
#include "world/Run_Global.h"

namespace vn::test {
namespace {

// Events for the form's window, which is current while the observer runs.
void push_text(const char* utf8) {
  SDL_Event event{};
  event.type = SDL_TEXTINPUT;
  event.text.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  std::strncpy(event.text.text, utf8, sizeof(event.text.text) - 1);
  SDL_PushEvent(&event);
}

void push_key(SDL_Keycode key, SDL_Scancode code, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.windowID = SDL_GetWindowID(SDL_GL_GetCurrentWindow());
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = code;
  SDL_PushEvent(&event);
}

void save_shot(const std::string& name) {
  const char* folder = std::getenv("VN_FORM_SHOTS");
  if (folder == nullptr || *folder == '\0') return;
  const RFormPicture& picture = last_form_picture();
  RImage image;
  image.width = picture.width;
  image.height = picture.height;
  for (size_t i = 0; i + 3 < picture.pixels.size(); i += 4) {
    const uint8_t* p = &picture.pixels[i];
    image.pixels.push_back(0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
  }
  std::string error;
  save_png_file(std::filesystem::path(folder) / (name + ".png"), TBitmap32(std::move(image)),
                error);
}

TEST(WindowedScore, TheNewRankTakesTheNameTyped) {
  REQUIRE_VIRTUAL_DISPLAY();
  ScratchDir scratch("windowed_score");
  set_registry_folder(scratch.path());
  run_state().game_id = 9;
  RScoreTable table;
  table[0] = {"Bo", 900};
  table[1] = {"Cy", 500};
  table[2] = {"Di", 100};
  ASSERT_TRUE(write_score_table(9, table));

  // Each event is taken at the start of the frame after the one that pushed it.
  watch_forms({"highscore_new", 1, std::nullopt, [](int frame) -> std::optional<int> {
                 switch (frame) {
                   case 1:
                     push_text("Zo\xC3\xAB!");
                     break;
                   case 2:
                     push_key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, true);
                     break;
                   case 3:
                     push_key(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, false);
                     break;
                   case 4:
                     push_text("e");
                     break;
                   case 6:
                     push_key(SDLK_RETURN, SDL_SCANCODE_RETURN, true);
                     break;
                   case 30:
                     return -1;  // Return was not seen
                 }
                 return std::nullopt;
               }});
  show_high_scores(600);
  stop_watching_forms();
  save_shot("highscore_typed");

  const RScoreTable stored = read_score_table(9);
  // "Zoë!" less its last character, then "e"; the ë kept as its Windows-1252 byte.
  EXPECT_EQ(stored[1], (RScoreRank{"Zo\xEB"
                                   "e",
                                   600}));
  EXPECT_EQ(stored[0], (RScoreRank{"Bo", 900}));
  EXPECT_EQ(stored[2], (RScoreRank{"Cy", 500}));
  EXPECT_EQ(stored[3], (RScoreRank{"Di", 100}));

  const RFormPicture& picture = last_form_picture();
  ASSERT_EQ(picture.width, TScoreForm::kWidth);
  ASSERT_EQ(picture.height, TScoreForm::kHeight);
  // The new rank (the second row) is written in the highlight colour, red by default; the
  // other rows and the caption are not.
  auto has_red = [&](int top, int bottom) {
    for (int y = top; y < bottom; ++y) {
      for (int x = 0; x < picture.width; ++x) {
        const uint32_t pixel = form_pixel(x, y);
        if ((pixel >> 16) > 0xC0 && ((pixel >> 8) & 0xFF) < 0x40 && (pixel & 0xFF) < 0x40) {
          return true;
        }
      }
    }
    return false;
  };
  // With the default 12-point font the ten rows share y 60 ... 362, 30 pixels each.
  EXPECT_FALSE(has_red(0, 90));
  EXPECT_TRUE(has_red(90, 121));
  EXPECT_FALSE(has_red(121, picture.height));
  set_registry_folder({});
  run_state().game_id = 0;
}

// A table without a new rank, with a background picture, the display settings of a game
// and Escape to close; nothing is stored.
TEST(WindowedScore, ThePictureAndSettingsShowAndEscapeCloses) {
  REQUIRE_VIRTUAL_DISPLAY();
  ScratchDir scratch("windowed_score_look");
  set_registry_folder(scratch.path());
  run_state().game_id = 10;
  RScoreTable table;
  table[0] = {"Bo", 900};
  ASSERT_TRUE(write_score_table(10, table));

  // A picture, green above and blue below, stretched over the whole form.
  TResourceList<CBackground> backgrounds;
  auto picture = std::make_unique<CBackground>();
  picture->image = TBitmap32(4, 4, 0xFF00A000u);
  for (int x = 0; x < 4; ++x) {
    for (int y = 2; y < 4; ++y) picture->image.image().at(x, y) = 0xFF0000A0u;
  }
  backgrounds.add("back", std::move(picture));
  const RWorldResources saved = world_resources();
  world_resources().backgrounds = &backgrounds;
  const RScoreDisplay defaults = score_display();
  RScoreDisplay& display = score_display();
  display.background = 0;
  display.other_color = 0xFFFFFF;
  display.font_name = "DejaVu Sans";
  display.font_style = 1;
  display.caption = "Hall of Fame";
  display.nobody = "---";
  display.escape = "Esc";

  int last_frame = 0;
  watch_forms({"highscore_picture", 3, std::nullopt, [&](int frame) -> std::optional<int> {
                 last_frame = frame;
                 if (frame == 3) push_key(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, true);
                 return frame == 30 ? std::optional<int>(-1) : std::nullopt;
               }});
  show_high_scores(0);
  stop_watching_forms();
  score_display() = defaults;
  world_resources() = saved;

  EXPECT_EQ(last_frame, 4);  // closed by Escape
  EXPECT_EQ(read_score_table(10), table);
  EXPECT_EQ(form_pixel(2, 2), 0x00A000u);
  EXPECT_EQ(form_pixel(357, 397), 0x0000A0u);
  set_registry_folder({});
  run_state().game_id = 0;
}

}  // namespace
}  // namespace vn::test
