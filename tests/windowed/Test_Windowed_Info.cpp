// The game information in real windows: its own form, over the game window, and beside the
// running game.
#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include "Windowed_Support.h"
#include "platform/Platform_GameWindow.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_Video.h"
#include "runner/Help_Main.h"

namespace vn::test {
namespace {

const char* const kDocument =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
    "{\\colortbl ;\\red200\\green0\\blue0;\\red0\\green0\\blue160;}"
    "\\pard\\qc\\fs48\\b\\cf1 Red Title\\b0\\cf0\\par"
    "\\pard\\fs24 Some {\\b bold}, {\\i italic} and {\\ul underlined} text, with a "
    "{\\cf2 blue} word and caf\\'e9 au lait. The line is long enough to wrap at the edge "
    "of the form.\\par\\pard\\qr right\\par}";

CGameInformation information(bool in_game_window, bool pause) {
  CGameInformation info;
  info.caption = "About the game";
  info.width = 360;
  info.height = 240;
  info.background_color = 0xE1FFFF;  // pale yellow, red in the low byte
  info.show_in_game_window = in_game_window;
  info.pause_game = pause;
  const std::string text = kDocument;
  info.text.assign(text.begin(), text.end());
  return info;
}

// True when some pixel of the rectangle is reddish (the title's ink).
bool has_red(int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const uint32_t c = form_pixel(x, y);
      if (((c >> 16) & 0xFF) > 150 && ((c >> 8) & 0xFF) < 80 && (c & 0xFF) < 80) return true;
    }
  }
  return false;
}

TEST(WindowedInfo, OwnFormShowsStyledTextOnTheRecordsColour) {
  REQUIRE_VIRTUAL_DISPLAY();
  THelpForm form;
  form.set_information(information(false, true));
  watch_forms({"info_form", 6, 0, {}});
  form.show();
  stop_watching_forms();
  ASSERT_EQ(last_form_picture().width, 360);
  ASSERT_EQ(last_form_picture().height, 240);
  // The text area takes the record's colour (0xE1FFFF as Windows keeps it).
  EXPECT_EQ(form_pixel(350, 200), 0xFFFFE1u);
  // The centred red title: ink in the middle of the first line, none at its left end.
  EXPECT_TRUE(has_red(120, 8, 240, 40));
  EXPECT_FALSE(has_red(8, 8, 60, 40));
}

TEST(WindowedInfo, TextLargerThanTheFormScrollsBothWays) {
  REQUIRE_VIRTUAL_DISPLAY();
  CGameInformation info = information(false, true);
  info.width = 200;
  info.height = 120;
  std::string text = "Averyveryverylongwordthatcannotwrapanywhere\r\n";
  for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i) + "\r\n";
  info.text.assign(text.begin(), text.end());
  THelpForm form;
  form.set_information(info);
  watch_forms({"info_scrolling", 6, 0, {}});
  form.show();
  stop_watching_forms();
  ASSERT_EQ(last_form_picture().width, 200);
  // Bars along the right and the bottom edge, not the text area's colour.
  EXPECT_NE(form_pixel(196, 50), 0xFFFFE1u);
  EXPECT_NE(form_pixel(100, 117), 0xFFFFE1u);
  EXPECT_EQ(form_pixel(150, 60), 0xFFFFE1u);
}

TEST(WindowedInfo, OverTheGameWindowLeavesItsDrawingStateAlone) {
  REQUIRE_VIRTUAL_DISPLAY();
  RGameWindowSetup setup;
  setup.title = "Game";
  setup.width = 320;
  setup.height = 200;
  std::unique_ptr<IGameWindow> window = create_game_window(setup);
  ASSERT_NE(window->renderer(), nullptr);
  window->show();
  const uint32_t id = window->sdl_window_id();
  ASSERT_NE(game_window_gl_context(id), nullptr);

  // State the game's renderer may rely on between frames.
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  GLint program = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program);

  THelpForm form;
  form.set_information(information(true, true));
  form.set_host_window([id] { return id; });
  bool captured_while_shown = false;
  watch_forms({"info_in_game_window", 6, {}, [&](int) -> std::optional<int> {
                 captured_while_shown = form.shown_in_game_window();
                 return 0;
               }});
  form.show();
  stop_watching_forms();
  EXPECT_TRUE(captured_while_shown);
  EXPECT_FALSE(form.shown_in_game_window());
  // The form filled the game window's client area.
  ASSERT_EQ(last_form_picture().width, 320);
  ASSERT_EQ(last_form_picture().height, 200);
  EXPECT_EQ(form_pixel(310, 190), 0xFFFFE1u);
  EXPECT_TRUE(has_red(80, 8, 240, 40));

  EXPECT_EQ(SDL_GL_GetCurrentContext(), game_window_gl_context(id));
  GLfloat clear[4] = {};
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  EXPECT_FLOAT_EQ(clear[2], 0.75f);
  GLint alignment = 0;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  EXPECT_EQ(alignment, 1);
  GLint program_after = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &program_after);
  EXPECT_EQ(program_after, program);
}

TEST(WindowedInfo, BesideTheGameItIsDrawnWhileEventsArePumped) {
  REQUIRE_VIRTUAL_DISPLAY();
  RGameWindowSetup setup;
  std::unique_ptr<IGameWindow> window = create_game_window(setup);
  SDL_GLContext game_context = SDL_GL_GetCurrentContext();

  THelpForm form;
  form.set_information(information(false, false));
  int frames_seen = 0;
  watch_forms({"info_beside_game", 1, {}, [&](int frame) -> std::optional<int> {
                 frames_seen = frame + 1;
                 return frame >= 5 ? std::optional<int>(0) : std::nullopt;
               }});
  form.show();  // returns at once
  EXPECT_TRUE(form.open_beside_game());
  form.show();  // a second show raises the same form
  EXPECT_TRUE(form.open_beside_game());
  for (int step = 0; step < 20 && form.open_beside_game(); ++step) {
    pump_events();
    // The game's context is current again after every frame of the form.
    EXPECT_EQ(SDL_GL_GetCurrentContext(), game_context);
  }
  stop_watching_forms();
  EXPECT_FALSE(form.open_beside_game());
  EXPECT_EQ(frames_seen, 6);
  EXPECT_EQ(form_pixel(350, 200), 0xFFFFE1u);
}

}  // namespace
}  // namespace vn::test
