#include "graphics/Sound_Main.h"

#include <exception>

#include "graphics/Sound_Device.h"
#include "world/Run_Global.h"

namespace vn {

CSound* sound_at(int64_t index) {
  TResourceList<CSound>* sounds = world_resources().sounds;
  return sounds ? sounds->get(index) : nullptr;
}

std::string sound_name(int64_t index) {
  const TResourceList<CSound>* sounds = world_resources().sounds;
  return sounds ? sounds->name_of(index) : "<undefined>";
}

int add_sound(std::unique_ptr<CSound> sound) {
  return world_resources().sounds->add_new("__newsound", std::move(sound));
}

bool delete_sound(int64_t index) {
  TResourceList<CSound>* sounds = world_resources().sounds;
  if (sounds == nullptr || !sounds->exists(index)) return false;
  sounds->items[size_t(index)]->release();
  return sounds->remove(index);
}

bool start_sound_system(bool headless) {
  CSoundDevice& device = sound_device();
  const bool opened = device.init(headless ? AudioOutput::kLoopback : AudioOutput::kDevice);
  device.set_global_volume(1);
  return opened;
}

bool prepare_sounds() {
  TResourceList<CSound>* sounds = world_resources().sounds;
  if (sounds == nullptr) return true;
  try {
    for (const auto& sound : sounds->items) {
      if (sound && sound->preload) sound->prepare();
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

void end_sound_system() {
  if (TResourceList<CSound>* sounds = world_resources().sounds) {
    for (const auto& sound : sounds->items) {
      if (sound) sound->release();
    }
  }
  sound_device().done();
}

}  // namespace vn
