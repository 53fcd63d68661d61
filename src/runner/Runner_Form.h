// The runner's life after the temp folder exists: load the game file carried by the
// executable, prepare what was read, hand over to the step cycle, clean up.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "runner/Runner_Game.h"

namespace vn {

class TErrorForm;
class TLoadForm;

class TRunnerForm {
 public:
  TRunnerForm();
  ~TRunnerForm();
  TRunnerForm(const TRunnerForm&) = delete;
  TRunnerForm& operator=(const TRunnerForm&) = delete;

  // Plays the game carried by the executable. True when the game started (and has now
  // ended); false when it could not be loaded or prepared, after the one message that
  // says why. The clean-up runs only after a successful start.
  bool run(const std::filesystem::path& executable);

  const CGameData& game() const { return game_; }

 private:
  bool start_sequence(const std::filesystem::path& executable);
  bool load_game(const std::filesystem::path& executable);
  bool prepare_game();
  void install_game(const std::filesystem::path& executable);
  bool fail_preparation(const std::string& message);
  void clean_up();
  RExportContext export_context() const;

  CGameData game_;
  std::unique_ptr<TLoadForm> load_form_;
  std::unique_ptr<TErrorForm> error_form_;
};

}  // namespace vn
