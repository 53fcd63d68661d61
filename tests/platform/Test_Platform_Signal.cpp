// The last resort of a stop signal: a program that does not act on an abort is cleaned up
// and ended by the signal thread itself. Each case runs in a child process of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "Test_Support.h"
#include "platform/Platform_Signal.h"

namespace vn {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void stuck_for_ever() {
  for (;;) ::pause();
}

TEST(StopSignalsDeathTest, AnAbortNobodyActsOnEndsTheProcessAfterTheCleanUp) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The child runs this test again from the start: the mark needs a name both agree on.
  const fs::path mark = fs::path(VN_BINARY_DIR) / "signal_emergency_mark";
  fs::remove(mark);
  // Two signals: the first asks for an orderly end, which a stuck program cannot give; the
  // second's abort is not acted on either. The status names the first.
  EXPECT_EXIT(
      {
        install_stop_signals();
        set_emergency_cleanup([mark] { std::ofstream(mark) << "cleaned"; });
        ::kill(::getpid(), SIGTERM);
        ::usleep(100000);
        ::kill(::getpid(), SIGINT);
        stuck_for_ever();
      },
      ::testing::ExitedWithCode(128 + SIGTERM), "");
  EXPECT_EQ(test::read_text(mark), "cleaned");

  // Where there is no step to end after, one signal is enough.
  fs::remove(mark);
  EXPECT_EXIT(
      {
        install_stop_signals();
        set_first_signal_aborts(true);
        set_emergency_cleanup([mark] { std::ofstream(mark) << "cleaned"; });
        ::kill(::getpid(), SIGHUP);
        stuck_for_ever();
      },
      ::testing::ExitedWithCode(128 + SIGHUP), "");
  EXPECT_TRUE(fs::exists(mark));
  fs::remove(mark);
}

TEST(StopSignals, AFirstSignalOnlyAsksAndASecondInsists) {
  reset_stop_signals();
  EXPECT_FALSE(stop_requested());
  EXPECT_NO_THROW(check_abort());
  simulate_stop_signal(SIGINT);
  EXPECT_TRUE(stop_requested());
  EXPECT_FALSE(abort_requested());
  EXPECT_EQ(stop_exit_status(), 130);
  simulate_stop_signal(SIGTERM);
  EXPECT_TRUE(abort_requested());
  EXPECT_THROW(check_abort(), RRunAborted);
  EXPECT_EQ(stop_signal(), SIGINT);
  reset_stop_signals();
  EXPECT_FALSE(stop_requested());
}

}  // namespace
}  // namespace vn
