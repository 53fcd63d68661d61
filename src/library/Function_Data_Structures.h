// The built-in functions of the data structures and their handle tables. A handle is the
// index of a container in the table of its kind; the kinds count independently, and a new
// container takes the lowest free handle of its kind.
#pragma once

namespace vn {

// Registers the 110 functions of the family, in the order of the vocabulary.
void register_data_structure_functions();

// A new game: every container is destroyed, every table emptied, and the comparison
// precision is back at its default.
void reset_data_structures();

}  // namespace vn
