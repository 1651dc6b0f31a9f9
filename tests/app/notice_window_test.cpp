#include "views/notice_window.h"

#include <gtest/gtest.h>

#include "data/settings.h"
#include "platform/autostart.h"
#include "platform/person_lock.h"
#include "platform/registry.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using test::CScopedEnv;

class NoticeWindowTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.Open(dir / "registry.db")); }
    uint32_t Stored() {
        uint32_t value = 99;
        EXPECT_TRUE(registry.ReadDword(kAppKey, "AutoCloseNote", value));
        return value;
    }

    test::CTempFolder dir;
    CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    CScopedEnv home{"HOME", dir.Path().string()};
    CRegistry registry;
    CPersonRecursiveMutex lock;
    CAutostartEntry autostart{"/opt/velorin/velorind", std::filesystem::path("/p")};
    CSettings settings{registry, lock, autostart};
};

TEST_F(NoticeWindowTest, TheCountdownClosesAtTheTenthTickAndTheBoxStopsAndRestartsIt) {
    CNoticeWindow window(settings, "a\r\n<b>\r\n");
    EXPECT_EQ(window.Html(), "<html>a<br><b><br>");
    ASSERT_TRUE(window.TimerRunning());
    EXPECT_EQ(window.CountdownText(), "10초 후 자동으로 닫힙니다.");
    for (int tick = 0; tick < 6; ++tick) EXPECT_FALSE(window.Tick());
    EXPECT_EQ(window.CountdownText(), "4초 후 자동으로 닫힙니다.");
    window.SetAutoClose(false);
    EXPECT_EQ(Stored(), 0u);
    EXPECT_FALSE(window.TimerRunning() || window.CountdownVisible());
    for (int tick = 0; tick < 20; ++tick) EXPECT_FALSE(window.Tick());

    window.SetAutoClose(true);
    EXPECT_EQ(Stored(), 1u);
    EXPECT_TRUE(window.CountdownVisible());
    EXPECT_EQ(window.CountdownText(), "10초 후 자동으로 닫힙니다.");
    for (int tick = 0; tick < 9; ++tick) EXPECT_FALSE(window.Tick());
    EXPECT_TRUE(window.Tick());
    EXPECT_TRUE(window.Closed());
    EXPECT_FALSE(window.TimerRunning());

    // A later window starts from the stored box.
    settings.Write(setting::AutoCloseNote, 0);
    EXPECT_FALSE(CNoticeWindow(settings, "again").TimerRunning());
}

}  // namespace
}  // namespace velorin
