// The script functions of particle types, systems, their parts and the ready-made effects.
#pragma once

namespace vn {

void register_particle_functions();

}  // namespace vn
