#include "platform/Platform_Signal.h"

#include <SDL.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

namespace vn {

namespace signal_detail {
std::atomic<int> g_first_signal{0};
std::atomic<bool> g_abort{false};
}  // namespace signal_detail

namespace {

using namespace signal_detail;

// How long the program has to act on an abort itself before the signal thread cleans up
// and ends it.
constexpr auto kAbortGrace = std::chrono::milliseconds(1000);

std::atomic<int> g_count{0};
std::atomic<bool> g_first_aborts{false};
std::mutex g_cleanup_mutex;
std::function<void()> g_emergency_cleanup;

sigset_t stop_set() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGHUP);
  return set;
}

[[noreturn]] void end_now() {
  std::function<void()> cleanup;
  {
    std::lock_guard<std::mutex> lock(g_cleanup_mutex);
    cleanup = g_emergency_cleanup;
  }
  if (cleanup) cleanup();
  ::_exit(stop_exit_status());
}

// Returns true when the signal asks for an abort that was not asked for before.
bool note_signal(int number) {
  const int count = g_count.fetch_add(1) + 1;
  int expected = 0;
  g_first_signal.compare_exchange_strong(expected, number);
  if (count == 1 && !g_first_aborts.load()) return false;
  return !g_abort.exchange(true);
}

void signal_thread() {
  const sigset_t set = stop_set();
  for (;;) {
    int number = 0;
    if (sigwait(&set, &number) != 0) continue;
    if (g_count.load() >= 2 && g_abort.load()) {
      // A third signal: whoever sends it has waited long enough.
      end_now();
    }
    if (!note_signal(number)) continue;
    // The program looks at the flag at its next loop, wait or step; one stuck in a call
    // that never looks gets cleaned up from here.
    const auto deadline = std::chrono::steady_clock::now() + kAbortGrace;
    sigset_t pending;
    while (std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      sigpending(&pending);
      if (sigismember(&pending, SIGINT) || sigismember(&pending, SIGTERM) ||
          sigismember(&pending, SIGHUP)) {
        break;
      }
    }
    end_now();
  }
}

}  // namespace

void install_stop_signals() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // SDL would otherwise turn the signals into a quit event that only a window hears.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  const sigset_t set = stop_set();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread(signal_thread).detach();
}

void set_first_signal_aborts(bool aborts) { g_first_aborts.store(aborts); }

void set_emergency_cleanup(std::function<void()> cleanup) {
  std::lock_guard<std::mutex> lock(g_cleanup_mutex);
  g_emergency_cleanup = std::move(cleanup);
}

void simulate_stop_signal(int signal_number) { note_signal(signal_number); }

void reset_stop_signals() {
  g_count.store(0);
  g_first_signal.store(0);
  g_abort.store(false);
}

}  // namespace vn
