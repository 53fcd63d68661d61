#include "runner/Help_Rtf.h"

#include <algorithm>
#include <array>
#include <limits>
#include <map>
#include <optional>

#include "support/Support_Text.h"

namespace vn {

bool RRichRun::same_style(const RRichRun& other) const {
  return family == other.family && half_points == other.half_points && bold == other.bold &&
         italic == other.italic && underline == other.underline &&
         automatic_color == other.automatic_color && (automatic_color || color == other.color);
}

namespace {

// Deeper nesting than any editor writes; past it, groups are counted but share a state.
constexpr size_t kMaxDepth = 256;
constexpr size_t kMaxTableEntries = 4096;
constexpr size_t kMaxTabStops = 64;
constexpr size_t kMaxWordLength = 32;
constexpr int kMaxHalfPoints = 2000;

enum class Destination { text, font_table, color_table, skipped };

struct RGroupState {
  Destination destination = Destination::text;
  int font = -1;  // number in the font table; -1: the document's default
  int half_points = 24;
  bool bold = false;
  bool italic = false;
  bool underline = false;
  int color = 0;  // index in the colour table; 0 is automatic
  int unicode_skip = 1;
  RichAlign align = RichAlign::left;
  int first_indent = 0;
  int left_indent = 0;
  int right_indent = 0;
  std::vector<int> tab_stops;
};

// Groups whose content is not text to show, whether or not the writer marked them "\*".
bool skipped_destination(std::string_view word) {
  static constexpr std::array<std::string_view, 40> kSkipped = {"stylesheet",
                                                                "info",
                                                                "pict",
                                                                "object",
                                                                "header",
                                                                "headerl",
                                                                "headerr",
                                                                "headerf",
                                                                "footer",
                                                                "footerl",
                                                                "footerr",
                                                                "footerf",
                                                                "footnote",
                                                                "fldinst",
                                                                "listtable",
                                                                "listoverridetable",
                                                                "revtbl",
                                                                "rsidtbl",
                                                                "xmlnstbl",
                                                                "themedata",
                                                                "colorschememapping",
                                                                "latentstyles",
                                                                "datastore",
                                                                "pgdsctbl",
                                                                "filetbl",
                                                                "nonshppict",
                                                                "shp",
                                                                "shpinst",
                                                                "private",
                                                                "xe",
                                                                "tc",
                                                                "txe",
                                                                "rxe",
                                                                "comment",
                                                                "bkmkstart",
                                                                "bkmkend",
                                                                "generator",
                                                                "template",
                                                                "mmathPr",
                                                                "objdata"};
  return std::find(kSkipped.begin(), kSkipped.end(), word) != kSkipped.end();
}

// A Unicode character as Windows-1252, if it has one.
std::optional<char> unicode_to_cp1252(long code) {
  if (code < 0) code += 65536;  // the format writes large values as signed 16 bits
  if (code <= 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return char(code);
  std::string utf8;
  if (code < 0x800) {
    utf8 += char(0xC0 | (code >> 6));
    utf8 += char(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    utf8 += char(0xE0 | (code >> 12));
    utf8 += char(0x80 | ((code >> 6) & 0x3F));
    utf8 += char(0x80 | (code & 0x3F));
  } else {
    utf8 += char(0xF0 | (code >> 18));
    utf8 += char(0x80 | ((code >> 12) & 0x3F));
    utf8 += char(0x80 | ((code >> 6) & 0x3F));
    utf8 += char(0x80 | (code & 0x3F));
  }
  const std::optional<std::string> converted = utf8_to_cp1252(utf8);
  if (!converted || converted->size() != 1) return std::nullopt;
  return (*converted)[0];
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

class CRtfReader {
 public:
  explicit CRtfReader(std::string_view bytes) : bytes_(bytes) {}
  RRichDocument read();

 private:
  void open_group();
  void close_group();
  void control_word(std::string_view word, bool has_parameter, int parameter);
  void control_symbol(char symbol);
  void character(char c);
  void text_character(char c);
  void end_paragraph();
  void end_font_entry();
  void end_color_entry();
  RRichRun current_style() const;
  // Characters after \u that stand in for it when it cannot be shown.
  bool skipping_fallback();

  std::string_view bytes_;
  size_t at_ = 0;
  RRichDocument document_;
  RRichParagraph paragraph_;
  RGroupState state_;
  std::vector<RGroupState> saved_;
  size_t overflow_depth_ = 0;  // groups opened past kMaxDepth
  bool next_group_ignorable_ = false;
  int pending_fallback_ = 0;
  int default_font_ = 0;
  std::map<int, std::string> fonts_;
  int table_font_ = 0;  // entry of the font table being read
  std::string table_name_;
  std::vector<uint32_t> colors_;  // entry 0 is automatic when the table starts with ";"
  uint32_t table_color_ = 0;
  bool table_color_set_ = false;
};

RRichDocument CRtfReader::read() {
  while (at_ < bytes_.size()) {
    const char c = bytes_[at_++];
    if (c == '{') {
      pending_fallback_ = 0;
      open_group();
    } else if (c == '}') {
      pending_fallback_ = 0;
      // The document's closing brace: what follows is not part of it, and the last
      // paragraph has the properties set inside it.
      if (saved_.size() == 1 && overflow_depth_ == 0) break;
      close_group();
    } else if (c == '\\') {
      if (at_ >= bytes_.size()) break;
      if (!is_letter(bytes_[at_])) {
        control_symbol(bytes_[at_++]);
        continue;
      }
      const size_t start = at_;
      while (at_ < bytes_.size() && is_letter(bytes_[at_])) ++at_;
      const std::string_view word = bytes_.substr(start, std::min(at_ - start, kMaxWordLength));
      bool negative = false;
      if (at_ + 1 < bytes_.size() && bytes_[at_] == '-' && bytes_[at_ + 1] >= '0' &&
          bytes_[at_ + 1] <= '9') {
        negative = true;
        ++at_;
      }
      bool has_parameter = false;
      long long value = 0;
      while (at_ < bytes_.size() && bytes_[at_] >= '0' && bytes_[at_] <= '9') {
        has_parameter = true;
        value =
            std::min<long long>(value * 10 + (bytes_[at_] - '0'), std::numeric_limits<int>::max());
        ++at_;
      }
      if (at_ < bytes_.size() && bytes_[at_] == ' ') ++at_;  // the delimiter is part of it
      control_word(word, has_parameter, int(negative ? -value : value));
    } else if (c == '\r' || c == '\n') {
      // Line breaks of the file are layout of the file alone.
    } else {
      character(c);
    }
  }
  end_paragraph();
  return std::move(document_);
}

void CRtfReader::open_group() {
  if (saved_.size() >= kMaxDepth) {
    ++overflow_depth_;
    return;
  }
  saved_.push_back(state_);
}

void CRtfReader::close_group() {
  if (overflow_depth_ > 0) {
    --overflow_depth_;
    return;
  }
  if (saved_.empty()) return;
  // An entry left without its ";" is still an entry.
  if (state_.destination == Destination::font_table && !table_name_.empty()) end_font_entry();
  const Destination inner = state_.destination;
  state_ = std::move(saved_.back());
  saved_.pop_back();
  if (inner == Destination::color_table && state_.destination != Destination::color_table &&
      table_color_set_) {
    end_color_entry();
  }
  next_group_ignorable_ = false;
}

RRichRun CRtfReader::current_style() const {
  RRichRun run;
  auto font = fonts_.find(state_.font < 0 ? default_font_ : state_.font);
  if (font != fonts_.end()) run.family = font->second;
  run.half_points = state_.half_points;
  run.bold = state_.bold;
  run.italic = state_.italic;
  run.underline = state_.underline;
  if (state_.color > 0 && size_t(state_.color) < colors_.size()) {
    run.automatic_color = false;
    run.color = colors_[size_t(state_.color)];
  }
  return run;
}

bool CRtfReader::skipping_fallback() {
  if (pending_fallback_ <= 0) return false;
  --pending_fallback_;
  return true;
}

void CRtfReader::text_character(char c) {
  if (state_.destination != Destination::text) return;
  RRichRun style = current_style();
  if (paragraph_.runs.empty() || !paragraph_.runs.back().same_style(style)) {
    paragraph_.runs.push_back(std::move(style));
  }
  paragraph_.runs.back().text += c;
}

void CRtfReader::character(char c) {
  if (skipping_fallback()) return;
  switch (state_.destination) {
    case Destination::text:
      text_character(c);
      break;
    case Destination::font_table:
      if (c == ';') {
        end_font_entry();
      } else if (fonts_.size() < kMaxTableEntries) {
        table_name_ += c;
      }
      break;
    case Destination::color_table:
      if (c == ';') end_color_entry();
      break;
    case Destination::skipped:
      break;
  }
}

void CRtfReader::end_font_entry() {
  std::string name = std::move(table_name_);
  table_name_.clear();
  while (!name.empty() && name.back() == ' ') name.pop_back();
  while (!name.empty() && name.front() == ' ') name.erase(name.begin());
  if (!name.empty() && fonts_.size() < kMaxTableEntries) fonts_[table_font_] = std::move(name);
}

void CRtfReader::end_color_entry() {
  if (colors_.size() < kMaxTableEntries) colors_.push_back(table_color_);
  table_color_ = 0;
  table_color_set_ = false;
}

void CRtfReader::end_paragraph() {
  paragraph_.align = state_.align;
  paragraph_.first_indent = state_.first_indent;
  paragraph_.left_indent = state_.left_indent;
  paragraph_.right_indent = state_.right_indent;
  paragraph_.tab_stops = state_.tab_stops;
  std::sort(paragraph_.tab_stops.begin(), paragraph_.tab_stops.end());
  paragraph_.half_points = state_.half_points;
  document_.paragraphs.push_back(std::move(paragraph_));
  paragraph_ = RRichParagraph();
}

void CRtfReader::control_symbol(char symbol) {
  switch (symbol) {
    case '\'': {
      // Two hex digits; a truncated or bad escape keeps what it has.
      int value = -1;
      if (at_ + 1 < bytes_.size()) {
        const int high = hex_digit(bytes_[at_]);
        const int low = hex_digit(bytes_[at_ + 1]);
        if (high >= 0 && low >= 0) {
          value = high * 16 + low;
          at_ += 2;
        }
      }
      if (value >= 0) character(char(value));
      break;
    }
    case '*':
      next_group_ignorable_ = true;
      break;
    case '{':
    case '}':
    case '\\':
      character(symbol);
      break;
    case '~':
      character(char(0xA0));
      break;
    case '_':
      character('-');
      break;
    case '\r':
    case '\n':
      if (!skipping_fallback() && state_.destination == Destination::text) end_paragraph();
      break;
    case '\t':
      character('\t');
      break;
    default:  // \- (optional hyphen), \| and \: among others show nothing
      skipping_fallback();
      break;
  }
}

void CRtfReader::control_word(std::string_view word, bool has_parameter, int parameter) {
  const bool ignorable = next_group_ignorable_;
  next_group_ignorable_ = false;
  const bool fallback = skipping_fallback();
  const bool on = !has_parameter || parameter != 0;

  // Destinations first: they decide what the rest of the group is.
  if (word == "fonttbl") {
    state_.destination = Destination::font_table;
    table_name_.clear();
    return;
  }
  if (word == "colortbl") {
    state_.destination = Destination::color_table;
    colors_.clear();
    table_color_ = 0;
    table_color_set_ = false;
    return;
  }
  if (ignorable || skipped_destination(word)) {
    state_.destination = Destination::skipped;
    return;
  }
  if (word == "bin") {
    // Raw bytes follow; they may hold braces and backslashes.
    const size_t count = has_parameter && parameter > 0 ? size_t(parameter) : 0;
    at_ += std::min(count, bytes_.size() - at_);
    return;
  }

  if (state_.destination == Destination::font_table) {
    if (word == "f" && has_parameter) {
      if (!table_name_.empty()) end_font_entry();
      table_font_ = parameter;
    }
    return;
  }
  if (state_.destination == Destination::color_table) {
    const uint32_t level = uint32_t(std::clamp(parameter, 0, 255));
    if (word == "red") {
      table_color_ = (table_color_ & 0x00FFFFu) | (level << 16);
      table_color_set_ = true;
    } else if (word == "green") {
      table_color_ = (table_color_ & 0xFF00FFu) | (level << 8);
      table_color_set_ = true;
    } else if (word == "blue") {
      table_color_ = (table_color_ & 0xFFFF00u) | level;
      table_color_set_ = true;
    }
    return;
  }
  if (state_.destination == Destination::skipped) return;

  if (word == "u" && has_parameter) {
    if (fallback) return;
    if (const std::optional<char> c = unicode_to_cp1252(parameter)) {
      character(*c);
      pending_fallback_ = std::clamp(state_.unicode_skip, 0, 16);
    }
    // Without a Windows-1252 character the fallback text is what is shown.
    return;
  }
  if (fallback) return;

  if (word == "par" || word == "page" || word == "sect") {
    end_paragraph();
  } else if (word == "line") {
    text_character('\n');
  } else if (word == "tab") {
    text_character('\t');
  } else if (word == "emdash") {
    character(char(0x97));
  } else if (word == "endash") {
    character(char(0x96));
  } else if (word == "bullet") {
    character(char(0x95));
  } else if (word == "lquote") {
    character(char(0x91));
  } else if (word == "rquote") {
    character(char(0x92));
  } else if (word == "ldblquote") {
    character(char(0x93));
  } else if (word == "rdblquote") {
    character(char(0x94));
  } else if (word == "uc" && has_parameter) {
    state_.unicode_skip = std::clamp(parameter, 0, 16);
  } else if (word == "deff" && has_parameter) {
    default_font_ = parameter;
  } else if (word == "deftab" && has_parameter && parameter > 0) {
    document_.default_tab = std::min(parameter, 1 << 20);
  } else if (word == "plain") {
    state_.font = -1;
    state_.half_points = 24;
    state_.bold = state_.italic = state_.underline = false;
    state_.color = 0;
  } else if (word == "f" && has_parameter) {
    state_.font = parameter;
  } else if (word == "fs" && has_parameter) {
    state_.half_points = parameter > 0 ? std::min(parameter, kMaxHalfPoints) : 24;
  } else if (word == "b") {
    state_.bold = on;
  } else if (word == "i") {
    state_.italic = on;
  } else if (word == "ulnone") {
    state_.underline = false;
  } else if (word.substr(0, 2) == "ul" && word != "ulc") {
    state_.underline = on;
  } else if (word == "cf" && has_parameter) {
    state_.color = std::max(parameter, 0);
  } else if (word == "pard") {
    state_.align = RichAlign::left;
    state_.first_indent = state_.left_indent = state_.right_indent = 0;
    state_.tab_stops.clear();
  } else if (word == "ql" || word == "qj" || word == "qd") {
    state_.align = RichAlign::left;
  } else if (word == "qc") {
    state_.align = RichAlign::centre;
  } else if (word == "qr") {
    state_.align = RichAlign::right;
  } else if (word == "fi" && has_parameter) {
    state_.first_indent = std::clamp(parameter, -(1 << 20), 1 << 20);
  } else if (word == "li" && has_parameter) {
    state_.left_indent = std::clamp(parameter, 0, 1 << 20);
  } else if (word == "ri" && has_parameter) {
    state_.right_indent = std::clamp(parameter, 0, 1 << 20);
  } else if ((word == "tx" || word == "tb") && has_parameter && parameter > 0 &&
             state_.tab_stops.size() < kMaxTabStops) {
    state_.tab_stops.push_back(std::min(parameter, 1 << 20));
  }
  // Every other word changes nothing we show.
}

RRichDocument read_plain_text(std::string_view bytes) {
  RRichDocument document;
  RRichParagraph paragraph;
  auto finish = [&] {
    document.paragraphs.push_back(std::move(paragraph));
    paragraph = RRichParagraph();
  };
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      finish();
      continue;
    }
    if (paragraph.runs.empty()) paragraph.runs.emplace_back();
    paragraph.runs.back().text += c;
  }
  if (!paragraph.runs.empty() || document.paragraphs.empty()) finish();
  return document;
}

}  // namespace

RRichDocument read_rich_text(std::string_view bytes) {
  size_t start = 0;
  while (start < bytes.size() && (bytes[start] == ' ' || bytes[start] == '\t' ||
                                  bytes[start] == '\r' || bytes[start] == '\n')) {
    ++start;
  }
  if (bytes.substr(start, 5) != "{\\rtf") return read_plain_text(bytes);
  RRichDocument document = CRtfReader(bytes.substr(start)).read();
  // The paragraph after the last \par holds nothing unless text followed it.
  if (document.paragraphs.size() > 1 && document.paragraphs.back().runs.empty()) {
    document.paragraphs.pop_back();
  }
  return document;
}

std::string rich_plain_text(const RRichDocument& document) {
  std::string text;
  for (const RRichParagraph& paragraph : document.paragraphs) {
    for (const RRichRun& run : paragraph.runs) text += run.text;
    text += "\r\n";
  }
  return text;
}

}  // namespace vn
