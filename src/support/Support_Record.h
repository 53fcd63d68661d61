// What every stored record reader shares: the data error, the version check, the
// hooks a reader may need from the rest of the program, and the resource list.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "support/Support_Stream.h"

namespace vn {

// A record that reads but does not make sense (wrong version, impossible count):
// the section it belongs to fails. A read past the end is a StreamError instead.
class DataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline void expect_version(CStream& stream, int32_t version) {
  int32_t stored = read_int(stream);
  if (stored != version) {
    throw DataError("version " + std::to_string(stored) + " where " + std::to_string(version) +
                    " was expected");
  }
}

// A stored count: negative is a data error; more elements than could fit in the
// bytes left is a read past the end.
inline size_t read_count(CStream& stream, size_t min_element_size) {
  int32_t count = read_int(stream);
  if (count < 0) {
    throw DataError("negative count " + std::to_string(count));
  }
  return stream.checked_count(count, min_element_size);
}

// Services a reader may call while reading.
struct RRecordContext {
  // The index of a function by name, or -1 when there is none. When unset, names are
  // kept but not resolved (tools that only inspect or convert game files).
  std::function<int(const std::string&)> resolve_function;
  // A plain message to the player; reading goes on.
  std::function<void(const std::string&)> message;
};

// A resource kind's list: the position is the resource's id; an empty slot (a
// deleted resource) is a null entry with an empty name.
template <typename T>
struct TResourceList {
  std::vector<std::unique_ptr<T>> items;
  std::vector<std::string> names;

  size_t size() const { return items.size(); }
  bool exists(int64_t index) const {
    return index >= 0 && size_t(index) < items.size() && items[size_t(index)] != nullptr;
  }
  T* get(int64_t index) const { return exists(index) ? items[size_t(index)].get() : nullptr; }
  void clear() {
    items.clear();
    names.clear();
  }
  void add(std::string name, std::unique_ptr<T> item) {
    items.push_back(std::move(item));
    names.push_back(item_name(std::move(name)));
  }

  // The rules every kind of resource shares at run time.
  // The name of an existing resource, "<undefined>" otherwise.
  std::string name_of(int64_t index) const {
    return exists(index) ? names[size_t(index)] : std::string("<undefined>");
  }
  // Appended as a new slot named after its kind and id ("__newsprite" and 12); its id.
  int32_t add_new(std::string_view prefix, std::unique_ptr<T> item) {
    const auto index = int32_t(items.size());
    add(std::string(prefix) + std::to_string(index), std::move(item));
    return index;
  }
  // Copies the source into the target slot, putting a fresh object there first when it is
  // empty (a deleted id filled again); false unless the source exists and the target is a
  // slot of the list. copy(target, source) does the copying.
  template <typename Copy>
  bool assign(int64_t target, int64_t source, Copy&& copy) {
    if (!exists(source) || target < 0 || size_t(target) >= items.size()) return false;
    if (target == source) return true;
    std::unique_ptr<T>& slot = items[size_t(target)];
    if (!slot) slot = std::make_unique<T>();
    copy(*slot, *items[size_t(source)]);
    return true;
  }
  // Frees the resource and empties its slot and name; the id is never reused. False when
  // there was none.
  bool remove(int64_t index) {
    if (!exists(index)) return false;
    items[size_t(index)].reset();
    names[size_t(index)].clear();
    return true;
  }

 private:
  std::string item_name(std::string name) { return items.back() ? std::move(name) : std::string(); }
};

}  // namespace vn
