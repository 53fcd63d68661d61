// The pictures of the 14 built-in particle shapes: white, their form in the alpha, made by
// the program itself, the origin at their centre.
#pragma once

#include <cstdint>
#include <vector>

namespace vn {

// The alpha of a shape's picture, kShapePictureSize squared bytes, row by row; the shape
// number is taken within 0 ... 13.
const std::vector<uint8_t>& particle_shape_alpha(int shape);

}  // namespace vn
