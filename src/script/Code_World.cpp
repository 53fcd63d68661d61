#include "script/Code_World.h"

namespace vn {

namespace {
class CEmptyWorld final : public IScriptWorld {
 public:
  CInstanceBase* find_instance(int32_t) override { return nullptr; }
  CInstanceBase* first_instance(int32_t) override { return nullptr; }
  void collect_instances(int32_t, std::vector<CInstanceBase*>&) override {}
};

CEmptyWorld empty_world;
IScriptWorld* current_world = &empty_world;
}  // namespace

IScriptWorld& script_world() { return *current_world; }
void set_script_world(IScriptWorld* world) { current_world = world ? world : &empty_world; }

}  // namespace vn
