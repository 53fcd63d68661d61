// The script value: a real or a string. Strings are immutable, reference-counted byte
// strings (Windows-1252 text), so copying a value never copies its text.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <utility>

namespace vn {

// An immutable byte string shared by reference. The empty string holds no buffer.
// Reference counts are plain integers: everything runs on one thread.
class RString {
 public:
  RString() = default;
  RString(std::string_view text);  // NOLINT: strings convert freely
  RString(const char* text) : RString(std::string_view(text)) {}
  RString(const std::string& text) : RString(std::string_view(text)) {}
  RString(const RString& other) : rep_(other.rep_) {
    if (rep_) ++rep_->references;
  }
  RString(RString&& other) noexcept : rep_(other.rep_) { other.rep_ = nullptr; }
  RString& operator=(const RString& other) {
    Rep* kept = other.rep_;  // read first: other may be this very string
    if (kept) ++kept->references;
    release();
    rep_ = kept;
    return *this;
  }
  RString& operator=(RString&& other) noexcept {
    if (this != &other) {
      release();
      rep_ = other.rep_;
      other.rep_ = nullptr;
    }
    return *this;
  }
  ~RString() { release(); }

  void swap(RString& other) noexcept { std::swap(rep_, other.rep_); }

  size_t size() const { return rep_ ? rep_->size : 0; }
  bool empty() const { return rep_ == nullptr; }
  const char* data() const { return rep_ ? rep_->data : ""; }
  std::string_view view() const { return rep_ ? std::string_view(rep_->data, rep_->size) : ""; }
  std::string str() const { return std::string(view()); }
  unsigned char operator[](size_t i) const { return static_cast<unsigned char>(rep_->data[i]); }

  // Byte-wise comparison: the difference of the first differing bytes (unsigned), or of
  // the lengths when one is a prefix of the other.
  static int compare(const RString& a, const RString& b);
  friend bool operator==(const RString& a, const RString& b) {
    return a.rep_ == b.rep_ || a.view() == b.view();
  }

 private:
  struct Rep {
    uint32_t references;
    uint32_t size;
    char data[1];
  };
  void release() {
    if (rep_ && --rep_->references == 0) free_rep(rep_);
    rep_ = nullptr;
  }
  static void free_rep(Rep* rep);
  Rep* rep_ = nullptr;
};

enum ValueKind : int32_t { kReal = 0, kString = 1 };

// Both fields are kept; only the one named by kind is meaningful. The default is real 0.
struct RValue {
  int32_t kind = kReal;
  double real = 0.0;
  RString string;

  RValue() = default;
  RValue(double value) : real(value) {}                               // NOLINT
  RValue(RString value) : kind(kString), string(std::move(value)) {}  // NOLINT
  RValue(const char* value) : kind(kString), string(value) {}         // NOLINT
  RValue(const std::string& value) : kind(kString), string(value) {}  // NOLINT

  bool is_real() const { return kind == kReal; }
  bool is_string() const { return kind == kString; }
  void set_real(double value) {
    kind = kReal;
    real = value;
  }
  void set_string(RString value) {
    kind = kString;
    string = std::move(value);
  }
  // The language's truth: a real of at least 0.5.
  bool truth() const { return real >= 0.5; }

  void swap(RValue& other) noexcept {
    std::swap(kind, other.kind);
    std::swap(real, other.real);
    string.swap(other.string);
  }
};

// Round half to even to a 64-bit integer, as every rounding of the language does. Values
// out of range are clamped and NaN gives 0, instead of the undefined conversion.
inline int64_t round_to_int64(double value) {
  double rounded = std::nearbyint(value);
  if (!(rounded == rounded)) return 0;
  if (rounded >= 9223372036854775807.0) return std::numeric_limits<int64_t>::max();
  if (rounded <= -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return static_cast<int64_t>(rounded);
}

// The same, taken as a 32-bit integer (array indices, scopes, identifiers).
inline int32_t round_to_int32(double value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(round_to_int64(value))));
}

// Arguments of built-in functions read the field their kind names: a string read as a
// number is 0, a real read as text is empty. Families bring these in with using.
namespace arguments {
inline double number(const RValue& value) { return value.is_string() ? 0.0 : value.real; }
inline int32_t integer(const RValue& value) { return round_to_int32(number(value)); }
inline int64_t rounded(const RValue& value) { return round_to_int64(number(value)); }
inline bool boolean(const RValue& value) { return number(value) >= 0.5; }
inline std::string text(const RValue& value) { return value.is_string() ? value.string.str() : ""; }
}  // namespace arguments

}  // namespace vn
