// Any text given to a container's read either replaces its contents with something that
// writes back to the same text, or is refused (or ignored as another kind's) and leaves
// the contents as they were. Each input is tried as text and, so that the fuzzer reaches
// the layouts behind the hexadecimal, as the hexadecimal text of its bytes.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "library/Support_Data_Structures.h"

namespace {

template <class Container>
void try_read(Container container, std::string_view text) {
  std::string before = vn::write_text(container);
  vn::DsRead status;
  try {
    status = vn::read_text(container, text);
  } catch (const std::exception&) {
    if (vn::write_text(container) != before) std::abort();
    return;
  }
  std::string after = vn::write_text(container);
  if (status == vn::DsRead::kOtherKind) {
    if (after != before) std::abort();
    return;
  }
  // What was read writes back as it was read, and reads again to the same.
  Container again;
  if (vn::read_text(again, after) != vn::DsRead::kRead || vn::write_text(again) != after) {
    std::abort();
  }
}

// Containers with something in them, so that a refused read has contents to keep.
template <class Container>
Container filled();

template <>
vn::CDS_Stack filled() {
  vn::CDS_Stack stack;
  stack.push(vn::RValue(1.0));
  stack.push(vn::RValue("s"));
  return stack;
}

template <>
vn::CDS_Queue filled() {
  vn::CDS_Queue queue;
  queue.enqueue(vn::RValue(2.0));
  return queue;
}

template <>
vn::CDS_List filled() {
  vn::CDS_List list;
  list.add(vn::RValue("l"));
  return list;
}

template <>
vn::CDS_Map filled() {
  vn::CDS_Map map;
  map.add(vn::RValue(3.0), vn::RValue("m"));
  return map;
}

template <>
vn::CDS_Priority filled() {
  vn::CDS_Priority priority;
  priority.add(vn::RValue("p"), vn::RValue(4.0));
  return priority;
}

void try_every_kind(std::string_view text) {
  try_read(filled<vn::CDS_Stack>(), text);
  try_read(filled<vn::CDS_Queue>(), text);
  try_read(filled<vn::CDS_List>(), text);
  try_read(filled<vn::CDS_Map>(), text);
  try_read(filled<vn::CDS_Priority>(), text);
  try_read(vn::CDS_Grid(2, 1), text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try_every_kind(text);
  vn::CStream bytes;
  bytes.write(data, size);
  try_every_kind(vn::to_hex(bytes));
  return 0;
}
