// The d3d_model_* functions of the game's scripts: a table of models that scripts fill
// with records, save to and load from their text files, and draw.
#pragma once

namespace vn {

class C3D_Model;

void register_3d_model_functions();

// The model a handle names, or null.
C3D_Model* model_at(int handle);

// A new game: every model is destroyed.
void reset_3d_models();

}  // namespace vn
