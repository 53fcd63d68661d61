// File-system operations that need more care than std::filesystem offers.
#pragma once

#include <filesystem>

namespace vn {

enum class FolderCreation { created, name_taken, failed };

// Creates one folder readable and writable by its owner only (mode 0700), in one step, so
// that nobody else can get into it first. The parent must exist. name_taken when anything
// (folder, file, link) already has the name.
FolderCreation create_private_folder(const std::filesystem::path& path);

// Removes a folder and everything in it without ever following a symbolic link: a link
// inside is removed as a link and its target stays. Every step works relative to a folder
// opened without following links, so replacing a sub-folder by a link while the removal
// runs cannot lead it outside. A root that is itself a link or a file is removed as such.
// A missing root is not an error. False when something could not be removed.
bool remove_tree_no_follow(const std::filesystem::path& root);

// Marks a folder this process made as held by it for as long as it lives: a file in it that
// the process keeps locked. The system drops the lock when the process ends, however it
// ends, so a mark nobody holds belongs to a dead process. Gives the handle that holds it,
// -1 when the mark could not be made.
int hold_folder(const std::filesystem::path& folder);
// Lets go of a folder held by hold_folder (after removing it, typically).
void release_folder(int hold);

// Removes the folder (as remove_tree_no_follow) when it is one of ours whose holder is gone:
// it carries a mark that no live process holds. A folder without a mark, another user's, or
// one still held is left alone. True when it was removed.
bool remove_folder_if_abandoned(const std::filesystem::path& folder);

}  // namespace vn
