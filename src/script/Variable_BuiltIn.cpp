#include "script/Variable_BuiltIn.h"

#include <filesystem>
#include <utility>

#include "platform/Platform_Clock.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Variable_Main.h"
#include "support/Support_Text.h"

namespace vn {

RRunState& run_state() {
  static RRunState state;
  return state;
}

namespace {

// Conversions shared by every setter: integers round half to even, booleans are true from
// a rounded 1, strings take the string field; no setter checks the kind it receives.
int32_t as_integer(const RValue& value) { return round_to_int32(value.real); }

int argument_index(int32_t index) { return index >= 0 && index < kMaxArguments ? index : 0; }

template <int N>
bool get_argument_n(CInstanceBase*, int32_t, RValue& out) {
  out = argument_value(N);
  return true;
}
template <int N>
bool set_argument_n(CInstanceBase*, int32_t, const RValue& value) {
  set_argument(N, value);
  return true;
}

template <int... N>
void register_numbered_arguments(std::integer_sequence<int, N...>) {
  (register_variable("argument" + std::to_string(N), get_argument_n<N>, set_argument_n<N>), ...);
}

RLocalTime now() { return local_time(system_time_seconds()); }

std::string working_directory_text() {
  std::error_code error;
  return utf8_to_cp1252_lossy(std::filesystem::current_path(error).string());
}

}  // namespace

void register_builtin_variables() {
  register_variable(
      "argument_relative",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(run_state().argument_relative ? 1.0 : 0.0);
        return true;
      },
      nullptr);
  register_variable(
      "argument",
      [](CInstanceBase*, int32_t index, RValue& out) {
        out = argument_value(argument_index(index));
        return true;
      },
      [](CInstanceBase*, int32_t index, const RValue& value) {
        set_argument(argument_index(index), value);
        return true;
      });
  register_numbered_arguments(std::make_integer_sequence<int, kMaxArguments>());
  register_variable(
      "score",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(run_state().score));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        run_state().score = as_integer(value);
        return true;
      });
  register_variable(
      "lives",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(run_state().lives));
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        RRunState& state = run_state();
        int32_t old = state.lives;
        state.lives = as_integer(value);
        if (old > 0 && state.lives <= 0 && state.lives_depleted) state.lives_depleted();
        return true;
      });
  register_variable(
      "health",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(run_state().health);
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        RRunState& state = run_state();
        double old = state.health;
        state.health = value.real;
        if (old > 0 && !(state.health > 0) && state.health_depleted) state.health_depleted();
        return true;
      });
  register_variable(
      "game_id",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(run_state().game_id));
        return true;
      },
      nullptr);
  register_variable(
      "current_time",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(tick_milliseconds()));
        return true;
      },
      nullptr);
  register_variable(
      "current_year",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().year));
        return true;
      },
      nullptr);
  register_variable(
      "current_month",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().month));
        return true;
      },
      nullptr);
  register_variable(
      "current_day",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().day));
        return true;
      },
      nullptr);
  register_variable(
      "current_weekday",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().weekday));
        return true;
      },
      nullptr);
  register_variable(
      "current_hour",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().hour));
        return true;
      },
      nullptr);
  register_variable(
      "current_minute",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().minute));
        return true;
      },
      nullptr);
  register_variable(
      "current_second",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(now().second));
        return true;
      },
      nullptr);
  register_variable(
      "event_type",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(event_context().event_type));
        return true;
      },
      nullptr);
  register_variable(
      "event_number",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(event_context().event_number));
        return true;
      },
      nullptr);
  register_variable(
      "event_object",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(event_context().event_object));
        return true;
      },
      nullptr);
  register_variable(
      "event_action",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(double(event_context().event_action));
        return true;
      },
      nullptr);
  register_variable(
      "secure_mode",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(run_state().secure_mode ? 1.0 : 0.0);
        return true;
      },
      nullptr);
  register_variable(
      "debug_mode",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(run_state().debug_mode ? 1.0 : 0.0);
        return true;
      },
      nullptr);
  register_variable(
      "error_occurred",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(error_occurred() ? 1.0 : 0.0);
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        error_occurred() = value.real >= 0.5;
        return true;
      });
  register_variable(
      "varnock_version",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(800.0);
        return true;
      },
      nullptr);
  register_variable(
      "working_directory",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(working_directory_text());
        return true;
      },
      nullptr);
  register_variable(
      "temp_directory",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(run_state().temp_directory);
        return true;
      },
      nullptr);
  register_variable(
      "program_directory",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(run_state().program_directory);
        return true;
      },
      nullptr);
  register_variable(
      "error_last",
      [](CInstanceBase*, int32_t, RValue& out) {
        out = RValue(error_last());
        return true;
      },
      [](CInstanceBase*, int32_t, const RValue& value) {
        error_last() = value.string.str();
        return true;
      });
}

}  // namespace vn
