#include "platform/profile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

#include "platform/error_text.h"
#include "platform/paths.h"

namespace velorin {
namespace fs = std::filesystem;

ProfileLocation ResolveProfile(const std::optional<std::string>& homeArgument) {
    ProfileLocation location;
    if (homeArgument && !homeArgument->empty()) {
        location.folder = *homeArgument;
    } else if (const char* env = std::getenv("VELORIN_HOME"); env && *env) {
        location.folder = env;
    } else {
        location.folder = DataHome() / "velorin";
        location.isDefault = true;
    }
    std::error_code ec;
    fs::path absolute = fs::absolute(location.folder, ec);
    if (!ec) location.folder = absolute.lexically_normal();
    // "dir/" and "dir" must name the same profile.
    if (location.folder.has_parent_path() && !location.folder.has_filename()) {
        location.folder = location.folder.parent_path();
    }
    return location;
}

bool PrepareProfileFolder(const fs::path& folder, bool& isNew, std::string& error) {
    std::error_code ec;
    isNew = false;
    if (fs::exists(folder, ec)) {
        if (!fs::is_directory(folder, ec)) {
            error = folder.string() + ": " + ErrorText(ENOTDIR);
            return false;
        }
        if (fs::is_empty(folder, ec) && !ec) {
            isNew = true;
            chmod(folder.c_str(), 0700);
        }
        return true;
    }
    if (folder.has_parent_path()) fs::create_directories(folder.parent_path(), ec);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = folder.string() + ": " + ErrorText(errno);
        return false;
    }
    isNew = true;
    return true;
}

}  // namespace velorin
