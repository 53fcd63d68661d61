// vnrun: plays the game appended to its own executable. It takes no options of its own;
// every parameter belongs to the game's scripts.
#include <string>
#include <vector>

#include "library/Function_File.h"
#include "platform/Platform_Process.h"
#include "platform/Platform_Video.h"
#include "runner/Runner_Form.h"
#include "runner/Support_File.h"

int main(int argc, char** argv) {
  vn::set_program_parameters(std::vector<std::string>(argv, argv + argc));
  vn::init_temp_folder();
  int status;
  {
    vn::TRunnerForm form;
    status = form.run(vn::executable_path()) ? 0 : 1;
  }
  vn::shutdown_video();
  vn::remove_temp_folder();
  return status;
}
