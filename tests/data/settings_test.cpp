#include "data/settings.h"

#include <gtest/gtest.h>

#include "platform/person_lock.h"

#include "platform/autostart.h"
#include "platform/registry.h"
#include "platform/text_encoding.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using test::CScopedEnv;
using test::CTempFolder;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.Open(dir / "registry.db")); }

    CTempFolder dir;
    CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    CScopedEnv home{"HOME", dir.Path().string()};
    CRegistry registry;
    CPersonRecursiveMutex lock;
    CAutostartEntry autostart{"/opt/velorin/velorind", std::filesystem::path("/p")};
    CSettings settings{registry, lock, autostart};
};

TEST_F(SettingsTest, ReadingANumberWritesItsDefaultFirst) {
    uint32_t stored = 0;
    EXPECT_FALSE(registry.ReadDword(kAppKey, "LISTENPORT", stored));
    EXPECT_EQ(settings.Read(setting::LISTENPORT), 7296u);
    EXPECT_TRUE(registry.ReadDword(kAppKey, "LISTENPORT", stored));
    EXPECT_EQ(stored, 7296u);
    settings.Write(setting::LISTENPORT, 8000);
    EXPECT_EQ(settings.Read(setting::LISTENPORT), 8000u);
}

TEST_F(SettingsTest, NegativeSessionLimitsCountAsFive) {
    settings.Write(setting::MAXUP, static_cast<uint32_t>(-3));
    EXPECT_EQ(settings.ReadTransferLimit(setting::MAXUP), 5u);
    settings.Write(setting::MAXUP, 0);
    EXPECT_EQ(settings.ReadTransferLimit(setting::MAXUP), 0u);
}

TEST_F(SettingsTest, AnUnusableStoreFallsBackToDefaults) {
    registry.Close();
    EXPECT_EQ(settings.Read(setting::QUICKSEND), 1u);
    uint32_t v = 0;
    EXPECT_FALSE(settings.Get(setting::MAXDOWN, v));
    EXPECT_EQ(v, 5u);
    EXPECT_EQ(settings.GetUserID(), "");
}

TEST_F(SettingsTest, TextsAreCutAtTheirByteLimitsOnCharacterBoundaries) {
    registry.WriteString(kAppKey, "UserID", "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(settings.GetUserID(), "abcdefghijklmnopqrst");
    settings.SetUserID("가나다라마바사아자차카");  // 22 CP949 bytes
    EXPECT_EQ(settings.GetUserID(), "가나다라마바사아자차");
    settings.SetServerName("서버 '100%' 설명");
    EXPECT_EQ(settings.GetServerName(), "서버 '100%' 설명");
}

TEST_F(SettingsTest, EmptyDownloadPathYieldsTheDocumentsFolderWithoutWritingIt) {
    EXPECT_EQ(settings.GetDownloadPath(), (dir / "Documents").string());
    std::string stored;
    EXPECT_FALSE(registry.ReadString(kAppKey, "DownloadPath", stored));
    settings.SetDownloadPath("/data/받은 파일");
    EXPECT_EQ(settings.GetDownloadPath(), "/data/받은 파일");
}

TEST_F(SettingsTest, GreetingUpToTwoThousandBytesIsStoredWithoutTerminator) {
    std::string korean;
    for (int i = 0; i < 1000; ++i) korean += "가";  // 2000 CP949 bytes
    EXPECT_TRUE(settings.SetMessage(korean));
    EXPECT_EQ(settings.GetMessage(), korean);
    std::string bytes;
    ASSERT_TRUE(registry.ReadBinary(kAppKey, "Message", bytes));
    EXPECT_EQ(bytes, korean);
    EXPECT_FALSE(settings.SetMessage(korean + "a"));
    EXPECT_EQ(settings.GetMessage(), korean);
    EXPECT_TRUE(settings.SetMessage(""));
    EXPECT_EQ(settings.GetMessage(), "");
}

TEST_F(SettingsTest, PasswordIsStoredEnciphered) {
    std::string password;
    EXPECT_FALSE(settings.GetUserPW(password));
    settings.SetUserPW("secret");
    std::string bytes;
    ASSERT_TRUE(registry.ReadBinary(kAppKey, "UserPW", bytes));
    EXPECT_EQ(bytes, std::string("\x2e\x7a\x55\x54\x75\xec\xa9\x6a\x55\x25\x5c\x7c", 12));
    ASSERT_TRUE(settings.GetUserPW(password));
    EXPECT_EQ(password, "secret");
    settings.SetUserPW("123456789012345");  // cut to 12 bytes
    ASSERT_TRUE(settings.GetUserPW(password));
    EXPECT_EQ(password, "123456789012");
}

TEST_F(SettingsTest, AutostartEntryFollowsReadingAndTheOptionButNotPlainWrites) {
    std::filesystem::path file = dir / "config/autostart/velorin.desktop";
    EXPECT_EQ(settings.ReadAutoStart(), 1u);
    EXPECT_TRUE(std::filesystem::exists(file));
    settings.SetAutoStartOption(false);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(settings.ReadAutoStart(), 0u);
    EXPECT_FALSE(std::filesystem::exists(file));
    settings.Write(setting::AutoStart, 1);
    EXPECT_FALSE(std::filesystem::exists(file));
    settings.SetAutoStartOption(true);
    EXPECT_NE(test::ReadFile(file).find("Exec=/opt/velorin/velorind --home /p\n"),
              std::string::npos);
}

}  // namespace
}  // namespace velorin
