// Requests from outside to end the program: SIGINT, SIGTERM and SIGHUP. A thread of their
// own takes them, so they are seen whatever the program is doing; the program looks at the
// flags where ending is safe (after a step, inside its waits, at the interpreter's loops).
#pragma once

#include <atomic>
#include <functional>

namespace vn {

namespace signal_detail {
extern std::atomic<int> g_first_signal;
extern std::atomic<bool> g_abort;
}  // namespace signal_detail

// Blocks the three signals in the calling thread, and so in every thread it starts later,
// and starts the thread that takes them. Call it first in main, before any other thread
// exists. Programs started later get the usual mask back.
void install_stop_signals();

// A first signal asks for an orderly end: the game ends as game_end would, after its step.
inline bool stop_requested() {
  return signal_detail::g_first_signal.load(std::memory_order_relaxed) != 0;
}
// A second signal, or the first where there is no step to end after, asks for an end at
// once: no more game code runs, only the clean-up.
inline bool abort_requested() { return signal_detail::g_abort.load(std::memory_order_relaxed); }

// The first signal's number; 0 while none has come.
inline int stop_signal() { return signal_detail::g_first_signal.load(std::memory_order_relaxed); }
// What a shell expects of a program ended by that signal: 128 + its number.
inline int stop_exit_status() { return 128 + stop_signal(); }

// Outside a game (vn script) nothing ends at a step: the first signal aborts.
void set_first_signal_aborts(bool aborts);

// When an abort is not acted upon in time (the program is stuck in a call that never looks
// at the flags), the signal thread runs this and ends the process with the exit status
// above. It must touch only what stays valid while another thread runs: paths fixed at
// start, nothing the game changes. Empty: only the exit.
void set_emergency_cleanup(std::function<void()> cleanup);

// Thrown where game code notices an abort; caught where the clean-up begins.
struct RRunAborted {};

// Throws RRunAborted when an abort has been requested. Cheap enough for the interpreter's
// loops.
inline void check_abort() {
  if (abort_requested()) throw RRunAborted{};
}

// For tests: as if the signal had come (the count goes up as for a real one).
void simulate_stop_signal(int signal_number);
// For tests: forgets every signal seen.
void reset_stop_signals();

}  // namespace vn
