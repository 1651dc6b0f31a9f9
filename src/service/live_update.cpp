#include "service/live_update.h"

#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <fstream>
#include <iterator>
#include <limits>
#include <system_error>

#include "net/http_download.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/user_interface.h"

extern char** environ;

namespace velorin {
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kIniName = "update.ini";
constexpr const char* kWordListName = "badword.db";
constexpr const char* kUpdaterName = "update.exe";
// Below every limit of a download: a version file this big is no version file.
constexpr uint64_t kIniBytesLimit = 1 << 20;

uint32_t ParseNumber(std::string_view text) {
    uint32_t value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    return (text.empty() || error != std::errc() || stop != end) ? 1 : value;
}

uint32_t ReadVersion(CRegistry& registry, const char* key, const char* name) {
    uint32_t value = 1;
    return registry.ReadDword(key, name, value) ? value : 1;
}

// The files of one check, fetched against its common deadline.
class CPatchFetcher {
public:
    explicit CPatchFetcher(const LiveUpdateParts& parts)
        : parts_(parts), deadline_(Clock::now() + parts.budget) {}

    bool Fetch(const char* name, uint64_t maxBytes) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
        if (left.count() <= 0) return false;
        DownloadLimits limits;
        limits.totalTimeout = left;
        limits.connectTimeout = std::min(limits.connectTimeout, left);
        limits.maxBytes = std::min(limits.maxBytes, maxBytes);
        limits.stop = parts_.stop;
        return DownloadFile(PatchUrl(parts_.webRoot, name), parts_.folder / name, limits);
    }

private:
    const LiveUpdateParts& parts_;
    Clock::time_point deadline_;
};

bool ReadIni(const fs::path& file, std::string& text) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Removes update.ini however the check ends.
class CIniGuard {
public:
    explicit CIniGuard(fs::path file) : file_(std::move(file)) {}
    ~CIniGuard() {
        std::error_code ec;
        fs::remove(file_, ec);
    }
    CIniGuard(const CIniGuard&) = delete;
    CIniGuard& operator=(const CIniGuard&) = delete;

private:
    fs::path file_;
};

}  // namespace

UpdateVersions ParseUpdateIni(std::string_view text) {
    UpdateVersions versions;
    bool inMain = false;
    bool seen[3] = {false, false, false};
    uint32_t* fields[3] = {&versions.version, &versions.badword, &versions.patcherVersion};
    const char* keys[3] = {"VERSION", "BADWORD", "PATCHER_VERSION"};
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.front() == '[') {
            size_t close = line.find(']');
            inMain = close != std::string::npos &&
                     EqualsIgnoreCase(Trim(std::string_view(line).substr(1, close - 1)), "MAIN");
            continue;
        }
        size_t equals = line.find('=');
        if (!inMain || equals == std::string::npos) continue;
        std::string key = Trim(std::string_view(line).substr(0, equals));
        for (int i = 0; i < 3; ++i) {
            // The first of duplicate keys counts, as INI readers have it.
            if (seen[i] || !EqualsIgnoreCase(key, keys[i])) continue;
            seen[i] = true;
            *fields[i] = ParseNumber(Trim(std::string_view(line).substr(equals + 1)));
        }
    }
    return versions;
}

std::string PatchUrl(const std::string& webRoot, const std::string& file) {
    std::string root = webRoot;
    while (!root.empty() && root.back() == '/') root.pop_back();
    return root + "/patchdata/" + file;
}

bool FetchUpdate(const LiveUpdateParts& parts) {
    CPatchFetcher fetcher(parts);
    // Also a stale one that an earlier run could not remove.
    CIniGuard iniGuard(parts.folder / kIniName);
    std::string ini;
    if (!fetcher.Fetch(kIniName, kIniBytesLimit) || !ReadIni(parts.folder / kIniName, ini)) {
        return false;
    }
    UpdateVersions published = ParseUpdateIni(ini);
    CRegistry& registry = parts.registry;

    // Any difference counts, so the service can roll back as well.
    if (published.badword != ReadVersion(registry, kAppKey, "BADWORD") &&
        fetcher.Fetch(kWordListName, DownloadLimits().maxBytes)) {
        registry.WriteDword(kAppKey, "BADWORD", published.badword);
    }
    if (published.version == ReadVersion(registry, kAppKey, "VERSION")) return false;

    std::error_code ec;
    bool keepUpdater = fs::exists(parts.folder / kUpdaterName, ec) &&
                       published.patcherVersion == ReadVersion(registry, kPatcherKey, "VERSION");
    if (!keepUpdater && fetcher.Fetch(kUpdaterName, DownloadLimits().maxBytes)) {
        registry.WriteDword(kPatcherKey, "VERSION", published.patcherVersion);
    }
    return true;
}

UpdateOutcome OfferUpdate(const LiveUpdateParts& parts) {
    if (!parts.ui.AskYesNo(live_update_text::kAskUpdate, kAppName)) return UpdateOutcome::kDeclined;
    // Ending without an updater to take over would only lose the running client.
    if (!parts.startUpdater || !parts.startUpdater(parts.folder / kUpdaterName)) {
        return UpdateOutcome::kDeclined;
    }
    return UpdateOutcome::kUpdaterRun;
}

UpdateOutcome CheckForUpdate(const LiveUpdateParts& parts) {
    return FetchUpdate(parts) ? OfferUpdate(parts) : UpdateOutcome::kNone;
}

bool StartUpdater(const fs::path& updater) {
    struct stat info {};
    if (stat(updater.c_str(), &info) != 0 || !S_ISREG(info.st_mode) ||
        chmod(updater.c_str(), info.st_mode | S_IXUSR) != 0) {
        return false;
    }
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    std::string folder = updater.parent_path().empty() ? "." : updater.parent_path().string();
    // glibc 2.29 and later: the child starts in the updater's folder.
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::error_code ec;
    // The child resolves a relative name after it has changed its folder.
    std::string program = fs::absolute(updater, ec).string();
    std::string name = updater.filename().string();
    std::string argument = "/parent";
    char* argv[] = {name.data(), argument.data(), nullptr};
    pid_t pid = 0;
    int result = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0;
}

}  // namespace velorin
