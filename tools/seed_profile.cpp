// Prepares a client profile that does not exist yet, so that the client signs
// in by itself at its first start: the data files a first start would make,
// then the settings of registry.db.
//   velorin-seed-profile --home DIR --user ID --password PW
//                        [--listen-port N] [--server-name TEXT] [--share PATH]
// Writes UserID, UserPW (12 bytes, enciphered as the client stores it),
// SavePassword = 1, AutoLogin = 1, LISTENPORT (when given) and ServerName
// (when given), and shares PATH (created when missing) under its folder name,
// since signing in needs one shared folder. A profile folder that exists and is not empty is left
// alone (exit status 3).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "app/process.h"
#include "data/settings.h"
#include "data/share_database.h"
#include "platform/autostart.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"

using namespace velorin;

namespace {

constexpr const char* kUsage =
    "usage: velorin-seed-profile --home DIR --user ID --password PW [--listen-port N] "
    "[--server-name TEXT] [--share PATH]\n";

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options;
    for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
    for (const auto& [name, value] : options) {
        if (name != "--home" && name != "--user" && name != "--password" &&
            name != "--listen-port" && name != "--server-name" && name != "--share") {
            options.clear();
        }
    }
    if (argc % 2 == 0 || !options.count("--home") || !options.count("--user") ||
        !options.count("--password")) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    long port = options.count("--listen-port") ? std::atol(options["--listen-port"].c_str()) : 0;
    if (options.count("--listen-port") && (port < 1 || port > 65535)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    ProfileLocation profile = ResolveProfile(options["--home"]);
    bool isNew = false;
    std::string error;
    if (!PrepareProfileFolder(profile.folder, isNew, error)) {
        std::fprintf(stderr, "velorin-seed-profile: %s\n", error.c_str());
        return 1;
    }
    if (!isNew) {
        std::fprintf(stderr, "velorin-seed-profile: %s exists; left as it is\n",
                     profile.folder.c_str());
        return 3;
    }
    CRegistry registry;
    if (!CProcess::ProvisionProfile(profile.folder) ||
        !registry.Open(profile.folder / "registry.db")) {
        std::fprintf(stderr, "velorin-seed-profile: %s: cannot write the profile\n",
                     profile.folder.c_str());
        return 1;
    }
    CPersonRecursiveMutex lock;
    CAutostartEntry autostart(ExecutablePath(), std::nullopt);
    CSettings settings(registry, lock, autostart);
    settings.SetUserID(options["--user"]);
    settings.SetUserPW(options["--password"]);
    settings.Write(setting::SavePassword, 1);
    settings.Write(setting::AutoLogin, 1);
    if (port != 0) settings.Write(setting::LISTENPORT, static_cast<uint32_t>(port));
    if (options.count("--server-name")) settings.SetServerName(options["--server-name"]);
    if (options.count("--share")) {
        std::error_code ec;
        std::filesystem::path folder = std::filesystem::absolute(options["--share"], ec);
        std::filesystem::create_directories(folder, ec);
        CShareDatabase database;
        bool exists = false;
        std::string name = folder.filename().string();
        if (name.empty()) name = "shared";
        if (ec || !database.Open(profile.folder / "velorin.dat") ||
            !database.AddShareFolder(exists, name, folder.string(), "")) {
            std::fprintf(stderr, "velorin-seed-profile: %s: cannot share it\n", folder.c_str());
            return 1;
        }
    }
    return 0;
}
