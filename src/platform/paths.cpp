#include "platform/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

namespace velorin {
namespace fs = std::filesystem;

namespace {

fs::path FromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    // Relative values are invalid by the conventions and are ignored.
    if (value && value[0] == '/') return fs::path(value);
    return {};
}

// Parses one line of user-dirs.dirs: XDG_DOCUMENTS_DIR="$HOME/Documents"
fs::path ParseUserDir(const std::string& line, const fs::path& home) {
    const std::string prefix = "XDG_DOCUMENTS_DIR=";
    if (line.compare(0, prefix.size(), prefix) != 0) return {};
    std::string value = line.substr(prefix.size());
    if (value.size() < 2 || value.front() != '"' || value.back() != '"') return {};
    value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) {
        std::string rest = value.substr(5);
        if (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
        // "$HOME/" alone means the home folder itself, which the conventions call disabled.
        return rest.empty() ? fs::path() : home / rest;
    }
    return value.front() == '/' ? fs::path(value) : fs::path();
}

}  // namespace

fs::path HomeFolder() {
    fs::path home = FromEnvironment("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return fs::path(pw->pw_dir);
    return fs::path("/");
}

fs::path ConfigHome() {
    fs::path p = FromEnvironment("XDG_CONFIG_HOME");
    return p.empty() ? HomeFolder() / ".config" : p;
}

fs::path DataHome() {
    fs::path p = FromEnvironment("XDG_DATA_HOME");
    return p.empty() ? HomeFolder() / ".local" / "share" : p;
}

fs::path DocumentsFolder() {
    fs::path home = HomeFolder();
    fs::path folder;
    std::ifstream in(ConfigHome() / "user-dirs.dirs");
    for (std::string line; std::getline(in, line);) {
        fs::path found = ParseUserDir(line, home);
        if (!found.empty()) folder = found;
    }
    if (folder.empty()) folder = home / "Documents";
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

fs::path ExecutablePath() {
    std::error_code ec;
    fs::path p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : p;
}

}  // namespace velorin
