#include "runner/Runner_Names.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "runner/Runner_Game.h"
#include "script/Code_Constant.h"

namespace vn {

namespace {

using NameIndex = std::unordered_map<std::string, int>;

// The first existing resource of a name wins.
template <typename T>
NameIndex index_names(const TResourceList<T>& list) {
  NameIndex index;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list.items[i]) index.emplace(list.names[i], int(i));
  }
  return index;
}

}  // namespace

void install_resource_constants(const CGameData& game) {
  auto tables = std::make_shared<std::vector<NameIndex>>();
  tables->push_back(index_names(game.objects));
  tables->push_back(index_names(game.sprites));
  tables->push_back(index_names(game.sounds));
  tables->push_back(index_names(game.backgrounds));
  tables->push_back(index_names(game.paths));
  tables->push_back(index_names(game.fonts));
  tables->push_back(index_names(game.timelines));
  tables->push_back(index_names(game.scripts));
  tables->push_back(index_names(game.rooms));
  NameIndex triggers;
  for (size_t i = 0; i < game.triggers.size(); ++i) {
    const CTrigger* trigger = game.triggers[i].get();
    if (trigger && !trigger->constant_name.empty()) triggers.emplace(trigger->constant_name, int(i));
  }
  tables->push_back(std::move(triggers));
  set_resource_constants([tables](std::string_view name, double& value) {
    std::string key(name);
    for (const NameIndex& table : *tables) {
      auto found = table.find(key);
      if (found != table.end()) {
        value = found->second;
        return true;
      }
    }
    return false;
  });
}

}  // namespace vn
