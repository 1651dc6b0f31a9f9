#include "system_fixture.h"

#include <unistd.h>

#include "platform/registry.h"

namespace velorin::test {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

bool SystemFixture::AddMember(const std::string& id, const std::string& password, int points) {
    return RunProgram(
               VELORIN_CENTRAL_PATH,
               {"add-member", id, password, "--points", std::to_string(points), "--db", Db()}, {})
               .exitCode == 0;
}

bool SystemFixture::StartCentral(bool pickAddress) {
    for (int i = 0; i < (pickAddress ? 40 : 1); ++i) {
        if (pickAddress) address = "127.0.0." + std::to_string(2 + (getpid() + 11 * i) % 250);
        central = std::make_unique<CChildProcess>();
        std::vector<std::string> args = {"serve",
                                         "--listen",
                                         address,
                                         "--db",
                                         Db(),
                                         "--web-port",
                                         std::to_string(webRoot.empty() ? 0 : webPort)};
        if (!webRoot.empty()) args.insert(args.end(), {"--web-root", webRoot.string()});
        args.insert(args.end(), centralOptions.begin(), centralOptions.end());
        if (!central->Start(VELORIN_CENTRAL_PATH, args, {}, dir / "central.txt")) {
            return false;
        }
        if (central->WaitForOutput("velorin-central: serving", 10s)) return true;
        central->Wait(5s);
    }
    return false;
}

std::map<std::string, std::string> SystemFixture::Env() const {
    return {{"HOME", dir.Path().string()},
            {"XDG_CONFIG_HOME", (dir / "config").string()},
            {"VELORIN_CENTRAL", address},
            // Port 1: refused at once, so a start never waits for a web host.
            {"VELORIN_WEB",
             "http://" + address + ":" + std::to_string(webRoot.empty() ? 1 : webPort) + "/"}};
}

void SystemFixture::SeedMember(const std::string& id, const std::string& password, uint16_t port) {
    RunResult seed = RunProgram(VELORIN_SEED_PROFILE_PATH,
                                {"--home", (dir / id).string(), "--user", id, "--password",
                                 password, "--listen-port", std::to_string(port), "--server-name",
                                 id + "'s", "--share", (dir / (id + "-shared")).string()},
                                {});
    EXPECT_EQ(seed.exitCode, 0) << seed.output;
}

void SystemFixture::SetDownloadPath(const std::string& id, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    CRegistry registry;
    ASSERT_TRUE(registry.Open(dir / id / "registry.db"));
    ASSERT_TRUE(registry.WriteString(kAppKey, "DownloadPath", folder.string()));
}

std::unique_ptr<CChildProcess> SystemFixture::RunMember(const std::string& id,
                                                        const std::string& outputName) {
    auto child = std::make_unique<CChildProcess>();
    EXPECT_TRUE(child->Start(VELORIND_PATH, {"--home", (dir / id).string()}, Env(),
                             dir / ((outputName.empty() ? id : outputName) + ".txt")));
    return child;
}

std::unique_ptr<CChildProcess> SystemFixture::StartMember(const std::string& id,
                                                          const std::string& password,
                                                          uint16_t port) {
    SeedMember(id, password, port);
    return RunMember(id);
}

RunResult SystemFixture::Send(const std::string& id, std::vector<std::string> words) {
    words.insert(words.begin(), {"--home", (dir / id).string(), "--send"});
    return RunProgram(VELORIND_PATH, words, Env());
}

}  // namespace velorin::test
