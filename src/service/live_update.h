#pragma once
// The live update: version numbers published on the service's web host,
// compared for inequality with those kept in the registry. A differing word
// list is fetched silently; a differing client version fetches the updater
// when its own version differs too, and asks whether to run it.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace velorin {

class CRegistry;
class IUserInterface;

namespace live_update_text {
inline constexpr const char* kAskUpdate =
    "버젼이 업데이트 되었습니다. 최신 버젼으로 업데이트 하시겠습니까?";
}  // namespace live_update_text

// The keys of update.ini's section MAIN; each reads as 1 when missing or not
// a plain number of 32 bits.
struct UpdateVersions {
    uint32_t version = 1;
    uint32_t badword = 1;
    uint32_t patcherVersion = 1;
};

UpdateVersions ParseUpdateIni(std::string_view text);

// `webRoot`'s file under patchdata/, with one "/" between them whatever the root ends in.
std::string PatchUrl(const std::string& webRoot, const std::string& file);

struct LiveUpdateParts {
    CRegistry& registry;
    IUserInterface& ui;
    // Where update.ini, badword.db and update.exe live.
    std::filesystem::path folder;
    std::string webRoot;
    // The whole check, however many files it fetches.
    std::chrono::milliseconds budget{12000};
    // Runs the updater in `folder`; false when it could not be started.
    std::function<bool(const std::filesystem::path& updater)> startUpdater;
    // Ends a check that runs beside the loop.
    const std::atomic<bool>* stop = nullptr;
};

enum class UpdateOutcome {
    kNone,        // no version file, or nothing newer
    kDeclined,    // a new client exists; the member said no
    kUpdaterRun,  // the updater runs: the process should end with 1
};

// The check in one pass: the fetching, then the question.
UpdateOutcome CheckForUpdate(const LiveUpdateParts& parts);
// The fetching alone, on any thread: true when the client's version differs
// and the member is to be asked. update.ini is gone afterwards.
bool FetchUpdate(const LiveUpdateParts& parts);
// The question, and the updater on yes.
UpdateOutcome OfferUpdate(const LiveUpdateParts& parts);

// Makes `updater` executable and starts it with "/parent" in its folder, not
// waiting for it.
bool StartUpdater(const std::filesystem::path& updater);

}  // namespace velorin
