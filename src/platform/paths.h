#pragma once
// Where the user's folders are, as the freedesktop conventions place them.
#include <filesystem>

namespace velorin {

std::filesystem::path HomeFolder();
// $XDG_CONFIG_HOME, else ~/.config
std::filesystem::path ConfigHome();
// $XDG_DATA_HOME, else ~/.local/share
std::filesystem::path DataHome();
// XDG_DOCUMENTS_DIR from user-dirs.dirs, else ~/Documents; created when missing.
std::filesystem::path DocumentsFolder();
std::filesystem::path ExecutablePath();

}  // namespace velorin
