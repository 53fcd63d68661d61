#include "runner/Game_Check.h"

#include <algorithm>
#include <memory>

#include "runner/Extension_Main.h"
#include "runner/Project_Json.h"
#include "runner/Runner_Game.h"
#include "runner/Runner_Library.h"
#include "runner/Runner_Names.h"
#include "script/Code_Constant.h"
#include "script/Code_Error.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Constant_Main.h"
#include "script/Script_Main.h"
#include "support/Support_Text.h"
#include "world/Event_Main.h"

namespace vn {

namespace {

// What the compiler must not keep once the check is over, however it ends.
class CCompilerState {
 public:
  explicit CCompilerState(const CGameData& game) : saved_scripts_(scripts()) {
    // Calls resolve by name, so the scripts' names are enough; the game's own list is
    // not pointed at, so nothing refers to it after the check.
    for (size_t i = 0; i < game.scripts.size(); ++i) {
      names_.add(game.scripts.names[i],
                 game.scripts.exists(int64_t(i)) ? std::make_unique<CScript>() : nullptr);
    }
    set_scripts(&names_);
    install_resource_constants(game);
    // Calls of package functions compile as the runner compiles them.
    use_extension_packages(&game.extensions);
  }
  ~CCompilerState() {
    set_scripts(saved_scripts_);
    use_extension_packages(nullptr);
    set_resource_constants(nullptr);
    reset_constants();
    clear_error_flag();
    set_last_error_message(std::string());
  }
  CCompilerState(const CCompilerState&) = delete;
  CCompilerState& operator=(const CCompilerState&) = delete;

 private:
  TResourceList<CScript>* saved_scripts_;
  TResourceList<CScript> names_;
};

class CChecker {
 public:
  CChecker(const CGameData& game, const ResourceFileName& resource_file)
      : game_(game), resource_file_(resource_file) {}

  std::vector<RCodeProblem> check() {
    CCompilerState state(game_);
    check_constants();
    for (size_t i = 0; i < game_.triggers.size(); ++i) {
      const CTrigger* trigger = game_.triggers[i].get();
      if (!trigger) continue;
      compile(
          trigger->condition, true, kProjectFile,
          "triggers[" + std::to_string(i) + "].condition (trigger " + text(trigger->name) + ")");
    }
    for (size_t i = 0; i < game_.scripts.size(); ++i) {
      if (const CScript* script = game_.scripts.get(int64_t(i))) {
        compile(script->source, false, file_of("scripts", ".vns", game_.scripts.names, i), "");
      }
    }
    for (size_t i = 0; i < game_.timelines.size(); ++i) {
      const CTimeLine* timeline = game_.timelines.get(int64_t(i));
      if (!timeline) continue;
      const std::string file = file_of("timelines", ".json", game_.timelines.names, i);
      for (size_t m = 0; m < timeline->moments.size(); ++m) {
        check_actions(timeline->moments[m].event, file, "moments[" + std::to_string(m) + "].");
      }
    }
    for (size_t i = 0; i < game_.objects.size(); ++i) {
      const CObject* object = game_.objects.get(int64_t(i));
      if (!object) continue;
      const std::string file = file_of("objects", ".json", game_.objects.names, i);
      for (size_t type = 0; type < object->events.size(); ++type) {
        for (const REventEntry& entry : object->events[type]) {
          check_actions(entry.event, file,
                        "event " + std::string(kEventTypeNames[type]) + " " +
                            std::to_string(entry.number) + ", ");
        }
      }
    }
    for (size_t i = 0; i < game_.library_init_code.size(); ++i) {
      compile(game_.library_init_code[i], false, kProjectFile,
              "library_init_code[" + std::to_string(i) + "]");
    }
    for (size_t i = 0; i < game_.rooms.size(); ++i) {
      const CRoom* room = game_.rooms.get(int64_t(i));
      if (!room) continue;
      const std::string file = file_of("rooms", ".json", game_.rooms.names, i);
      compile(room->creation_code, false, file, "creation_code");
      for (size_t k = 0; k < room->instances.size(); ++k) {
        const RRoomInstance& instance = room->instances[k];
        compile(instance.creation_code, false, file,
                "instances[" + std::to_string(k) + "].code (instance " +
                    std::to_string(instance.id) + ")");
      }
    }
    return std::move(problems_);
  }

 private:
  static std::string text(const std::string& game_text) { return cp1252_to_utf8(game_text); }

  std::string file_of(const char* kind, const char* extension,
                      const std::vector<std::string>& names, size_t index) const {
    if (resource_file_) return resource_file_(kind, index);
    return std::string(kind) + "/" + text(names[index]) + extension;
  }

  void add(const std::string& file, const std::string& place, const std::string& message) {
    problems_.push_back({file, place, message});
  }

  void compile(const std::string& source, bool expression, const std::string& file,
               const std::string& place) {
    CCode code(source, expression);
    if (!code.compile()) add(file, place, last_error_message());
    clear_error_flag();
  }

  void check_constants() {
    for (size_t i = 0; i < game_.constants.size(); ++i) {
      const RConstant& constant = game_.constants[i];
      const std::string name = trimmed_constant_name(constant.name);
      const std::string place = "constants[" + std::to_string(i) + "]";
      if (!valid_constant_name(name)) {
        add(kProjectFile, place + ".name", "Constant name " + name + "  is not valid.");
        continue;
      }
      CCode code(constant.value, true);
      if (!code.compile()) {
        add(kProjectFile, place + ".value (constant " + text(name) + ")", last_error_message());
        clear_error_flag();
        continue;
      }
      if (calls_script(code.root())) {
        add(kProjectFile, place + ".value (constant " + text(name) + ")",
            "Value for constant " + name + "  is not valid: a constant cannot call a script.");
        continue;
      }
      if (code.kind() == kCodeConstant) add_constant(name, code.constant());
    }
  }

  // As the runner prepares an action: the code of a code, variable or code-running
  // action as a program, then each argument that is an expression.
  void check_actions(const CEvent& event, const std::string& file, const std::string& where) {
    for (size_t i = 0; i < event.actions.size(); ++i) {
      const CAction& action = event.actions[i];
      const std::string place = where + "actions[" + std::to_string(i) + "]";
      auto argument = [&](size_t k) {
        return k < action.argument_texts.size() ? action.argument_texts[k] : std::string();
      };
      if (action.kind == kActionVariable) {
        compile(argument(0) + (action.relative ? " += " : " = ") + argument(1), false, file, place);
        continue;
      }
      if (action.kind == kActionCode) {
        if (action.argument_texts.empty()) {
          compile(action.code_text, false, file, place + ".code");
        } else {
          compile(action.argument_texts[0], false, file,
                  plain_code(action) ? place : place + ".arguments[0]");
        }
        continue;
      }
      if (action.execution == kExecuteCode) compile(action.code_text, false, file, place + ".code");
      const size_t count = size_t(std::clamp(action.argument_count, 0, kMaxActionArguments));
      for (size_t k = 0; k < count; ++k) {
        const int kind = k < action.argument_kinds.size() ? action.argument_kinds[k] : 0;
        const std::string source = argument(k);
        if (argument_reads_as_text(kind, source)) continue;
        compile(source, true, file, place + ".arguments[" + std::to_string(k) + "]");
      }
    }
  }

  const CGameData& game_;
  const ResourceFileName& resource_file_;
  std::vector<RCodeProblem> problems_;
};

}  // namespace

std::vector<RCodeProblem> check_game_code(const CGameData& game,
                                          const ResourceFileName& resource_file) {
  register_game_library();
  return CChecker(game, resource_file).check();
}

}  // namespace vn
