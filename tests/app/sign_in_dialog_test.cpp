#include "app/sign_in_dialog.h"

#include <gtest/gtest.h>

#include "data/settings.h"
#include "platform/autostart.h"
#include "platform/person_lock.h"
#include "platform/registry.h"
#include "platform/window_messages.h"
#include "support/recording_ui.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

// The main window's part: the credentials of each WM_SIGN_IN.
class CSignInCatcher : public CWindowTarget {
public:
    using CWindowTarget::CWindowTarget;
    void OnMessage(const Message& message) override {
        if (message.message != WM_SIGN_IN) return;
        const auto* typed = std::any_cast<SignInCredentials>(&message.payload);
        posted.push_back(typed ? typed->userId + "/" + typed->password : "saved");
    }
    std::vector<std::string> posted;
};

class SignInDialogTest : public ::testing::Test {
protected:
    SignInDialogTest() { registry.Open(dir / "registry.db"); }

    uint32_t Stored(const char* name) {
        uint32_t value = 99;
        return registry.ReadDword(kAppKey, name, value) ? value : 99;
    }
    std::vector<std::string> Posted() {
        while (queue.DispatchOne(catcher.Handle(), std::chrono::milliseconds(0))) {
        }
        return catcher.posted;
    }

    test::CTempFolder dir;
    test::CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    CRegistry registry;
    CPersonRecursiveMutex lock;
    CAutostartEntry autostart{"/opt/velorin/velorind", std::nullopt};
    CSettings settings{registry, lock, autostart};
    test::CRecordingUserInterface ui;
    CMessageQueue queue;
    CSignInCatcher catcher{queue};
    CSignInDialog dialog{settings, ui, queue, catcher.Handle()};
};

TEST_F(SignInDialogTest, OpensWithWhatWasSavedAndAPasswordOnlyWhenItCanBeRead) {
    settings.SetUserID("kim");
    settings.Write(setting::AutoLogin, 1);
    // Nothing saved: the auto-login box is off and stored off.
    SignInDialogFields fields = dialog.Open();
    EXPECT_EQ(fields.userId, "kim");
    EXPECT_FALSE(fields.savePassword);
    EXPECT_FALSE(fields.AutoLoginEnabled());
    EXPECT_EQ(Stored("AutoLogin"), 0u);

    // Saving without a stored password counts as not saving.
    settings.Write(setting::SavePassword, 1);
    settings.Write(setting::AutoLogin, 1);
    EXPECT_FALSE(dialog.Open().savePassword);
    EXPECT_EQ(Stored("AutoLogin"), 0u);

    settings.SetUserPW("secret");
    settings.Write(setting::AutoLogin, 1);
    fields = dialog.Open();
    EXPECT_TRUE(fields.savePassword);
    EXPECT_TRUE(fields.AutoLoginEnabled());
    EXPECT_TRUE(fields.autoLogin);
    EXPECT_EQ(fields.password, "secret");
}

TEST_F(SignInDialogTest, ConfirmationRefusesEmptyFieldsThenStoresAndSignsIn) {
    struct Case {
        const char* id;
        const char* password;
        const char* refusal;
    } refusals[] = {{"", "pw", sign_in_dialog_text::kNoId},
                    {"", "", sign_in_dialog_text::kNoId},
                    {"kim", "", sign_in_dialog_text::kNoPassword}};
    for (const Case& c : refusals) {
        EXPECT_EQ(dialog.Confirm({c.id, c.password, true, true}), std::string(c.refusal));
    }
    EXPECT_EQ(ui.Messages().size(), 3u);
    EXPECT_TRUE(Posted().empty());
    EXPECT_EQ(Stored("SavePassword"), 99u);

    EXPECT_EQ(dialog.Confirm({"lee", "pw-lee", true, true}), std::nullopt);
    EXPECT_EQ(settings.GetUserID(), "lee");
    std::string saved;
    EXPECT_TRUE(settings.GetUserPW(saved));
    EXPECT_EQ(saved, "pw-lee");
    EXPECT_EQ(Stored("SavePassword"), 1u);
    EXPECT_EQ(Stored("AutoLogin"), 1u);
    EXPECT_EQ(Posted(), std::vector<std::string>{"lee/pw-lee"});

    // Not saving forgets the saved password, and auto-login cannot stay on.
    EXPECT_EQ(dialog.Confirm({"park", "pw-park", false, true}), std::nullopt);
    EXPECT_FALSE(settings.GetUserPW(saved));
    EXPECT_EQ(Stored("SavePassword"), 0u);
    EXPECT_EQ(Stored("AutoLogin"), 0u);
    EXPECT_EQ(Posted().back(), "park/pw-park");
}

TEST_F(SignInDialogTest, AccountPageCarriesTheTypedCredentialsAsASecret) {
    test::CScopedEnv web{"VELORIN_WEB", "http://web.test/"};
    dialog.OpenAccountPage({"kim", "a&b=c", false, false});
    EXPECT_EQ(ui.Opened(),
              std::vector<std::string>{
                  "secret-url http://web.test/loginProc.php?userid=kim&userpw=a%26b%3Dc"});
}

}  // namespace
}  // namespace velorin
