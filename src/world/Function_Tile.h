// The tile functions of scripts: tiles of the current room found by id, by point or by
// depth layer, read, changed, added and deleted.
#pragma once

namespace vn {

void register_tile_functions();

}  // namespace vn
