#include "platform/Platform_Dialog.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <imgui.h>
#include <imgui_stdlib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <cstdio>
#include <cstdlib>

#include "platform/Platform_Gui.h"
#include "platform/Platform_Signal.h"
#include "platform/Platform_Spawn.h"
#include "platform/Platform_Video.h"
#include "support/Support_Path.h"
#include "support/Support_Text.h"

extern char** environ;

namespace vn {

namespace fs = std::filesystem;

namespace {

constexpr int kResultCancel = 0;
constexpr int kResultOk = 1;

std::string trimmed(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && (text[begin] == ' ' || text[begin] == '\t')) ++begin;
  while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
  return std::string(text.substr(begin, end - begin));
}

std::vector<std::string> split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    const size_t end = text.find(separator, start);
    parts.emplace_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

std::string lowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = char(lower_1252(static_cast<unsigned char>(c)));
  return out;
}

bool matches_everything(const std::string& pattern) { return pattern == "*" || pattern == "*.*"; }

// --- zenity ---

struct RZenityRun {
  bool started = false;
  int status = -1;  // exit status; -1 when it did not exit normally
  std::string output;
};

// Runs zenity with its standard output read through a pipe. The other windows of the
// runner keep repainting meanwhile; a stop signal closes the dialog as Cancel would.
RZenityRun run_zenity(const fs::path& program, const std::vector<std::string>& arguments) {
  RZenityRun run;
  int pipe_ends[2];
  if (::pipe2(pipe_ends, O_CLOEXEC) != 0) return run;
  std::vector<char*> argv;
  const std::string program_text = program.string();
  argv.push_back(const_cast<char*>(program_text.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  ::posix_spawn_file_actions_init(&actions);
  ::posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], STDOUT_FILENO);
  // Its warnings about the desktop are nothing the player or a test should read.
  ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  ::posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  ::posix_spawnattr_setsigmask(&attributes, &none);
  ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
  pid_t child = 0;
  const int failed =
      ::posix_spawn(&child, program_text.c_str(), &actions, &attributes, argv.data(), environ);
  ::posix_spawnattr_destroy(&attributes);
  ::posix_spawn_file_actions_destroy(&actions);
  ::close(pipe_ends[1]);
  if (failed != 0) {
    ::close(pipe_ends[0]);
    return run;
  }
  run.started = true;

  bool stopped = false;
  char buffer[4096];
  while (true) {
    pollfd watch{pipe_ends[0], POLLIN, 0};
    const int ready = ::poll(&watch, 1, 50);
    if (ready < 0 && errno != EINTR) break;
    if (ready > 0) {
      const ssize_t got = ::read(pipe_ends[0], buffer, sizeof buffer);
      if (got > 0) {
        run.output.append(buffer, size_t(got));
        continue;
      }
      if (got == 0 || errno != EINTR) break;
    }
    if (stop_requested() && !stopped) {
      ::kill(child, SIGTERM);
      stopped = true;
    }
    pump_events();
  }
  ::close(pipe_ends[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!stopped && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  if (stopped) run.status = 1;
  return run;
}

// What zenity said: the chosen text (without its line end), cancelled, or unavailable
// when it failed in a way that is not the player's choice.
std::optional<RDialogResult> zenity_result(const std::vector<std::string>& arguments) {
  const fs::path program = find_zenity();
  if (program.empty()) return std::nullopt;
  RZenityRun run = run_zenity(program, arguments);
  if (!run.started) return std::nullopt;
  RDialogResult result;
  if (run.status == 1) {
    result.outcome = DialogOutcome::cancelled;
    return result;
  }
  if (run.status != 0) return std::nullopt;
  while (!run.output.empty() && (run.output.back() == '\n' || run.output.back() == '\r')) {
    run.output.pop_back();
  }
  result.outcome = DialogOutcome::chosen;
  result.path = std::move(run.output);
  return result;
}

std::string utf8(const fs::path& path) { return path.string(); }

// zenity proposes a folder when the name ends with a separator.
std::string folder_argument(const fs::path& folder) {
  std::string text = utf8(folder);
  if (text.empty() || text.back() != '/') text += '/';
  return text;
}

// zenity gives "rgb(r,g,b)", "rgba(r,g,b,a)", "#rrggbb" or "#rrrrggggbbbb", by version.
std::optional<int32_t> parse_zenity_colour(const std::string& text) {
  int red = 0;
  int green = 0;
  int blue = 0;
  if (std::sscanf(text.c_str(), "rgb(%d,%d,%d)", &red, &green, &blue) == 3 ||
      std::sscanf(text.c_str(), "rgba(%d,%d,%d", &red, &green, &blue) == 3) {
  } else if (!text.empty() && text[0] == '#' && (text.size() == 7 || text.size() == 13) &&
             text.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
    const size_t digits = (text.size() - 1) / 3;
    auto part = [&](size_t index) {
      return int(std::strtol(text.substr(1 + index * digits, 2).c_str(), nullptr, 16));
    };
    red = part(0);
    green = part(1);
    blue = part(2);
  } else {
    return std::nullopt;
  }
  auto clamp = [](int value) { return std::clamp(value, 0, 255); };
  return int32_t(clamp(red) | clamp(green) << 8 | clamp(blue) << 16);
}

// --- The runner's own forms ---

// A small folder picture before a folder's name, as the system's lists show one.
void folder_icon(ImDrawList* draw, ImVec2 at, float size) {
  const ImU32 body = IM_COL32(232, 196, 84, 255);
  const ImU32 edge = IM_COL32(170, 132, 40, 255);
  const ImVec2 tab_end(at.x + size * 0.45f, at.y + size * 0.3f);
  draw->AddRectFilled(ImVec2(at.x, at.y + size * 0.15f), tab_end, body, 1.0f);
  draw->AddRectFilled(ImVec2(at.x, at.y + size * 0.28f), ImVec2(at.x + size, at.y + size * 0.9f),
                      body, 1.0f);
  draw->AddRect(ImVec2(at.x, at.y + size * 0.28f), ImVec2(at.x + size, at.y + size * 0.9f), edge,
                1.0f);
}

// The list of entries; a click picks, a double click activates. The list scrolls back to
// its top whenever the folder changes.
void draw_entries(CFileListModel& model, const std::string& selected, float bottom_reserve,
                  bool& scroll_top, std::optional<RFolderEntry>& activated) {
  ImGui::PushStyleColor(ImGuiCol_ChildBg, IM_COL32(255, 255, 255, 255));
  ImGui::BeginChild("entries", ImVec2(-FLT_MIN, -bottom_reserve), true);
  if (scroll_top) {
    ImGui::SetScrollY(0.0f);
    scroll_top = false;
  }
  const float icon = ImGui::GetTextLineHeight();
  for (const RFolderEntry& entry : model.entries()) {
    ImGui::PushID(entry.name.c_str());
    const ImVec2 start = ImGui::GetCursorScreenPos();
    ImGui::SetCursorPosX(ImGui::GetCursorPosX() + icon + 6.0f);
    const std::string label = gui_text(utf8_to_cp1252_lossy(entry.name));
    const bool clicked = ImGui::Selectable(label.c_str(), entry.name == selected,
                                           ImGuiSelectableFlags_AllowDoubleClick);
    if (entry.folder) folder_icon(ImGui::GetWindowDrawList(), start, icon);
    if (clicked) {
      if (ImGui::IsMouseDoubleClicked(ImGuiMouseButton_Left)) {
        activated = entry;
      } else {
        model.pick(entry);
      }
    }
    ImGui::PopID();
  }
  ImGui::EndChild();
  ImGui::PopStyleColor();
}

// File and folder forms share their look: a line naming the folder, the list, the name
// (and, for files, the type) and the buttons.
std::optional<int> draw_file_form(RFormFrame& frame, CFileListModel& model, bool folders_only,
                                  const std::string& prompt, bool& scroll_top,
                                  bool& asking_overwrite) {
  if (frame.close_requested || frame.escape_pressed) return kResultCancel;
  const ImGuiStyle& style = ImGui::GetStyle();
  const float row = ImGui::GetFrameHeightWithSpacing();
  if (!prompt.empty()) {
    ImGui::PushTextWrapPos(0.0f);
    ImGui::TextUnformatted(gui_text(prompt).c_str());
    ImGui::PopTextWrapPos();
  }
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(folders_only ? "Folder:" : "Look in:");
  ImGui::SameLine();
  const std::string where = gui_text(utf8_to_cp1252_lossy(utf8(model.folder())));
  ImGui::TextUnformatted(where.c_str());

  const float reserve = row * (folders_only ? 2.0f : 3.0f) + style.ItemSpacing.y;
  std::optional<RFolderEntry> activated;
  draw_entries(model, model.name, reserve, scroll_top, activated);

  const float label_width = ImGui::CalcTextSize("Files of type:").x + style.ItemSpacing.x * 2;
  ImGui::AlignTextToFramePadding();
  ImGui::TextUnformatted(folders_only ? "Name:" : "File name:");
  ImGui::SameLine(label_width);
  ImGui::SetNextItemWidth(-FLT_MIN);
  bool typed_return = false;
  if (ImGui::InputText("##name", &model.name, ImGuiInputTextFlags_EnterReturnsTrue)) {
    typed_return = true;
  }
  if (frame.first) ImGui::SetKeyboardFocusHere(-1);
  if (!folders_only) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextUnformatted("Files of type:");
    ImGui::SameLine(label_width);
    ImGui::SetNextItemWidth(-FLT_MIN);
    const auto& filters = model.filters();
    const std::string current =
        filters.empty()
            ? std::string("All files")
            : gui_text(filters[std::min(model.filter_index(), filters.size() - 1)].description);
    if (ImGui::BeginCombo("##type", current.c_str())) {
      for (size_t i = 0; i < filters.size(); ++i) {
        const std::string label = gui_text(filters[i].description) + "##" + std::to_string(i);
        if (ImGui::Selectable(label.c_str(), i == model.filter_index())) model.select_filter(i);
      }
      ImGui::EndCombo();
    }
  }

  const float button_width = 88.0f;
  const float right = ImGui::GetWindowContentRegionMax().x;
  if (asking_overwrite) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextColored(ImVec4(0.6f, 0.1f, 0.1f, 1.0f), "The file exists. Replace it?");
    ImGui::SameLine(right - 2 * button_width - style.ItemSpacing.x);
    if (form_button(frame, "&Yes", {}, true, button_width)) return kResultOk;
    ImGui::SameLine();
    if (form_button(frame, "&No", {}, false, button_width)) asking_overwrite = false;
    return std::nullopt;
  }
  if (!model.problem().empty()) {
    ImGui::AlignTextToFramePadding();
    ImGui::TextColored(ImVec4(0.6f, 0.1f, 0.1f, 1.0f), "%s", model.problem().c_str());
    ImGui::SameLine();
  }
  ImGui::SetCursorPosX(right - 2 * button_width - style.ItemSpacing.x);
  const bool ok = form_button(frame, "OK", {}, true, button_width) || typed_return;
  ImGui::SameLine();
  if (form_button(frame, "Cancel", {}, false, button_width)) return kResultCancel;

  CFileListModel::Action action = CFileListModel::Action::none;
  if (activated) {
    action = model.activate(*activated);
  } else if (ok) {
    action = model.confirm();
  }
  if (action == CFileListModel::Action::entered) scroll_top = true;
  if (action == CFileListModel::Action::accepted) {
    if (model.accepted_exists()) {
      asking_overwrite = true;
      return std::nullopt;
    }
    return kResultOk;
  }
  return std::nullopt;
}

RFormSetup dialog_setup(const std::string& caption, int width, int height) {
  RFormSetup setup;
  setup.caption = caption;
  setup.width = width;
  setup.height = height;
  setup.fonts = {RFormFont{"sans-serif", 14}};
  return setup;
}

RDialogResult run_list_form(CFileListModel& model, const std::string& caption,
                            const std::string& prompt, bool folders_only) {
  bool scroll_top = true;
  bool asking_overwrite = false;
  const std::optional<int> shown =
      run_modal_form(dialog_setup(caption, 520, folders_only ? 400 : 380), [&](RFormFrame& frame) {
        return draw_file_form(frame, model, folders_only, prompt, scroll_top, asking_overwrite);
      });
  RDialogResult result;
  if (!shown) return result;
  result.outcome = DialogOutcome::cancelled;
  if (*shown != kResultOk) return result;
  // A form closed with OK from outside (a test) takes what its fields hold.
  if (model.accepted().empty() && model.confirm() != CFileListModel::Action::accepted) {
    return result;
  }
  result.outcome = DialogOutcome::chosen;
  result.path = utf8_to_cp1252_lossy(utf8(model.accepted()));
  return result;
}

// The basic colours offered beside the picker: the game's named colours.
constexpr int32_t kBasicColours[] = {
    0x000000, 0x404040, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000080, 0x0000FF, 0x0080FF, 0x00FFFF,
    0x008080, 0x008000, 0x00FF00, 0x808000, 0xFFFF00, 0x800000, 0xFF0000, 0x800080, 0xFF00FF,
};

ImVec4 colour_vector(int32_t colour) {
  return ImVec4(float(colour & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                float((colour >> 16) & 0xFF) / 255.0f, 1.0f);
}

int32_t vector_colour(const float rgb[3]) {
  auto byte = [](float value) { return int32_t(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); };
  return byte(rgb[0]) | byte(rgb[1]) << 8 | byte(rgb[2]) << 16;
}

}  // namespace

// --- Filters ---

std::vector<RFileFilter> parse_file_filter(std::string_view filter) {
  std::vector<RFileFilter> filters;
  const std::vector<std::string> parts = split(filter, '|');
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    RFileFilter entry;
    entry.description = trimmed(parts[i]);
    for (const std::string& pattern : split(parts[i + 1], ';')) {
      std::string clean = trimmed(pattern);
      if (!clean.empty()) entry.patterns.push_back(std::move(clean));
    }
    if (entry.patterns.empty()) continue;
    if (entry.description.empty()) entry.description = parts[i + 1];
    filters.push_back(std::move(entry));
  }
  return filters;
}

bool filter_matches(const RFileFilter& filter, std::string_view name) {
  const std::string lower_name = lowered(name);
  for (const std::string& pattern : filter.patterns) {
    if (matches_everything(pattern)) return true;
    if (::fnmatch(lowered(pattern).c_str(), lower_name.c_str(), 0) == 0) return true;
  }
  return false;
}

std::string zenity_file_filter(const RFileFilter& filter) {
  std::string text = cp1252_to_utf8(filter.description) + " |";
  for (const std::string& pattern : filter.patterns) {
    text += ' ';
    if (matches_everything(pattern)) {
      text += '*';
      continue;
    }
    std::string either_case;
    for (char c : pattern) {
      const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
      if (letter) {
        const char lower = char(c | 0x20);
        either_case += '[';
        either_case += lower;
        either_case += char(lower - 0x20);
        either_case += ']';
      } else {
        either_case += c;
      }
    }
    text += cp1252_to_utf8(either_case);
  }
  return text;
}

// --- Dialogs ---

fs::path find_zenity() {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  for (const std::string& folder : split(path, ':')) {
    const fs::path candidate = fs::path(folder.empty() ? "." : folder) / "zenity";
    if (is_executable_file(candidate)) return candidate;
  }
  return {};
}

RDialogResult choose_file(const RFileDialogSetup& setup) {
  std::vector<std::string> arguments = {"--file-selection", "--title",
                                        cp1252_to_utf8(setup.caption)};
  if (setup.mode == FileDialogMode::save) {
    arguments.push_back("--save");
    arguments.push_back("--confirm-overwrite");
  }
  const std::string name = cp1252_to_utf8(setup.name);
  arguments.push_back("--filename");
  arguments.push_back(name.empty() ? folder_argument(setup.folder) : utf8(setup.folder / name));
  for (const RFileFilter& filter : parse_file_filter(setup.filter)) {
    arguments.push_back("--file-filter");
    arguments.push_back(zenity_file_filter(filter));
  }
  if (std::optional<RDialogResult> result = zenity_result(arguments)) {
    result->path = utf8_to_cp1252_lossy(result->path);
    return *result;
  }

  CFileListModel model(setup.mode, setup.filter, false);
  if (!model.enter(setup.folder)) model.enter(fs::current_path());
  model.name = name;
  return run_list_form(model, setup.caption, {}, false);
}

RDialogResult choose_folder(const RFolderDialogSetup& setup) {
  const std::vector<std::string> arguments = {"--file-selection", "--directory",
                                              "--title",          cp1252_to_utf8(setup.caption),
                                              "--filename",       folder_argument(setup.folder)};
  if (std::optional<RDialogResult> result = zenity_result(arguments)) {
    result->path = utf8_to_cp1252_lossy(result->path);
    return *result;
  }

  CFileListModel model(FileDialogMode::open, {}, true);
  if (!setup.root.empty()) model.set_root(setup.root);
  if (!model.enter(setup.folder) &&
      !model.enter(setup.root.empty() ? fs::current_path() : setup.root)) {
    model.enter(fs::current_path());
  }
  return run_list_form(model, setup.caption, setup.caption, true);
}

RDialogResult choose_colour(const std::string& caption, int32_t initial) {
  initial &= 0xFFFFFF;
  const std::string start = "--color=rgb(" + std::to_string(initial & 0xFF) + "," +
                            std::to_string((initial >> 8) & 0xFF) + "," +
                            std::to_string((initial >> 16) & 0xFF) + ")";
  if (std::optional<RDialogResult> result =
          zenity_result({"--color-selection", "--title", cp1252_to_utf8(caption), start})) {
    if (result->outcome == DialogOutcome::chosen) {
      std::optional<int32_t> colour = parse_zenity_colour(result->path);
      result->path.clear();
      if (!colour) {
        result->outcome = DialogOutcome::cancelled;
      } else {
        result->colour = *colour;
      }
    }
    return *result;
  }

  const ImVec4 first = colour_vector(initial);
  float rgb[3] = {first.x, first.y, first.z};
  const std::optional<int> shown =
      run_modal_form(dialog_setup(caption, 420, 430), [&](RFormFrame& frame) -> std::optional<int> {
        if (frame.close_requested || frame.escape_pressed) return kResultCancel;
        ImGui::TextUnformatted("Basic colors:");
        const float swatch = 32.0f;
        for (size_t i = 0; i < std::size(kBasicColours); ++i) {
          if (i % 9 != 0) ImGui::SameLine();
          ImGui::PushID(int(i));
          if (ImGui::ColorButton("##basic", colour_vector(kBasicColours[i]),
                                 ImGuiColorEditFlags_NoTooltip, ImVec2(swatch, swatch))) {
            const ImVec4 picked = colour_vector(kBasicColours[i]);
            rgb[0] = picked.x;
            rgb[1] = picked.y;
            rgb[2] = picked.z;
          }
          ImGui::PopID();
        }
        ImGui::Spacing();
        // The picker's square is as tall as it is wide; below it come its number fields
        // and the buttons.
        const ImGuiStyle& style = ImGui::GetStyle();
        const float below = 2 * ImGui::GetFrameHeightWithSpacing() + style.ItemSpacing.y;
        const float square = ImGui::GetContentRegionAvail().y - below;
        ImGui::SetNextItemWidth(
            std::min(ImGui::GetContentRegionAvail().x,
                     square + ImGui::GetFrameHeight() + style.ItemInnerSpacing.x));
        ImGui::ColorPicker3("##picker", rgb,
                            ImGuiColorEditFlags_PickerHueBar | ImGuiColorEditFlags_DisplayRGB |
                                ImGuiColorEditFlags_NoSidePreview);
        const float width = 88.0f;
        ImGui::ColorButton("##chosen", ImVec4(rgb[0], rgb[1], rgb[2], 1.0f),
                           ImGuiColorEditFlags_NoTooltip, ImVec2(width, 0.0f));
        ImGui::SameLine(ImGui::GetWindowContentRegionMax().x - 2 * width -
                        ImGui::GetStyle().ItemSpacing.x);
        if (form_button(frame, "OK", {}, true, width)) return kResultOk;
        ImGui::SameLine();
        if (form_button(frame, "Cancel", {}, false, width)) return kResultCancel;
        return std::nullopt;
      });
  RDialogResult result;
  if (!shown) return result;
  result.outcome = *shown == kResultOk ? DialogOutcome::chosen : DialogOutcome::cancelled;
  if (result.outcome == DialogOutcome::chosen) result.colour = vector_colour(rgb);
  return result;
}

// --- The file list ---

CFileListModel::CFileListModel(FileDialogMode mode, std::string_view filter, bool folders_only)
    : mode_(mode), folders_only_(folders_only), filters_(parse_file_filter(filter)) {}

void CFileListModel::set_root(const fs::path& root) {
  std::error_code error;
  root_ = fs::weakly_canonical(fs::absolute(root, error), error);
}

bool CFileListModel::inside_root(const fs::path& folder) const {
  if (root_.empty()) return true;
  const fs::path relative = folder.lexically_relative(root_);
  return !relative.empty() && *relative.begin() != "..";
}

bool CFileListModel::enter(const fs::path& folder) {
  std::error_code error;
  if (folder.empty()) return false;
  const fs::path target = fs::weakly_canonical(fs::absolute(folder, error), error);
  if (error || !fs::is_directory(target, error) || !inside_root(target)) return false;
  fs::directory_iterator probe(target, error);
  if (error) return false;
  folder_ = target;
  refresh();
  return true;
}

void CFileListModel::select_filter(size_t index) {
  if (index >= filters_.size()) return;
  filter_index_ = index;
  refresh();
}

void CFileListModel::refresh() {
  entries_.clear();
  std::vector<RFolderEntry> folders;
  std::vector<RFolderEntry> files;
  std::error_code error;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    // Dot files are the system's hidden ones.
    if (name.empty() || name[0] == '.') continue;
    std::error_code kind_error;
    if (it->is_directory(kind_error)) {
      folders.push_back({std::move(name), true});
    } else if (!folders_only_) {
      if (filters_.empty() || filter_matches(filters_[filter_index_], utf8_to_cp1252_lossy(name))) {
        files.push_back({std::move(name), false});
      }
    }
  }
  auto by_name = [](const RFolderEntry& a, const RFolderEntry& b) {
    const std::string left = lowered(a.name);
    const std::string right = lowered(b.name);
    return left != right ? left < right : a.name < b.name;
  };
  std::sort(folders.begin(), folders.end(), by_name);
  std::sort(files.begin(), files.end(), by_name);
  if (folder_.has_parent_path() && folder_.parent_path() != folder_ &&
      (root_.empty() || folder_ != root_)) {
    entries_.push_back({"..", true});
  }
  entries_.insert(entries_.end(), folders.begin(), folders.end());
  entries_.insert(entries_.end(), files.begin(), files.end());
}

void CFileListModel::pick(const RFolderEntry& entry) {
  problem_.clear();
  if (!entry.folder || (folders_only_ && entry.name != "..")) name = entry.name;
}

CFileListModel::Action CFileListModel::activate(const RFolderEntry& entry) {
  problem_.clear();
  if (entry.folder) {
    const fs::path target = entry.name == ".." ? folder_.parent_path() : folder_ / entry.name;
    if (!enter(target)) return Action::none;
    if (folders_only_) name.clear();
    return Action::entered;
  }
  name = entry.name;
  return confirm();
}

CFileListModel::Action CFileListModel::confirm() {
  problem_.clear();
  accepted_.clear();
  if (name.empty()) {
    if (!folders_only_) return Action::none;
    accepted_ = folder_;
    return Action::accepted;
  }
  const fs::path typed(name);
  const fs::path target = (typed.is_absolute() ? typed : folder_ / typed).lexically_normal();
  std::error_code error;
  if (fs::is_directory(target, error)) {
    if (folders_only_) {
      if (!inside_root(target)) {
        problem_ = "That folder cannot be chosen here.";
        return Action::none;
      }
      accepted_ = target;
      return Action::accepted;
    }
    if (!enter(target)) {
      problem_ = "The folder cannot be read.";
      return Action::none;
    }
    name.clear();
    return Action::entered;
  }
  if (folders_only_) {
    problem_ = "Folder not found.";
    return Action::none;
  }
  if (mode_ == FileDialogMode::open && !fs::exists(target, error)) {
    problem_ = "File not found.";
    return Action::none;
  }
  if (!fs::is_directory(target.parent_path(), error)) {
    problem_ = "The folder does not exist.";
    return Action::none;
  }
  accepted_ = target;
  return Action::accepted;
}

bool CFileListModel::accepted_exists() const {
  std::error_code error;
  return mode_ == FileDialogMode::save && !accepted_.empty() && fs::exists(accepted_, error);
}

}  // namespace vn
