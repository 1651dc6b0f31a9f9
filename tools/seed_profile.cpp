// Prepares a client profile that does not exist yet, so that the client signs
// in by itself at its first start: the data files a first start would make,
// then what the sign-in dialog, the option pages and the share folder page
// would store, through their own operations and checks.
//   velorin-seed-profile --home DIR --user ID --password PW
//                        [--listen-port N] [--server-name TEXT] [--share PATH]
// The credentials as the sign-in dialog stores them with both boxes ticked,
// LISTENPORT and ServerName when given, and PATH (created when missing) shared
// under its folder name, since signing in needs one shared folder. A refused
// value prints the page's text (exit status 2). A profile folder that exists
// and is not empty is left alone (exit status 3). The same is done with
// velorind words on a running client (settings, set, share-add, signin-dialog).
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "app/console_user_interface.h"
#include "app/process.h"
#include "app/sign_in_dialog.h"
#include "data/settings.h"
#include "data/share_database.h"
#include "platform/autostart.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "views/option_sheet.h"
#include "views/share_folder_page.h"

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
    auto given = [&options](const char* name) {
        auto found = options.find(name);
        return found == options.end() ? std::string() : found->second;
    };
    std::optional<uint32_t> port = COptionSheet::ParsePort(given("--listen-port"));
    const char* nameRefusal = COptionSheet::CheckServerName(given("--server-name"));
    if ((options.count("--listen-port") && !port) || nameRefusal) {
        std::fprintf(stderr, "velorin-seed-profile: %s\n",
                     nameRefusal ? nameRefusal : option_text::kBadPort);
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
    CSignInDialog::Store(settings, {options["--user"], options["--password"], true, true});
    if (port) settings.Write(setting::LISTENPORT, *port);
    if (options.count("--server-name")) settings.SetServerName(options["--server-name"]);
    if (!options.count("--share")) return 0;

    std::error_code ec;
    std::filesystem::path folder = std::filesystem::absolute(options["--share"], ec);
    std::filesystem::create_directories(folder, ec);
    CShareDatabase database;
    if (!database.Open(profile.folder / "velorin.dat")) {
        std::fprintf(stderr, "velorin-seed-profile: %s: cannot open the share database\n",
                     profile.folder.c_str());
        return 1;
    }
    CConsoleUserInterface ui(stderr);
    bool broken = false;
    CShareFolderPage page({database, ui, [&broken] { broken = true; }});
    std::string name = folder.lexically_normal().filename().string();
    if (name.empty()) name = "shared";
    if (page.AddFolder({name, folder.string(), ""})) return broken ? 1 : 2;
    return 0;
}
