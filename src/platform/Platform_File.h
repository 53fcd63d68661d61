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

}  // namespace vn
