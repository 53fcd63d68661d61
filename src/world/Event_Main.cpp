#include "world/Event_Main.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "world/Event_Action.h"
#include "world/Instance_Class.h"
#include "world/Object_Class.h"
#include "world/Object_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"
#include "world/TimeLine_Class.h"

namespace vn {

namespace {

// Argument kinds as the action libraries define them: these are read as text.
constexpr int kArgumentString = 1;
constexpr int kArgumentStringOrExpression = 2;
constexpr int kArgumentFontString = 15;
// After preparation: the value is ready, or the compiled expression is evaluated.
constexpr int kArgumentReady = -1;
constexpr int kArgumentCompiled = 0;

std::string argument_text(const CAction& action, int index) {
  return size_t(index) < action.argument_texts.size() ? action.argument_texts[size_t(index)]
                                                      : std::string();
}

// The restored context after preparing one object's or time line's actions.
class CContextGuard {
 public:
  CContextGuard() : saved_(event_context()) {}
  ~CContextGuard() { event_context() = saved_; }
  CContextGuard(const CContextGuard&) = delete;
  CContextGuard& operator=(const CContextGuard&) = delete;

 private:
  REventContext saved_;
};

// One pass over an action list. Every operation returns the index of the next action to
// consider, or kStop (at least) to end the whole list: the list is over, an exit was
// reached, or a room request is pending. The list is read afresh at each index, since an
// action may change the list it belongs to.
constexpr int kStop = 10000000;
// Blocks, questions and repeats nest by recursion; a list nested deeper than this (only a
// damaged or hostile game has one) ends instead of exhausting the stack.
constexpr int kMaxNesting = 2000;

class CListRun {
 public:
  CListRun(CInstance* self, CInstance* other, const std::vector<CAction>& actions)
      : self_(self), other_(other), actions_(actions) {}

  int exec_at(int i) {
    if (request_pending() || i < 0 || size_t(i) >= actions_.size()) return kStop;
    if (depth_ >= kMaxNesting) return kStop;
    const CAction& action = actions_[size_t(i)];
    if (!ensure_prepared(action)) return kStop;
    ++depth_;
    int next;
    if (action.kind == kActionBeginBlock) {
      next = exec_block(i);
    } else if (action.kind == kActionRepeat) {
      event_context().event_action = i;
      next = exec_repeat(i);
    } else if (action.is_question) {
      event_context().event_action = i;
      next = exec_question(i);
    } else if (action.kind == kActionExit) {
      next = kStop;
    } else if (action.kind == kActionEndBlock || action.kind == kActionElse) {
      next = i + 1;
    } else {
      event_context().event_action = i;
      run_applied(self_, other_, actions_, size_t(i));
      next = request_pending() ? kStop : i + 1;
    }
    --depth_;
    return next;
  }

 private:
  bool is_kind(int i, int kind) const {
    return size_t(i) < actions_.size() && actions_[size_t(i)].kind == kind;
  }

  int exec_block(int i) {
    int j = i + 1;
    while (size_t(j) < actions_.size() && !is_kind(j, kActionEndBlock)) {
      j = exec_at(j);
      if (j >= kStop) return kStop;
    }
    return j + 1;
  }

  int exec_question(int i) {
    bool passed = test_applied(self_, other_, actions_, size_t(i));
    if (request_pending()) return kStop;
    int r = passed ? exec_at(i + 1) : skip_at(i + 1);
    if (r < kStop && is_kind(r, kActionElse)) r = passed ? skip_at(r + 1) : exec_at(r + 1);
    return r;
  }

  int exec_repeat(int i) {
    const CAction& action = actions_[size_t(i)];
    RValue value;
    if (action.argument_count > 0 && !evaluate_argument(self_, other_, action, 0, value)) {
      value = RValue();
    }
    int64_t times = value.is_real() ? round_to_int64(value.real) : 0;
    for (int64_t n = 0; n < times; ++n) {
      if (exec_at(i + 1) >= kStop) return kStop;
    }
    return skip_at(i + 1);
  }

  int skip_at(int i) {
    // A question or a repeat goes together with the item after it, however many of them
    // follow each other.
    while (true) {
      if (request_pending() || i < 0 || size_t(i) >= actions_.size()) return kStop;
      const CAction& action = actions_[size_t(i)];
      if (action.kind == kActionBeginBlock) return skip_block(i);
      if (!action.is_question && action.kind != kActionRepeat) return i + 1;
      ++i;
    }
  }

  int skip_block(int i) {
    if (depth_ >= kMaxNesting) return kStop;
    ++depth_;
    int j = i + 1;
    while (size_t(j) < actions_.size() && !is_kind(j, kActionEndBlock)) j = skip_at(j);
    --depth_;
    return j >= kStop ? kStop : j + 1;
  }

  CInstance* self_;
  CInstance* other_;
  const std::vector<CAction>& actions_;
  int depth_ = 0;
};

}  // namespace

bool argument_reads_as_text(int kind, const std::string& text) {
  if (kind == kArgumentStringOrExpression) {
    return text.empty() || (text[0] != '"' && text[0] != '\'');
  }
  return kind == kArgumentString || kind == kArgumentFontString;
}

bool prepare_action(CAction& action) {
  if (action.prepared) return true;
  if (action.kind == kActionVariable) {
    action.code_text =
        argument_text(action, 0) + (action.relative ? " += " : " = ") + argument_text(action, 1);
  } else if (action.kind == kActionCode && !action.argument_texts.empty()) {
    action.code_text = action.argument_texts[0];
  }
  if (action.kind == kActionVariable || action.kind == kActionCode) {
    action.kind = kActionNormal;
    action.execution = kExecuteCode;
    action.argument_count = 0;
  }
  if (action.execution == kExecuteCode) {
    auto code = std::make_shared<CCode>(action.code_text, false);
    if (!code->compile()) {
      report_runtime_error("COMPILATION ERROR in code action\r" + last_error_message(), true);
      clear_error_flag();
      return false;
    }
    action.code = std::move(code);
  }
  action.code_text.clear();
  if (action.execution == kExecuteFunction && action.function_index < 0 &&
      !action.function_name.empty()) {
    // Readers that do not resolve names (project folders) leave it to this point.
    int32_t id;
    if (find_function(action.function_name, id)) action.function_index = id;
  }
  int count = std::clamp(action.argument_count, 0, kMaxActionArguments);
  action.argument_count = count;
  action.argument_kinds.resize(size_t(count), kArgumentCompiled);
  for (int i = 0; i < count; ++i) {
    size_t k = size_t(i);
    std::string text = argument_text(action, i);
    action.argument_codes[k].reset();
    if (argument_reads_as_text(action.argument_kinds[k], text)) {
      action.argument_values[k] = RValue(text);
      action.argument_kinds[k] = kArgumentReady;
      continue;
    }
    auto code = std::make_shared<CCode>(std::move(text), true);
    if (!code->compile()) {
      report_runtime_error(
          "COMPILATION ERROR in argument " + std::to_string(i) + "\r" + last_error_message(), true);
      clear_error_flag();
      return false;
    }
    if (code->kind() == kCodeConstant) {
      action.argument_values[k] = code->constant();
      action.argument_kinds[k] = kArgumentReady;
    } else {
      action.argument_codes[k] = std::move(code);
      action.argument_kinds[k] = kArgumentCompiled;
    }
  }
  action.argument_texts.clear();
  action.prepared = true;
  return true;
}

bool prepare_event(CEvent& event) {
  for (size_t i = 0; i < event.actions.size(); ++i) {
    event_context().event_action = int(i);
    if (!prepare_action(event.actions[i])) return false;
  }
  return true;
}

bool prepare_object_events(int32_t object_index) {
  TResourceList<CObject>* objects = world_resources().objects;
  CObject* object = objects ? objects->get(object_index) : nullptr;
  if (!object) return true;
  CContextGuard guard;
  for (int type = 0; type < kEventTypeCount; ++type) {
    for (REventEntry& entry : object->events[size_t(type)]) {
      REventContext& context = event_context();
      context.event_object = object_index;
      context.event_type = type;
      context.event_number = entry.number;
      if (!prepare_event(entry.event)) return false;
    }
  }
  return true;
}

bool prepare_timeline(int32_t timeline_index) {
  TResourceList<CTimeLine>* timelines = world_resources().timelines;
  CTimeLine* timeline = timelines ? timelines->get(timeline_index) : nullptr;
  if (!timeline) return true;
  CContextGuard guard;
  for (RMoment& moment : timeline->moments) {
    REventContext& context = event_context();
    context.event_object = timeline_index;
    context.event_type = kEventTimeLine;
    context.event_number = moment.step;
    if (!prepare_event(moment.event)) return false;
  }
  return true;
}

bool prepare_all_objects() {
  TResourceList<CObject>* objects = world_resources().objects;
  if (!objects) return true;
  for (size_t i = 0; i < objects->size(); ++i) {
    if (!prepare_object_events(int32_t(i))) return false;
  }
  return true;
}

bool prepare_all_timelines() {
  TResourceList<CTimeLine>* timelines = world_resources().timelines;
  if (!timelines) return true;
  for (size_t i = 0; i < timelines->size(); ++i) {
    if (!prepare_timeline(int32_t(i))) return false;
  }
  return true;
}

void execute_actions(CInstance* self, CInstance* other, const CEvent& event) {
  CListRun run(self, other, event.actions);
  int i = 0;
  while (size_t(i) < event.actions.size()) i = run.exec_at(i);
}

void run_library_init_code() {
  const std::vector<std::string>* texts = world_resources().library_init_code;
  if (!texts) return;
  for (const std::string& text : *texts) {
    if (text.empty()) continue;
    CCode code(text, false);
    if (!code.compile()) {
      display_error("COMPILATION ERROR in library initialization code\r" + last_error_message(),
                    true);
      clear_error_flag();
      continue;
    }
    CInstance temporary(0, 0, 0, 0);
    RValue result;
    run_and_report(&temporary, &temporary, code, result);
  }
}

}  // namespace vn
