// A store of named variables with two-level arrays: the variables of an instance, the
// global variables, and the var locals of one run of a code piece.
#pragma once

#include <cstdint>
#include <vector>

#include "script/Code_Value.h"
#include "support/Support_Stream.h"

namespace vn {

// Flattened array index: a[i] is i, a[i, j] is i * 32000 + j; 0 is the plain value.
constexpr int32_t kArrayRowSize = 32000;

struct RVariable {
  int32_t id = 0;
  RValue value;                           // also the cell of index 0
  std::vector<std::vector<RValue>> rows;  // every other index n: rows[n / 32000][n % 32000]
};

class CVariableList {
 public:
  CVariableList() = default;
  CVariableList(const CVariableList& other) { assign(other); }
  CVariableList& operator=(const CVariableList& other) {
    if (this != &other) assign(other);
    return *this;
  }

  // The variable or null. The store never reports errors; callers decide.
  RVariable* find(int32_t id) {
    if (index_.empty()) {
      for (size_t i = variables_.size(); i-- > 0;) {
        if (variables_[i].id == id) return &variables_[i];
      }
      return nullptr;
    }
    return find_indexed(id);
  }
  const RVariable* find(int32_t id) const { return const_cast<CVariableList*>(this)->find(id); }

  // As find, trying the remembered position first: instances of one object usually hold
  // their variables in the same order, so one hint serves them all.
  RVariable* find_hinted(int32_t id, uint32_t& hint) {
    if (hint < variables_.size() && variables_[hint].id == id) return &variables_[hint];
    RVariable* found = find(id);
    if (found) hint = uint32_t(found - variables_.data());
    return found;
  }

  // Copies the cell into out; false when the variable or the cell does not exist (the
  // caller applies the uninitialised-as-zero setting).
  bool get(int32_t id, int32_t index, RValue& out) const;
  // The cell, created with its variable and grown rows as needed.
  RValue& cell(int32_t id, int32_t index);
  void set(int32_t id, int32_t index, const RValue& value) { cell(id, index) = value; }
  // The variable, appended with the value real 0 when absent.
  RVariable& declare(int32_t id);

  void clear();
  void assign(const CVariableList& other);
  size_t count() const { return variables_.size(); }
  const std::vector<RVariable>& variables() const { return variables_; }

  // Version 440, the count, then per variable its id, value and rows.
  void save(CStream& stream) const;
  // Clears first; reads nothing more when the version is not 440.
  void load(CStream& stream);

 private:
  RVariable* find_indexed(int32_t id);
  void rebuild_index();

  std::vector<RVariable> variables_;  // in creation order, as saved
  // Open addressing over positions + 1 (0 = free), built once the store grows past a few
  // variables; the last variable with an id wins, as a search from the end would find.
  std::vector<uint32_t> index_;
};

// One cell of a variable, or null when it does not exist.
const RValue* variable_cell(const RVariable& variable, int32_t index);

}  // namespace vn
