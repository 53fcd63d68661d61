#include <gtest/gtest.h>

#include "platform/Platform_Gui.h"
#include "platform/Platform_Video.h"

namespace vn {
namespace {

TEST(PlatformGui, AccessCaptions) {
  RAccessCaption abort = parse_access_caption("&Abort");
  EXPECT_EQ(abort.label, "Abort");
  EXPECT_EQ(abort.key, 'a');
  EXPECT_EQ(abort.key_offset, 0u);

  RAccessCaption clear = parse_access_caption("C&lear");
  EXPECT_EQ(clear.label, "Clear");
  EXPECT_EQ(clear.key, 'l');
  EXPECT_EQ(clear.key_offset, 1u);

  // "&&" is a plain "&"; the last single marker wins; a marker at the end marks nothing.
  RAccessCaption both = parse_access_caption("&Save && &Quit");
  EXPECT_EQ(both.label, "Save & Quit");
  EXPECT_EQ(both.key, 'q');
  EXPECT_EQ(both.key_offset, 7u);
  RAccessCaption none = parse_access_caption("R&&D&");
  EXPECT_EQ(none.label, "R&D");
  EXPECT_EQ(none.key, 0);
  EXPECT_EQ(none.key_offset, std::string::npos);
}

TEST(PlatformGui, HeadlessShowsNothingAndSaysWhy) {
  set_headless(true);
  bool drawn = false;
  std::optional<int> result = run_modal_form(RFormSetup{}, [&](RFormFrame&) {
    drawn = true;
    return std::optional<int>(1);
  });
  EXPECT_FALSE(result.has_value());
  EXPECT_FALSE(drawn);
  EXPECT_FALSE(gui_failure_reason().empty());
  EXPECT_FALSE(set_clipboard_text("text"));
  set_headless(false);
}

}  // namespace
}  // namespace vn
