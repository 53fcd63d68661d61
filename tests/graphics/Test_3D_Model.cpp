#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "Test_Support.h"
#include "graphics/Device_Test_Support.h"
#include "graphics/Frame_Test_Support.h"
#include "graphics/Function_3D_Model.h"
#include "graphics/Graphics_3D.h"
#include "graphics/Graphics_3D_Model.h"
#include "graphics/Graphics_Draw.h"
#include "runner/Runner_Library.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Variable_BuiltIn.h"

namespace vn {
namespace {

class Recorder : public IErrorDisplay {
 public:
  ErrorChoice show(const std::string& message, bool) override {
    messages.push_back(message);
    return ErrorChoice::Ignore;
  }
  std::vector<std::string> messages;
};

class Models : public ::testing::Test {
 protected:
  void SetUp() override {
    register_game_library();
    reset_3d_models();
    reset_error_state();
    set_context_names(RContextNames{});
    set_error_display(&display_);
    run_state().secure_mode = false;
  }
  void TearDown() override {
    set_error_display(nullptr);
    run_state().secure_mode = false;
    reset_3d_models();
  }

  // Through the registry, as a script calls it, with the registered argument count.
  double call(const std::string& name, std::vector<RValue> given = {}) {
    int32_t id = -1;
    EXPECT_TRUE(find_function(name, id)) << name;
    const RBuiltinFunction* function = builtin_function(id);
    if (!function) return -999;
    EXPECT_EQ(function->argument_count, int(given.size())) << name;
    RValue slots[kMaxArguments];
    std::copy(given.begin(), given.end(), slots);
    RValue result;
    function->handler(nullptr, nullptr, int(given.size()), slots, result);
    return result.real;
  }
  double call(const std::string& name, std::initializer_list<double> numbers) {
    return call(name, std::vector<RValue>(numbers.begin(), numbers.end()));
  }
  std::string file(const std::string& name) { return (scratch_ / name).string(); }
  std::vector<std::string> take_messages() { return std::exchange(display_.messages, {}); }

  Recorder display_;
  test::ScratchDir scratch_{"models"};
};

TEST_F(Models, SavedFileIsExact) {
  double m = call("d3d_model_create");
  call("d3d_model_primitive_begin", {m, 4});
  call("d3d_model_vertex", {m, 1, -2.5, 1.0 / 3});
  call("d3d_model_vertex_color", {m, 0.00004, -0.00004, 1234567.89, 16777215, 0.5});
  call("d3d_model_primitive_end", {m});
  call("d3d_model_cylinder", {m, -10, -10, 0, 10, 10, 32, 2, 1, 1, 24});
  ASSERT_EQ(call("d3d_model_save", {m, file("a.d3d")}), 1);
  EXPECT_EQ(test::read_text(scratch_ / "a.d3d"),
            "100\r\n"
            "5\r\n"
            "0 4.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000\r\n"
            "2 1.0000 -2.5000 0.3333 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000\r\n"
            "3 0.0000 0.0000 1234567.8900 16777215.0000 0.5000 0.0000 0.0000 0.0000 0.0000 "
            "0.0000\r\n"
            "1 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000 0.0000\r\n"
            "11 -10.0000 -10.0000 0.0000 10.0000 10.0000 32.0000 2.0000 1.0000 1.0000 24.0000\r\n");
  EXPECT_TRUE(take_messages().empty());
}

// Every appending function, with values that need rounding, saved and read back.
TEST_F(Models, EveryRecordKindRoundTrips) {
  const std::vector<std::pair<std::string, int>> appenders = {
      {"d3d_model_primitive_begin", 1},
      {"d3d_model_primitive_end", 0},
      {"d3d_model_vertex", 3},
      {"d3d_model_vertex_color", 5},
      {"d3d_model_vertex_texture", 5},
      {"d3d_model_vertex_texture_color", 7},
      {"d3d_model_vertex_normal", 6},
      {"d3d_model_vertex_normal_color", 8},
      {"d3d_model_vertex_normal_texture", 8},
      {"d3d_model_vertex_normal_texture_color", 10},
      {"d3d_model_block", 8},
      {"d3d_model_cylinder", 10},
      {"d3d_model_cone", 10},
      {"d3d_model_ellipsoid", 9},
      {"d3d_model_wall", 8},
      {"d3d_model_floor", 8}};
  double m = call("d3d_model_create");
  std::vector<RModelRecord> expected;
  for (size_t kind = 0; kind < appenders.size(); ++kind) {
    std::vector<RValue> given{m};
    RModelRecord record;
    record.kind = int32_t(kind);
    for (int i = 0; i < appenders[kind].second; ++i) {
      double value = (i % 2 ? -1 : 1) * (double(kind) * 10 + i + 0.123456);
      given.emplace_back(value);
      record.values[size_t(i)] = std::round(value * 10000) / 10000;
    }
    call(appenders[kind].first, given);
    expected.push_back(record);
  }
  ASSERT_EQ(call("d3d_model_save", {m, file("all.d3d")}), 1);

  double loaded = call("d3d_model_create");
  EXPECT_EQ(loaded, m + 1);
  ASSERT_EQ(call("d3d_model_load", {loaded, file("all.d3d")}), 1);
  const std::vector<RModelRecord>& records = model_at(int(loaded))->records();
  ASSERT_EQ(records.size(), expected.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].kind, expected[i].kind);
    for (int v = 0; v < kModelValues; ++v) {
      EXPECT_NEAR(records[i].values[size_t(v)], expected[i].values[size_t(v)], 1e-9)
          << "record " << i << " value " << v;
    }
  }
  EXPECT_TRUE(take_messages().empty());
}

// Reading takes any white space between numbers; writing turns what it cannot write as it
// is (not-a-number, infinities) into numbers that read back.
TEST_F(Models, ReaderAndWriterEdges) {
  C3D_Model model;
  ASSERT_TRUE(model.read_text("100 1\t2 +1.5 -.5 2e1 0 0 0 0 0 0 3.\n\n"));
  ASSERT_EQ(model.records().size(), 1u);
  EXPECT_EQ(model.records()[0].kind, 2);
  EXPECT_EQ(model.records()[0].values,
            (std::array<double, 10>{1.5, -0.5, 20, 0, 0, 0, 0, 0, 0, 3}));

  model.add(kModelVertex, {std::numeric_limits<double>::infinity(), std::nan(""), 1e300});
  ASSERT_TRUE(model.read_text(model.write_text()));
  EXPECT_EQ(model.records()[1].values, (std::array<double, 10>{0, 0, 1e300}));
}

// A damaged file loads nothing: the model keeps the records it had.
TEST_F(Models, DamagedFilesLoadNothing) {
  double m = call("d3d_model_create");
  call("d3d_model_wall", {m, 1, 2, 3, 4, 5, 6, 7, 8});
  const std::string kept = model_at(int(m))->write_text();
  const std::string good = "100\r\n2\r\n0 4 0 0 0 0 0 0 0 0 0\r\n2 1.5 2 3 0 0 0 0 0 0 0.25\r\n";
  std::vector<std::string> damaged = {
      "",
      "101\r\n0\r\n",
      "99.9999\r\n0\r\n",
      "x100\r\n0\r\n",
      "100\r\n",
      "100\r\n-1\r\n",
      "100\r\n1.5\r\n0 4 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n4000000000\r\n0 4 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1e18\r\n0 4 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1000\r\n" + std::string(20000, ' '),
      "100\r\n1\r\n16 0 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n-1 0 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2.5 0 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 1.2.3 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 nan 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 inf 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 0x10 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 1e999 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 1,5 0 0 0 0 0 0 0 0 0\r\n",
      "100\r\n1\r\n2 0 0 0 0 0 0 0 0 0 0 0\r\n",  // one number too many
      std::string("100\r\n0\r\n\0", 9),
  };
  // Every cut that loses a whole number.
  for (size_t cut = 0; cut < good.rfind(' '); ++cut) damaged.push_back(good.substr(0, cut));

  for (size_t i = 0; i < damaged.size(); ++i) {
    test::write_text(scratch_ / "bad.d3d", damaged[i]);
    EXPECT_EQ(call("d3d_model_load", {m, file("bad.d3d")}), 0) << "case " << i;
    EXPECT_EQ(model_at(int(m))->write_text(), kept) << "case " << i;
  }
  EXPECT_EQ(call("d3d_model_load", {m, file("missing.d3d")}), 0);
  EXPECT_EQ(call("d3d_model_load", {m, scratch_.path().string()}), 0);
  EXPECT_EQ(model_at(int(m))->write_text(), kept);
  EXPECT_TRUE(take_messages().empty());

  test::write_text(scratch_ / "good.d3d", good);
  EXPECT_EQ(call("d3d_model_load", {m, file("good.d3d")}), 1);
  EXPECT_EQ(model_at(int(m))->records().size(), 2u);
}

TEST_F(Models, MissingModelsAreReported) {
  double a = call("d3d_model_create");
  double b = call("d3d_model_create");
  call("d3d_model_destroy", {a});
  for (double handle : {a, 7.0, -1.0}) {
    EXPECT_EQ(call("d3d_model_vertex", {handle, 1, 2, 3}), 0);
    EXPECT_EQ(call("d3d_model_save", {handle, file("x.d3d")}), 0);
    EXPECT_EQ(call("d3d_model_load", {handle, file("x.d3d")}), 0);
    call("d3d_model_clear", {handle});
    call("d3d_model_destroy", {handle});
  }
  std::vector<std::string> messages = take_messages();
  EXPECT_EQ(messages.size(), 15u);
  for (const std::string& message : messages) {
    EXPECT_EQ(message, "Trying to use non-existing model.");
  }
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "x.d3d"));
  // The lowest free handle is taken again.
  EXPECT_EQ(call("d3d_model_create"), a);
  call("d3d_model_vertex", {b, 1, 2, 3});
  call("d3d_model_clear", {b});
  EXPECT_TRUE(model_at(int(b))->records().empty());
}

TEST_F(Models, SavingReplacesTheFileOrLeavesItAlone) {
  double m = call("d3d_model_create");
  test::write_text(scratch_ / "old.d3d", "an older file that is much longer than the model");
  call("d3d_model_primitive_end", {m});
  ASSERT_EQ(call("d3d_model_save", {m, file("old.d3d")}), 1);
  EXPECT_EQ(test::read_text(scratch_ / "old.d3d"), model_at(int(m))->write_text());

  EXPECT_EQ(call("d3d_model_save", {m, file("no/such/folder.d3d")}), 0);
  EXPECT_EQ(call("d3d_model_save", {m, scratch_.path().string()}), 0);
  EXPECT_TRUE(take_messages().empty());

  run_state().secure_mode = true;
  EXPECT_EQ(call("d3d_model_save", {m, file("secure.d3d")}), 0);
  EXPECT_FALSE(std::filesystem::exists(scratch_ / "secure.d3d"));
  EXPECT_EQ(take_messages(),
            std::vector<std::string>{"In secure mode you cannot save model to file " +
                                     file("secure.d3d")});
}

// A camera at the origin looking along +z with +y up and a 90 degree field of view: a point
// (x, y, z) lands at column 32 + 24 x / z and row 24 - 24 y / z of the 64 x 48 frame.
class ModelDrawing : public test::DeviceWorldTest {
 protected:
  void SetUp() override {
    DeviceWorldTest::SetUp();
    open_device(64, 48);
    install();
    reset_3d_models();
    set_draw_color(0xFFFFFF);
    set_draw_alpha(1);
    ASSERT_TRUE(d3d_start());
  }
  void TearDown() override {
    reset_3d_models();
    d3d_end();
    set_draw_color(0);
    DeviceWorldTest::TearDown();
    close_device();
  }
  TBitmap32 drawn(const std::string& program) {
    CGraphicsDevice& device = graphics_device();
    device.set_viewport(0, 0, 64, 48);
    device.clear(0xFF000000u);
    exec("d3d_set_projection_ext(0, 0, 0, 0, 0, 1, 0, 1, 0, 90, 64 / 48, 1, 1000);" + program);
    return back_buffer();
  }
};

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0xFF0000;
constexpr uint32_t kBlue = 0x0000FF;

TEST_F(ModelDrawing, RecordsDrawMovedToThePosition) {
  const std::string square =
      "m = d3d_model_create(); d3d_model_primitive_begin(m, 6);"
      "d3d_model_vertex_color(m, -5, -5, 0, c_red, 1);"
      "d3d_model_vertex_color(m, -5, 5, 0, c_red, 1);"
      "d3d_model_vertex_color(m, 5, 5, 0, c_red, 1);"
      "d3d_model_vertex_color(m, 5, -5, 0, c_red, 1);"
      "d3d_model_primitive_end(m);";
  // 10 wide at z 10: 24 columns.
  TBitmap32 f = drawn(square + "d3d_model_draw(m, 0, 0, 10, -1);");
  EXPECT_RGB(f, 32, 24, kRed);
  EXPECT_RGB(f, 22, 15, kRed);
  EXPECT_RGB(f, 18, 24, kBlack);
  // Moved right and away: 6 columns wide, centred on column 44.
  f = drawn(square + "d3d_model_draw(m, 20, 0, 40, -1);");
  EXPECT_RGB(f, 44, 24, kRed);
  EXPECT_RGB(f, 32, 24, kBlack);
  EXPECT_RGB(f, 40, 24, kBlack);
}

// Shapes move with the position too, and vertices without a colour take the draw colour.
TEST_F(ModelDrawing, ShapesAndUncolouredVerticesTakeTheDrawColour) {
  TBitmap32 f = drawn(
      "draw_set_color(c_blue); m = d3d_model_create();"
      "d3d_model_block(m, -5, -5, 0, 5, 5, 10, 1, 1);"
      "d3d_model_primitive_begin(m, 4);"
      "d3d_model_vertex(m, -20, 0, 0); d3d_model_vertex(m, -20, 10, 0);"
      "d3d_model_vertex(m, -10, 0, 0); d3d_model_primitive_end(m);"
      "d3d_model_draw(m, 0, 0, 20, -1);");
  EXPECT_RGB(f, 32, 24, kBlue);
  EXPECT_RGB(f, 10, 20, kBlue);
  EXPECT_RGB(f, 32, 8, kBlack);
  EXPECT_RGB(f, 5, 24, kBlack);
}

// A model drawn once and then changed, or drawn in another colour, shows the change; the
// world transform the game set is the same after the draw, and a primitive the game has
// open is not touched.
TEST_F(ModelDrawing, ChangesAfterADrawShowInTheNext) {
  const std::string triangle =
      "m = d3d_model_create(); d3d_model_primitive_begin(m, 4);"
      "d3d_model_vertex(m, -5, -5, 0); d3d_model_vertex(m, -5, 5, 0);"
      "d3d_model_vertex(m, 5, -5, 0); d3d_model_primitive_end(m);"
      "draw_set_color(c_red); d3d_model_draw(m, 0, 0, 10, -1);";
  TBitmap32 f = drawn(triangle + "draw_set_color(c_blue); d3d_model_draw(m, 0, 0, 10, -1);");
  EXPECT_RGB(f, 28, 26, kBlue);
  f = drawn(triangle +
            "d3d_model_primitive_begin(m, 4); d3d_model_vertex(m, 5, 5, 0);"
            "d3d_model_vertex(m, 5, -5, 0); d3d_model_vertex(m, -5, 5, 0);"
            "d3d_model_primitive_end(m); d3d_model_draw(m, 0, 0, 10, -1);");
  EXPECT_RGB(f, 36, 20, kRed);
  // Moved by the draw, then an own primitive at the origin's place still lands there.
  f = drawn("d3d_primitive_begin(pr_trianglelist); d3d_vertex(-5, -5, 10); d3d_vertex(-5, 5, 10);" +
            triangle +
            "d3d_model_draw(m, 100, 0, 10, -1); d3d_vertex(5, -5, 10); d3d_primitive_end();"
            "draw_set_color(c_blue);");
  EXPECT_RGB(f, 28, 26, kRed);
}

}  // namespace
}  // namespace vn
