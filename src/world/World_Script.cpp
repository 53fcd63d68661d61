#include "world/World_Script.h"

#include "script/Code_World.h"
#include "world/Room_Main.h"

namespace vn {

namespace {

constexpr int32_t kAll = -3;
constexpr int32_t kFirstInstanceId = 100000;

CInstance* first_alive(const std::vector<CInstance*>& list) {
  for (CInstance* instance : list) {
    if (!instance->destroyed) return instance;
  }
  return nullptr;
}

class CRoomWorld final : public IScriptWorld {
 public:
  CInstanceBase* find_instance(int32_t id) override {
    CLiveRoom* room = current_room();
    return room ? room->find_instance(id) : nullptr;
  }

  CInstanceBase* first_instance(int32_t scope) override {
    CLiveRoom* room = current_room();
    if (!room) return nullptr;
    if (scope == kAll) {
      for (const auto& instance : room->instances()) {
        if (!instance->destroyed) return instance.get();
      }
      return nullptr;
    }
    if (scope < 0 || scope >= kFirstInstanceId) return nullptr;
    return first_alive(room->family_list(scope));
  }

  void collect_instances(int32_t scope, std::vector<CInstanceBase*>& out) override {
    CLiveRoom* room = current_room();
    if (!room) return;
    if (scope == kAll) {
      for (const auto& instance : room->instances()) out.push_back(instance.get());
      return;
    }
    if (scope < 0 || scope >= kFirstInstanceId) return;
    const std::vector<CInstance*>& family = room->family_list(scope);
    out.insert(out.end(), family.begin(), family.end());
  }
};

CRoomWorld room_world;

}  // namespace

void install_script_world() { set_script_world(&room_world); }

}  // namespace vn
