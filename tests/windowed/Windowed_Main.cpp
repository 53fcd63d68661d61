// Starts a virtual display for the windowed tests, runs them, and stops it.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "Windowed_Support.h"
#include "graphics/BM32_Class.h"
#include "graphics/BM32_File.h"
#include "platform/Platform_Video.h"

extern char** environ;

namespace vn::test {
namespace {

bool g_display_ready = false;
RFormPicture g_last_picture;

// Xvfb picks a free display itself and writes its number to the pipe once it accepts
// clients, so parallel test programs never collide.
pid_t start_virtual_display() {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return -1;
  const std::string fd = std::to_string(pipe_ends[1]);
  const char* arguments[] = {"Xvfb",      "-displayfd", fd.c_str(), "-screen", "0",
                             "1024x768x24", "-nolisten", "tcp",      nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipe_ends[0]);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  const int failed = posix_spawnp(&pid, "Xvfb", &actions, nullptr,
                                  const_cast<char* const*>(arguments), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (failed != 0) {
    close(pipe_ends[0]);
    return -1;
  }
  std::string number;
  char c = 0;
  while (read(pipe_ends[0], &c, 1) == 1 && c != '\n') number += c;
  close(pipe_ends[0]);
  if (number.empty()) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    return -1;
  }
  setenv("DISPLAY", (":" + number).c_str(), 1);
  return pid;
}

}  // namespace

bool virtual_display_ready() { return g_display_ready; }

void watch_forms(RFormWatch watch) {
  set_form_observer([watch](const RFormSetup&, int frame_number,
                            const RFormPicture& picture) -> std::optional<int> {
    if (frame_number + 1 < watch.frames) return std::nullopt;
    g_last_picture = picture;
    if (frame_number + 1 == watch.frames) {
      if (const char* folder = std::getenv("VN_FORM_SHOTS"); folder != nullptr && *folder) {
        RImage image;
        image.width = picture.width;
        image.height = picture.height;
        image.pixels.resize(size_t(picture.width) * size_t(picture.height));
        for (size_t i = 0; i < image.pixels.size(); ++i) {
          const uint8_t* p = &picture.pixels[i * 4];
          image.pixels[i] = 0xFF000000u | uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
        }
        std::string error;
        save_png_file(std::filesystem::path(folder) / (watch.name + ".png"),
                      TBitmap32(std::move(image)), error);
      }
    }
    if (watch.react) {
      if (std::optional<int> result = watch.react(frame_number)) return result;
      return std::nullopt;
    }
    return watch.result;
  });
}

void stop_watching_forms() { set_form_observer({}); }

const RFormPicture& last_form_picture() { return g_last_picture; }

uint32_t form_pixel(int x, int y) {
  const RFormPicture& p = g_last_picture;
  if (x < 0 || y < 0 || x >= p.width || y >= p.height) return 0;
  const uint8_t* at = &p.pixels[(size_t(y) * size_t(p.width) + size_t(x)) * 4];
  return uint32_t(at[0]) << 16 | uint32_t(at[1]) << 8 | uint32_t(at[2]);
}

}  // namespace vn::test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
  const pid_t display = vn::test::start_virtual_display();
  vn::test::g_display_ready = display > 0 && vn::video_available() && vn::has_display();
  const int status = RUN_ALL_TESTS();
  vn::shutdown_video();
  if (display > 0) {
    kill(display, SIGTERM);
    waitpid(display, nullptr, 0);
  }
  return status;
}
