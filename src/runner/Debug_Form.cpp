#include "runner/Debug_Form.h"

#include <imgui.h>
#include <imgui_stdlib.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "graphics/Graphics_Window.h"
#include "library/Input_Main.h"
#include "platform/Platform_Display.h"
#include "platform/Platform_Gui.h"
#include "platform/Platform_Signal.h"
#include "runner/Form_Answer.h"
#include "script/Code_Error.h"
#include "script/Code_Exec.h"
#include "script/Code_Function.h"
#include "script/Code_Main.h"
#include "script/Code_Variable.h"
#include "script/Function_Math.h"
#include "script/Variable_Main.h"
#include "support/Support_Text.h"
#include "world/Instance_Class.h"
#include "world/Room_Main.h"
#include "world/Run_Global.h"
#include "world/Run_Main.h"

namespace vn {

namespace {

// Functions a watch may call: they read the game and change nothing in it, the random
// generator included.
const std::unordered_set<std::string_view>& harmless_functions() {
  static const std::unordered_set<std::string_view> names = {
      "is_real",
      "is_string",
      "abs",
      "round",
      "floor",
      "ceil",
      "sign",
      "frac",
      "sqrt",
      "sqr",
      "exp",
      "ln",
      "log2",
      "log10",
      "sin",
      "cos",
      "tan",
      "arcsin",
      "arccos",
      "arctan",
      "arctan2",
      "degtorad",
      "radtodeg",
      "power",
      "logn",
      "min",
      "max",
      "min3",
      "max3",
      "mean",
      "median",
      "real",
      "string",
      "string_format",
      "chr",
      "ord",
      "string_length",
      "string_pos",
      "string_copy",
      "string_char_at",
      "string_delete",
      "string_insert",
      "string_lower",
      "string_upper",
      "string_repeat",
      "string_letters",
      "string_digits",
      "string_lettersdigits",
      "string_replace",
      "string_replace_all",
      "string_count",
      "point_distance",
      "point_direction",
      "lengthdir_x",
      "lengthdir_y",
      "random_get_seed",
      "make_color",
      "make_color_rgb",
      "make_color_hsv",
      "color_get_red",
      "color_get_green",
      "color_get_blue",
      "color_get_hue",
      "color_get_saturation",
      "color_get_value",
      "merge_color",
      "instance_exists",
      "instance_number",
      "instance_find",
      "instance_nearest",
      "instance_furthest",
      "place_free",
      "place_empty",
      "place_meeting",
      "position_empty",
      "position_meeting",
      "distance_to_point",
      "distance_to_object",
      "variable_global_exists",
      "variable_global_get",
      "variable_global_array_get",
      "variable_global_array2_get",
      "variable_local_exists",
      "variable_local_get",
      "variable_local_array_get",
      "variable_local_array2_get",
      "keyboard_check",
      "keyboard_check_pressed",
      "keyboard_check_released",
      "mouse_check_button",
      "mouse_check_button_pressed",
      "mouse_check_button_released",
      "object_exists",
      "object_get_name",
      "object_get_sprite",
      "object_get_parent",
      "sprite_exists",
      "sprite_get_name",
      "sprite_get_width",
      "sprite_get_height",
      "sprite_get_number",
      "room_exists",
      "room_get_name",
      "background_exists",
      "background_get_name",
      "sound_exists",
      "sound_get_name",
      "font_exists",
      "font_get_name",
      "path_exists",
      "path_get_name",
      "script_exists",
      "script_get_name",
      "timeline_exists",
      "timeline_get_name",
      "ds_list_size",
      "ds_list_empty",
      "ds_list_find_value",
      "ds_list_find_index",
      "ds_map_size",
      "ds_map_empty",
      "ds_map_exists",
      "ds_map_find_value",
      "ds_grid_width",
      "ds_grid_height",
      "ds_grid_get",
      "ds_stack_size",
      "ds_stack_empty",
      "ds_stack_top",
      "ds_queue_size",
      "ds_queue_empty",
      "ds_queue_head",
      "ds_queue_tail",
      "ds_priority_size",
      "ds_priority_empty",
      "file_exists",
      "directory_exists",
  };
  return names;
}

// Why the tree cannot be watched; empty when it is a single expression that changes
// nothing.
std::string refusal(const RToken& node) {
  switch (node.kind) {
    case kNodeConstant:
    case kNodeVariable:
    case kNodeDirectVariable:
    case kNodeUnary:
    case kNodeBinary:
      break;
    case kNodeFunction: {
      const RBuiltinFunction* function =
          node.id < kFirstScriptFunction ? builtin_function(node.id) : nullptr;
      if (function == nullptr || harmless_functions().count(function->name) == 0) {
        return "not watched: " + function_name(node.id) + " may change the game";
      }
      break;
    }
    default:
      return "not watched: only a single expression can be";
  }
  for (const RToken& child : node.children) {
    std::string reason = refusal(child);
    if (!reason.empty()) return reason;
  }
  return {};
}

// The expression of a program that is one return statement; null for anything else.
const RToken* single_return(const RToken& root) {
  const RToken* found = nullptr;
  auto take = [&](const RToken& node) {
    if (node.kind == kNodeEmptyStatement) return true;
    if (node.kind != kNodeReturn || node.children.size() != 1 || found != nullptr) return false;
    found = &node.children.front();
    return true;
  };
  if (root.kind == kNodeBlock) {
    for (const RToken& child : root.children) {
      if (!take(child)) return nullptr;
    }
  } else if (!take(root)) {
    return nullptr;
  }
  return found;
}

// An object index no object has.
constexpr int32_t kNoObject = -100;

// Errors met while a watch is evaluated are the watch's: they are shown in its row and
// leave the game's error state, log, input and requests as they were.
class CQuietErrors final : public IErrorDisplay {
 public:
  CQuietErrors()
      : settings_(error_settings()),
        display_(error_display()),
        occurred_(error_occurred()),
        last_(error_last()),
        flag_was_set_(error_flag()),
        last_message_(last_error_message()),
        input_(input_state()),
        pending_(world_state().pending_room) {
    RErrorSettings& settings = error_settings();
    settings.display_errors = true;
    settings.write_errors = false;
    settings.abort_errors = false;
    set_error_display(this);
  }
  ~CQuietErrors() override {
    set_error_display(display_);
    error_settings() = settings_;
    error_occurred() = occurred_;
    error_last() = last_;
    if (!flag_was_set_) clear_error_flag();
    set_last_error_message(last_message_);
    input_state() = input_;
    world_state().pending_room = pending_;
  }
  CQuietErrors(const CQuietErrors&) = delete;
  CQuietErrors& operator=(const CQuietErrors&) = delete;

  ErrorChoice show(const std::string& message, bool) override {
    if (reported_.empty()) reported_ = message;
    return ErrorChoice::Ignore;
  }
  const std::string& reported() const { return reported_; }

 private:
  RErrorSettings settings_;
  IErrorDisplay* display_;
  bool occurred_;
  std::string last_;
  bool flag_was_set_;
  std::string last_message_;
  RInputState input_;
  int32_t pending_;
  std::string reported_;
};

// A message as one line for a row of the list.
std::string one_line(std::string text) {
  std::string line;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (!line.empty() && line.back() != ' ') line += ' ';
    } else {
      line += c;
    }
  }
  return line;
}

std::string value_text(const RValue& value) {
  if (value.is_string()) return "\"" + value.string.str() + "\"";
  return real_to_text(value.real);
}

// The built-in variables every instance has, in the order the list shows them.
constexpr const char* kInstanceVariables[] = {
    "id",
    "object_index",
    "x",
    "y",
    "xprevious",
    "yprevious",
    "xstart",
    "ystart",
    "hspeed",
    "vspeed",
    "direction",
    "speed",
    "friction",
    "gravity",
    "gravity_direction",
    "solid",
    "visible",
    "persistent",
    "depth",
    "sprite_index",
    "sprite_width",
    "sprite_height",
    "sprite_xoffset",
    "sprite_yoffset",
    "image_index",
    "image_number",
    "image_speed",
    "image_xscale",
    "image_yscale",
    "image_angle",
    "image_alpha",
    "image_blend",
    "mask_index",
    "bbox_left",
    "bbox_right",
    "bbox_top",
    "bbox_bottom",
    "path_index",
    "path_position",
    "path_positionprevious",
    "path_speed",
    "path_scale",
    "path_orientation",
    "path_endaction",
    "timeline_index",
    "timeline_position",
    "timeline_speed",
};
constexpr int kAlarmsShown = 12;
// Arrays of a variable shown cell by cell, up to this many.
constexpr size_t kCellsShown = 64;

}  // namespace

RWatchValue evaluate_watch(std::string_view expression, CInstanceBase* self) {
  RWatchValue value;
  CQuietErrors quiet;
  // Compiled on its own first, for the message a typing error deserves.
  CCode alone{std::string(expression), true};
  if (!alone.compile()) {
    value.text = one_line(last_error_message());
    return value;
  }
  // The expression parser stops after the first expression, so "n += 5" would show n: as
  // the value of a program of one return, anything more does not compile.
  CCode code{"return (" + std::string(expression) + "\r);", false};
  const RToken* returned = code.compile() ? single_return(code.root()) : nullptr;
  if (returned == nullptr) {
    value.text = "not watched: only a single expression can be";
    return value;
  }
  if (std::string reason = refusal(*returned); !reason.empty()) {
    value.text = reason;
    return value;
  }
  // Without an instance only globals and constants are there to read.
  static CInstanceBase nobody(0, kNoObject);
  if (self == nullptr) self = &nobody;
  RValue result;
  if (!run_for_value(self, self, code, result)) {
    value.text = one_line(last_error_message());
    return value;
  }
  if (!quiet.reported().empty()) {
    value.text = one_line(quiet.reported());
    return value;
  }
  value.ok = true;
  value.text = value_text(result);
  return value;
}

// --- The model ---

void CDebugModel::add_watch(std::string_view expression) {
  while (!expression.empty() && (expression.front() == ' ' || expression.front() == '\t')) {
    expression.remove_prefix(1);
  }
  while (!expression.empty() && (expression.back() == ' ' || expression.back() == '\t')) {
    expression.remove_suffix(1);
  }
  if (expression.empty()) return;
  RWatchRow row;
  row.expression = std::string(expression);
  row.value = evaluate_watch(row.expression, chosen());
  watches_.push_back(std::move(row));
}

void CDebugModel::remove_watch(size_t index) {
  if (index < watches_.size()) watches_.erase(watches_.begin() + std::ptrdiff_t(index));
}

void CDebugModel::refresh_watches() {
  CInstanceBase* self = chosen();
  for (RWatchRow& row : watches_) row.value = evaluate_watch(row.expression, self);
}

CInstanceBase* CDebugModel::chosen() const {
  CLiveRoom* room = current_room();
  if (room == nullptr || chosen_ < 0) return nullptr;
  return room->find_instance(chosen_);
}

std::string CDebugModel::room_name() const {
  const RWorldState& world = world_state();
  return world.current != nullptr ? vn::room_name(world.room) : std::string();
}

int64_t CDebugModel::steps() const { return world_state().step_counter; }

int32_t CDebugModel::fps() const { return world_state().fps; }

std::vector<RInstanceRow> CDebugModel::instances() const {
  std::vector<RInstanceRow> rows;
  CLiveRoom* room = current_room();
  if (room == nullptr) return rows;
  for (const auto& instance : room->instances()) {
    if (instance->destroyed) continue;
    rows.push_back({instance->id, object_name(instance->object_index), instance->x, instance->y,
                    instance->depth});
  }
  return rows;
}

std::vector<RVariableRow> CDebugModel::variables() const {
  std::vector<RVariableRow> rows;
  CInstanceBase* instance = chosen();
  if (instance == nullptr) return rows;
  RValue value;
  for (const char* name : kInstanceVariables) {
    const int32_t id = find_builtin_variable(name);
    if (id >= 0 && instance_get(instance, id, 0, value)) {
      rows.push_back({name, value_text(value), true});
    }
  }
  if (const int32_t alarm = find_builtin_variable("alarm"); alarm >= 0) {
    for (int i = 0; i < kAlarmsShown; ++i) {
      if (instance_get(instance, alarm, i, value)) {
        rows.push_back({"alarm[" + std::to_string(i) + "]", value_text(value), true});
      }
    }
  }
  for (const RVariable& variable : instance->variables.variables()) {
    const std::string name = variable_name(variable.id);
    rows.push_back({name, value_text(variable.value), false});
    size_t shown = 0;
    for (size_t row = 0; row < variable.rows.size() && shown < kCellsShown; ++row) {
      for (size_t column = 0; column < variable.rows[row].size() && shown < kCellsShown; ++column) {
        if (row == 0 && column == 0) continue;
        const std::string index =
            row == 0 ? std::to_string(column) : std::to_string(row) + "," + std::to_string(column);
        rows.push_back({name + "[" + index + "]", value_text(variable.rows[row][column]), false});
        ++shown;
      }
    }
  }
  return rows;
}

void CDebugModel::command(DebugCommand command) {
  RWorldState& world = world_state();
  switch (command) {
    case DebugCommand::pause:
      if (world.running) world.paused = true;
      return;
    case DebugCommand::end:
      // The end itself (end_game) comes once the loop has returned, paused or not.
      world.running = false;
      world.paused = false;
      return;
    case DebugCommand::restart:
      world.pending_room = kRequestRestart;
      if (world.paused) pending_.push_back(DebugCommand::run);
      return;
    case DebugCommand::run:
    case DebugCommand::step:
      if (world.paused) pending_.push_back(command);
      return;
  }
}

bool CDebugModel::carry_out_pending() {
  if (pending_.empty()) return false;
  const std::vector<DebugCommand> commands = std::move(pending_);
  pending_.clear();
  RWorldState& world = world_state();
  for (DebugCommand command : commands) {
    if (!world.running || !world.paused) break;
    if (command == DebugCommand::step) {
      single_step();
    } else if (command == DebugCommand::run) {
      world.paused = false;
    }
  }
  return true;
}

void CDebugModel::play(const std::function<void()>& wait) {
  RWorldState& world = world_state();
  while (world.running) {
    if (!world.paused) run_game();
    if (!world.running || !world.paused) continue;
    wait();
    carry_out_pending();
  }
}

// --- The window ---

namespace {

constexpr int kFormWidth = 380;
constexpr int kFormHeight = 600;

}  // namespace

std::unique_ptr<TDebugForm> TDebugForm::open(const std::string& game_title) {
  if (forms_answer_headless()) return nullptr;
  std::unique_ptr<TDebugForm> form(new TDebugForm());
  RFormSetup setup;
  setup.caption = "Debug: " + game_title;
  setup.width = kFormWidth;
  setup.height = kFormHeight;
  setup.resizable = true;
  setup.fonts = {RFormFont{"sans-serif", 13}};
  // Beside the game window, on the side where the screen has room.
  const CWindowState& window = window_state();
  const RDisplayMode screen = display_mode();
  const int gap = 12;
  const int right = window.client_x() + window.client_width() + gap;
  setup.left = right + kFormWidth <= screen.width || screen.width <= 0
                   ? right
                   : std::max(0, window.client_x() - kFormWidth - gap);
  setup.top = std::max(0, window.client_y());
  TDebugForm* self = form.get();
  form->form_ = open_modeless_form(setup, [self](RFormFrame& frame) { return self->draw(frame); });
  if (form->form_ == nullptr) return nullptr;
  return form;
}

TDebugForm::~TDebugForm() = default;

void TDebugForm::refresh() {
  model_.refresh_watches();
  // The step count, fps and watches moved on; the form's own window saw nothing of it.
  if (form_ != nullptr) form_->redraw();
}

void TDebugForm::play() {
  RWorldState& world = world_state();
  model_.play([&] {
    const RRunHooks& hooks = run_hooks();
    if (hooks.pump_events) hooks.pump_events();
    // A closed window leaves nobody to press Run.
    if (form_ == nullptr || !form_->open()) world.paused = false;
    if (stop_requested()) world.running = false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  });
}

std::optional<int> TDebugForm::draw(RFormFrame& frame) {
  const RWorldState& world = world_state();
  const float width = (ImGui::GetContentRegionAvail().x - 4 * ImGui::GetStyle().ItemSpacing.x) / 5;
  const bool paused = world.paused;
  ImGui::BeginDisabled(!paused);
  if (form_button(frame, "&Run", "Go on playing", false, width)) model_.command(DebugCommand::run);
  ImGui::SameLine();
  if (form_button(frame, "&Step", "Play one step", false, width)) {
    model_.command(DebugCommand::step);
  }
  ImGui::EndDisabled();
  ImGui::SameLine();
  ImGui::BeginDisabled(paused);
  if (form_button(frame, "&Pause", "Stop the game where it is", false, width)) {
    model_.command(DebugCommand::pause);
  }
  ImGui::EndDisabled();
  ImGui::SameLine();
  if (form_button(frame, "R&estart", "Start the game again", false, width)) {
    model_.command(DebugCommand::restart);
  }
  ImGui::SameLine();
  if (form_button(frame, "E&nd", "End the game", false, width)) model_.command(DebugCommand::end);

  ImGui::Separator();
  ImGui::Text("Room: %s", gui_text(model_.room_name()).c_str());
  ImGui::Text("Step: %lld   FPS: %d%s", static_cast<long long>(model_.steps()), model_.fps(),
              paused ? "   (paused)" : "");
  ImGui::Separator();

  // Watches.
  ImGui::TextUnformatted("Watches");
  const float line = ImGui::GetTextLineHeightWithSpacing();
  const float watch_height = line * float(std::clamp<size_t>(model_.watches().size(), 2, 6)) +
                             ImGui::GetStyle().WindowPadding.y * 2;
  ImGui::PushStyleColor(ImGuiCol_ChildBg, IM_COL32(255, 255, 255, 255));
  ImGui::BeginChild("watches", ImVec2(-FLT_MIN, watch_height), true);
  std::optional<size_t> removed;
  if (ImGui::BeginTable("watch_table", 3, ImGuiTableFlags_SizingStretchProp)) {
    ImGui::TableSetupColumn("expression", ImGuiTableColumnFlags_WidthStretch, 1.0f);
    ImGui::TableSetupColumn("value", ImGuiTableColumnFlags_WidthStretch, 1.2f);
    ImGui::TableSetupColumn("remove", ImGuiTableColumnFlags_WidthFixed);
    for (size_t i = 0; i < model_.watches().size(); ++i) {
      const RWatchRow& row = model_.watches()[i];
      ImGui::PushID(int(i));
      ImGui::TableNextRow();
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(gui_text(row.expression).c_str());
      ImGui::TableNextColumn();
      const std::string value = gui_text(row.value.text);
      if (row.value.ok) {
        ImGui::TextUnformatted(value.c_str());
      } else {
        ImGui::TextColored(ImVec4(0.7f, 0.1f, 0.1f, 1.0f), "%s", value.c_str());
      }
      if (ImGui::IsItemHovered() && !row.value.ok) ImGui::SetTooltip("%s", value.c_str());
      ImGui::TableNextColumn();
      if (ImGui::SmallButton("x")) removed = i;
      ImGui::PopID();
    }
    ImGui::EndTable();
  }
  ImGui::EndChild();
  ImGui::PopStyleColor();
  if (removed) model_.remove_watch(*removed);
  ImGui::SetNextItemWidth(ImGui::GetContentRegionAvail().x - 60.0f);
  const bool entered = ImGui::InputTextWithHint("##watch", "expression", &new_watch_,
                                                ImGuiInputTextFlags_EnterReturnsTrue);
  ImGui::SameLine();
  if (ImGui::Button("Add", ImVec2(-FLT_MIN, 0)) || entered) {
    model_.add_watch(utf8_to_cp1252_lossy(new_watch_));
    new_watch_.clear();
  }
  ImGui::Separator();

  // Instances, and the variables of the chosen one.
  const std::vector<RInstanceRow> instances = model_.instances();
  ImGui::Text("Instances: %zu", instances.size());
  const float list_height = (ImGui::GetContentRegionAvail().y - line * 1.5f) * 0.45f;
  const ImGuiTableFlags table_flags = ImGuiTableFlags_RowBg | ImGuiTableFlags_BordersOuter |
                                      ImGuiTableFlags_ScrollY | ImGuiTableFlags_SizingStretchProp;
  if (ImGui::BeginTable("instances", 5, table_flags, ImVec2(-FLT_MIN, list_height))) {
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("id");
    ImGui::TableSetupColumn("object", ImGuiTableColumnFlags_WidthStretch, 2.0f);
    ImGui::TableSetupColumn("x");
    ImGui::TableSetupColumn("y");
    ImGui::TableSetupColumn("depth");
    ImGui::TableHeadersRow();
    for (const RInstanceRow& row : instances) {
      ImGui::TableNextRow();
      ImGui::TableNextColumn();
      const std::string id = std::to_string(row.id);
      if (ImGui::Selectable(id.c_str(), row.id == model_.chosen_instance(),
                            ImGuiSelectableFlags_SpanAllColumns)) {
        model_.choose_instance(row.id);
        model_.refresh_watches();
      }
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(gui_text(row.object).c_str());
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(real_to_text(row.x).c_str());
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(real_to_text(row.y).c_str());
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(real_to_text(row.depth).c_str());
    }
    ImGui::EndTable();
  }

  const std::vector<RVariableRow> variables = model_.variables();
  if (model_.chosen_instance() >= 0 && !variables.empty()) {
    ImGui::Text("Variables of instance %d", model_.chosen_instance());
  } else {
    ImGui::TextUnformatted("Variables (choose an instance)");
  }
  if (ImGui::BeginTable("variables", 2, table_flags, ImVec2(-FLT_MIN, -FLT_MIN))) {
    ImGui::TableSetupScrollFreeze(0, 1);
    ImGui::TableSetupColumn("name");
    ImGui::TableSetupColumn("value", ImGuiTableColumnFlags_WidthStretch, 1.5f);
    ImGui::TableHeadersRow();
    for (const RVariableRow& row : variables) {
      ImGui::TableNextRow();
      ImGui::TableNextColumn();
      if (row.builtin) {
        ImGui::TextDisabled("%s", row.name.c_str());
      } else {
        ImGui::TextUnformatted(gui_text(row.name).c_str());
      }
      ImGui::TableNextColumn();
      ImGui::TextUnformatted(gui_text(row.value).c_str());
    }
    ImGui::EndTable();
  }
  return std::nullopt;
}

}  // namespace vn
