#pragma once
// velorin-central and velorind members as real processes: the central on a
// loopback address of its own, each member on a profile made by the seeding
// tool in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_folder.h"

namespace velorin::test {

inline bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Lines of velorind's output.
inline constexpr const char* kOnline = "\tstate\tonline\n";
inline constexpr const char* kListed = "\t안내\t모든 사용자 리스트를 받았습니다.\n";

class SystemFixture : public ::testing::Test {
protected:
    std::string Db() const { return (dir / "central.db").string(); }
    bool AddMember(const std::string& id, const std::string& password, int points);
    // The first time on the first free loopback address; later on the same one.
    bool StartCentral(bool pickAddress);
    std::map<std::string, std::string> Env() const;

    // A profile made only by the seeding tool (registry.db and velorin.dat),
    // sharing dir/ID-shared, listening on `port`.
    void SeedMember(const std::string& id, const std::string& password, uint16_t port);
    // The member's download folder, written into its seeded profile before it starts.
    void SetDownloadPath(const std::string& id, const std::filesystem::path& folder);
    std::unique_ptr<CChildProcess> RunMember(const std::string& id,
                                             const std::string& outputName = "");
    std::unique_ptr<CChildProcess> StartMember(const std::string& id, const std::string& password,
                                               uint16_t port);
    RunResult Send(const std::string& id, std::vector<std::string> words);

    CTempFolder dir;
    std::string address;
    // Set before StartCentral: the central serves it on `webPort`, and the
    // members fetch their update files from there. Without one they find no
    // web host at all.
    std::filesystem::path webRoot;
    uint16_t webPort = 0;
    // More options of `serve`.
    std::vector<std::string> centralOptions;
    std::unique_ptr<CChildProcess> central;
};

}  // namespace velorin::test
