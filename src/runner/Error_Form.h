// The error form: every error displayed during the run piles up in its memo until the
// player clears it; the player chooses to abort the game or (for a non-fatal error) to
// ignore the error and go on.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "script/Code_Error.h"

namespace vn {

struct RFormFrame;

// The memo's text as lines, kept apart from drawing. Each message adds an empty line, a
// line of 43 underscores, then the message cut at every CR with its LF characters dropped
// (so a CR LF text and a CR text read alike, and a CR at the very end leaves an empty last
// line).
class CErrorMemo {
 public:
  static constexpr size_t kRuleLength = 43;

  void append(std::string_view message);
  void clear() { lines_.clear(); }
  const std::vector<std::string>& lines() const { return lines_; }
  bool empty() const { return lines_.empty(); }
  // Every line, Windows-1252, joined by LF as the clipboard of this system expects.
  std::string text() const;

 private:
  std::vector<std::string> lines_;
};

class TErrorForm final : public IErrorDisplay {
 public:
  // Appends the message to the memo and shows the form. Without a display the message is
  // written to standard error and the result is Ignore, or Abort when it is fatal.
  ErrorChoice show(const std::string& message, bool fatal) override;

  const CErrorMemo& memo() const { return memo_; }

 private:
  std::optional<int> draw(RFormFrame& frame, bool fatal);

  CErrorMemo memo_;
  // The memo as ImGui draws it, converted again only after the memo changed.
  unsigned memo_revision_ = 0;
  unsigned shown_revision_ = ~0u;
  std::string shown_text_;
  bool scroll_to_end_ = false;
};

}  // namespace vn
