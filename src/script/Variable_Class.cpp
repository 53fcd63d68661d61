#include "script/Variable_Class.h"

namespace vn {

namespace {
constexpr size_t kIndexThreshold = 8;

uint32_t slot_of(int32_t id, size_t mask) {
  uint32_t h = uint32_t(id) * 2654435761u;
  return (h >> 7) & uint32_t(mask);
}
}  // namespace

const RValue* variable_cell(const RVariable& variable, int32_t index) {
  if (index == 0) return &variable.value;
  if (index < 0) return nullptr;
  size_t row = size_t(index) / kArrayRowSize;
  size_t column = size_t(index) % kArrayRowSize;
  if (row >= variable.rows.size() || column >= variable.rows[row].size()) return nullptr;
  return &variable.rows[row][column];
}

bool CVariableList::get(int32_t id, int32_t index, RValue& out) const {
  const RVariable* variable = find(id);
  if (!variable) return false;
  const RValue* cell = variable_cell(*variable, index);
  if (!cell) return false;
  out = *cell;
  return true;
}

RVariable& CVariableList::declare(int32_t id) {
  if (RVariable* existing = find(id)) return *existing;
  variables_.push_back(RVariable{id, RValue(), {}});
  if (!index_.empty() && variables_.size() * 2 <= index_.size()) {
    size_t mask = index_.size() - 1;
    uint32_t slot = slot_of(id, mask);
    while (index_[slot] != 0) slot = (slot + 1) & uint32_t(mask);
    index_[slot] = uint32_t(variables_.size());
  } else if (variables_.size() > kIndexThreshold) {
    rebuild_index();
  }
  return variables_.back();
}

RValue& CVariableList::cell(int32_t id, int32_t index) {
  RVariable& variable = declare(id);
  if (index == 0) return variable.value;
  size_t row = size_t(index) / kArrayRowSize;
  size_t column = size_t(index) % kArrayRowSize;
  if (variable.rows.size() <= row) variable.rows.resize(row + 1);
  std::vector<RValue>& cells = variable.rows[row];
  if (cells.size() <= column) cells.resize(column + 1);
  return cells[column];
}

RVariable* CVariableList::find_indexed(int32_t id) {
  size_t mask = index_.size() - 1;
  for (uint32_t slot = slot_of(id, mask);; slot = (slot + 1) & uint32_t(mask)) {
    uint32_t entry = index_[slot];
    if (entry == 0) return nullptr;
    if (variables_[entry - 1].id == id) return &variables_[entry - 1];
  }
}

void CVariableList::rebuild_index() {
  size_t size = 16;
  while (size < variables_.size() * 2) size *= 2;
  index_.assign(size, 0);
  size_t mask = size - 1;
  // Later entries win for a repeated id, as a search from the end would find them.
  for (size_t i = variables_.size(); i-- > 0;) {
    uint32_t slot = slot_of(variables_[i].id, mask);
    bool seen = false;
    while (index_[slot] != 0) {
      if (variables_[index_[slot] - 1].id == variables_[i].id) {
        seen = true;
        break;
      }
      slot = (slot + 1) & uint32_t(mask);
    }
    if (!seen) index_[slot] = uint32_t(i + 1);
  }
}

void CVariableList::clear() {
  variables_.clear();
  index_.clear();
}

void CVariableList::assign(const CVariableList& other) {
  variables_ = other.variables_;
  index_ = other.index_;
}

constexpr int32_t kStoreVersion = 440;

static void write_value(CStream& stream, const RValue& value) {
  write_int(stream, value.kind);
  write_real(stream, value.real);
  write_string(stream, value.string.view());
}

static RValue read_value(CStream& stream) {
  RValue value;
  value.kind = read_int(stream);
  value.real = read_real(stream);
  value.string = RString(read_string(stream));
  return value;
}

void CVariableList::save(CStream& stream) const {
  write_int(stream, kStoreVersion);
  write_int(stream, int32_t(variables_.size()));
  for (const RVariable& variable : variables_) {
    write_int(stream, variable.id);
    write_value(stream, variable.value);
    write_int(stream, int32_t(variable.rows.size()));
    for (const std::vector<RValue>& row : variable.rows) {
      write_int(stream, int32_t(row.size()));
      for (const RValue& cell : row) write_value(stream, cell);
    }
  }
}

void CVariableList::load(CStream& stream) {
  clear();
  if (read_int(stream) != kStoreVersion) return;
  // A variable takes at least 24 bytes, a cell 16: counts beyond the data are corrupt.
  size_t count = stream.checked_count(read_int(stream), 24);
  for (size_t i = 0; i < count; ++i) {
    RVariable variable;
    variable.id = read_int(stream);
    variable.value = read_value(stream);
    size_t rows = stream.checked_count(read_int(stream), 4);
    if (rows > kArrayRowSize) throw StreamError("Too many array rows");
    variable.rows.resize(rows);
    for (std::vector<RValue>& row : variable.rows) {
      size_t cells = stream.checked_count(read_int(stream), 16);
      if (cells > kArrayRowSize) throw StreamError("Too many array cells");
      row.reserve(cells);
      for (size_t c = 0; c < cells; ++c) row.push_back(read_value(stream));
    }
    variables_.push_back(std::move(variable));
  }
  if (variables_.size() > kIndexThreshold) rebuild_index();
}

}  // namespace vn
