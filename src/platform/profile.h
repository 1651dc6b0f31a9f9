#pragma once
// The profile folder holds everything the program keeps: settings, the share
// database, the transfer and completed lists, the word list and the logs.
#include <filesystem>
#include <optional>
#include <string>

namespace velorin {

struct ProfileLocation {
    std::filesystem::path folder;
    // True when neither --home nor VELORIN_HOME chose the folder.
    bool isDefault = false;
};

// --home DIR, else $VELORIN_HOME, else $XDG_DATA_HOME/velorin. Always absolute.
ProfileLocation ResolveProfile(const std::optional<std::string>& homeArgument);

// Creates a missing folder with mode 0700; an existing empty folder counts as
// new as well and is narrowed to 0700. `isNew` tells the caller to provision it.
bool PrepareProfileFolder(const std::filesystem::path& folder, bool& isNew, std::string& error);

}  // namespace velorin
