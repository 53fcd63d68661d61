// The dialog functions of scripts: a colour, a file to open or save, a folder, and the
// game's own error message. Shown in the desktop's dialogs or the runner's forms; a run
// without a screen takes each answer from the queue vn run --input fills.
#pragma once

namespace vn {

void register_dialog_functions();

}  // namespace vn
