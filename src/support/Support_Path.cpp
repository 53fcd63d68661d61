#include "support/Support_Path.h"

#include <algorithm>
#include <vector>

#include "support/Support_Text.h"

namespace vn {

namespace fs = std::filesystem;

// Lower case in Windows-1252: ASCII, the accented letters of 0xC0-0xDE (but for the
// multiplication sign) and the three pairs of 0x8A/0x9A, 0x8C/0x9C, 0x8E/0x9E.
unsigned char lower_1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 16;
  if (c == 0x9F) return 0xFF;
  return c;
}

bool same_name_ignoring_case(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return lower_1252(static_cast<unsigned char>(x)) ==
                  lower_1252(static_cast<unsigned char>(y));
         });
}

// Replaces each missing component by an existing entry that differs only in case.
static fs::path match_case(const fs::path& path) {
  std::error_code error;
  if (path.empty() || fs::exists(fs::symlink_status(path, error))) {
    return path;
  }
  fs::path result = path.root_path();
  for (const fs::path& part : path.relative_path()) {
    fs::path candidate = result / part;
    if (part == "." || part == ".." || fs::exists(fs::symlink_status(candidate, error))) {
      result = std::move(candidate);
      continue;
    }
    fs::path folder = result.empty() ? fs::path(".") : result;
    std::string wanted = utf8_to_cp1252_lossy(part.string());
    fs::path found;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
      std::string name = it->path().filename().string();
      if (same_name_ignoring_case(utf8_to_cp1252_lossy(name), wanted)) {
        found = it->path().filename();
        break;
      }
    }
    result /= found.empty() ? part : found;
  }
  return result;
}

fs::path game_path(std::string_view name) {
  std::string text(name);
  if (text.size() >= 2 && text[1] == ':' &&
      ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'))) {
    text.erase(0, 2);
  }
  std::replace(text.begin(), text.end(), '\\', '/');
  return match_case(fs::path(cp1252_to_utf8(text)));
}

fs::path resolve_links(const fs::path& path, bool follow_last) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error) return {};
  // The parts still to walk, the next one at the back.
  std::vector<fs::path> pending;
  for (const fs::path& part : absolute.relative_path()) pending.push_back(part);
  std::reverse(pending.begin(), pending.end());
  fs::path resolved = absolute.root_path();
  int links = 0;
  while (!pending.empty()) {
    fs::path part = std::move(pending.back());
    pending.pop_back();
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      resolved = resolved.parent_path();
      continue;
    }
    fs::path next = resolved / part;
    bool last = pending.empty();
    if ((!last || follow_last) && fs::is_symlink(fs::symlink_status(next, error))) {
      if (++links > 40) return {};
      fs::path target = fs::read_symlink(next, error);
      if (error) return {};
      std::vector<fs::path> parts;
      for (const fs::path& piece : target.relative_path()) parts.push_back(piece);
      pending.insert(pending.end(), parts.rbegin(), parts.rend());
      if (target.is_absolute()) resolved = target.root_path();
      continue;
    }
    resolved = std::move(next);
  }
  return resolved;
}

bool path_inside(const fs::path& folder, const fs::path& target, bool follow_last) {
  fs::path base = resolve_links(folder, true);
  fs::path place = resolve_links(target, follow_last);
  if (base.empty() || place.empty()) return false;
  auto [base_end, place_at] = std::mismatch(base.begin(), base.end(), place.begin(), place.end());
  // Both come out of resolve_links, so neither has empty or dot parts left.
  return base_end == base.end() && place_at != place.end();
}

fs::path join_game_path(std::string_view folder, std::string_view name) {
  std::string joined(folder);
  if (!joined.empty() && joined.back() != '\\' && joined.back() != '/') {
    joined += '\\';
  }
  joined += name;
  return game_path(joined);
}

}  // namespace vn
