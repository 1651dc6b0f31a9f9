// velorin-central as an operator runs it: real processes, the shipped web
// root, the admin commands on the same central.db as a serving process.
#include <signal.h>
#include <unistd.h>

#include <mutex>

#include "central_fixture.h"
#include "data/settings.h"
#include "platform/autostart.h"
#include "platform/person_lock.h"
#include "platform/registry.h"
#include "support/child_process.h"
#include "support/loopback.h"

namespace velorin::central::test {
namespace {

using velorin::test::CChildProcess;
using velorin::test::RunProgram;

class CentralProcess : public ::testing::Test {
protected:
    std::string Db() const { return (dir_ / "central.db").string(); }

    velorin::test::RunResult Admin(std::vector<std::string> args) {
        args.push_back("--db");
        args.push_back(Db());
        return RunProgram(VELORIN_CENTRAL_PATH, args, {});
    }

    // Serves on the first free loopback address; false when none would do.
    bool Serve(std::vector<std::string> extra) {
        for (int i = 0; i < 40; ++i) {
            address_ = "127.0.0." + std::to_string(2 + (getpid() + 7 * i) % 250);
            std::vector<std::string> args = {"serve", "--listen", address_, "--db", Db()};
            args.insert(args.end(), extra.begin(), extra.end());
            server_ = std::make_unique<CChildProcess>();
            if (!server_->Start(VELORIN_CENTRAL_PATH, args, {}, dir_ / "serve.txt")) return false;
            if (server_->WaitForOutput("velorin-central: serving", 10s)) return true;
            server_->Wait(5s);
        }
        return false;
    }

    int32_t SignInCode(const std::string& id, const std::string& password) {
        SignInRequest request;
        request.userId = id;
        request.password = MakePasswordField(password);
        int32_t code = 1;
        SignInAt(address_, request, code);
        return code;
    }

    velorin::test::CTempFolder dir_;
    std::string address_;
    std::unique_ptr<CChildProcess> server_;
};

TEST_F(CentralProcess, AnAddedMemberSignsInAndAdminChangesApplyWhileServing) {
    EXPECT_EQ(Admin({"add-member", "kim", "pw-of-kim", "--points", "50", "--age", "30"}).exitCode,
              0);
    EXPECT_EQ(Admin({"add-member", "KIM", "other"}).exitCode, 1);
    EXPECT_EQ(Admin({"add-member", "lee", "thirteen-byte"}).exitCode, 1);
    EXPECT_EQ(Admin({"add-member", "lee"}).exitCode, 2);
    ASSERT_TRUE(Serve({"--web-port", "0", "--min-version", "1"}));

    EXPECT_EQ(SignInCode("kim", "pw-of-kim"), kSignInAccepted);
    EXPECT_EQ(SignInCode("kim", "wrong"), kSignInBadCredentials);
    EXPECT_EQ(Admin({"set-points", "kim", "75"}).exitCode, 0);
    EXPECT_EQ(Admin({"disable-member", "kim"}).exitCode, 0);
    EXPECT_EQ(SignInCode("kim", "pw-of-kim"), kSignInDisabled);
    EXPECT_EQ(Admin({"enable-member", "kim"}).exitCode, 0);
    EXPECT_EQ(Admin({"list-members"}).output,
              "ID\tpoints\treserved\tage\tstate\nkim\t75\t0\t30\tenabled\n");

    server_->Signal(SIGTERM);
    EXPECT_EQ(server_->Wait(10s), 0);
}

TEST_F(CentralProcess, ServesTheShippedWebRootAndDropsSilentLinks) {
    std::string webPort = std::to_string(velorin::test::FreeUdpPort());
    ASSERT_TRUE(Serve({"--web-port", webPort, "--keepalive-seconds", "2"}));
    EXPECT_NE(server_->Output().find("web TCP " + webPort), std::string::npos);

    // The web root beside the executable, whatever the current folder.
    std::string ini =
        HttpGet(address_, static_cast<uint16_t>(std::stoi(webPort)), "/patchdata/update.ini");
    EXPECT_NE(HttpBody(ini).find("[MAIN]"), std::string::npos) << ini;

    CWireLink mute;
    ASSERT_TRUE(mute.Connect(address_, kSessionServerPort));
    EXPECT_TRUE(mute.WaitClosed(10s));
    server_->Signal(SIGINT);
    EXPECT_EQ(server_->Wait(10s), 0);
}

TEST(SeedProfile, ANewProfileGetsCredentialsAndPortAndAnOldOneIsLeftAlone) {
    velorin::test::CTempFolder dir;
    std::filesystem::path profile = dir / "profile";
    auto seed = RunProgram(VELORIN_SEED_PROFILE_PATH,
                           {"--home", profile.string(), "--user", "demo", "--password", "demo1234",
                            "--listen-port", "7297", "--server-name", "데모"},
                           {});
    ASSERT_EQ(seed.exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(profile / "velorin.dat"));
    {
        CRegistry registry;
        ASSERT_TRUE(registry.Open(profile / "registry.db"));
        CPersonRecursiveMutex lock;
        CAutostartEntry autostart("/nonexistent", std::nullopt);
        CSettings settings(registry, lock, autostart);
        std::string password;
        ASSERT_TRUE(settings.GetUserPW(password));
        EXPECT_EQ(password, "demo1234");
        std::string stored;
        ASSERT_TRUE(registry.ReadBinary(kAppKey, "UserPW", stored));
        EXPECT_NE(stored.substr(0, 8), "demo1234");  // enciphered, not plain
        EXPECT_EQ(settings.GetServerName(), "데모");
        EXPECT_EQ(settings.Read(setting::LISTENPORT), 7297u);
    }
    auto again = RunProgram(VELORIN_SEED_PROFILE_PATH,
                            {"--home", profile.string(), "--user", "x", "--password", "y"}, {});
    EXPECT_EQ(again.exitCode, 3);
}

TEST(CentralLoad, TheLoadGeneratorsSmokeRunPasses) {
    auto run = RunProgram(VELORIN_CENTRAL_BENCH_PATH, {"--smoke"}, {}, 120s);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_NE(run.output.find("300 of 300 members online"), std::string::npos) << run.output;
}

}  // namespace
}  // namespace velorin::central::test
