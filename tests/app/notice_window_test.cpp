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

TEST(NoticeHtml, LineBreaksBecomeBreaksAfterTheHtmlTag) {
    EXPECT_EQ(NoticeHtml(""), "<html>");
    EXPECT_EQ(NoticeHtml("a\r\nb\r\n"), "<html>a<br>b<br>");
    // Lone line ends stay as they came; the browser folds them anyway.
    EXPECT_EQ(NoticeHtml("a\nb\rc\r\r\n"), "<html>a\nb\rc\r<br>");
    EXPECT_EQ(NoticeHtml("<script>x</script>"), "<html><script>x</script>");
}

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

TEST_F(NoticeWindowTest, TheCountdownClosesTheWindowAtTheTenthTick) {
    CNoticeWindow window(settings, "hello");
    ASSERT_TRUE(window.AutoClose());
    EXPECT_TRUE(window.TimerRunning());
    EXPECT_TRUE(window.CountdownVisible());
    EXPECT_EQ(window.CountdownText(), "10초 후 자동으로 닫힙니다.");
    for (int tick = 1; tick < 10; ++tick) {
        SCOPED_TRACE(tick);
        EXPECT_FALSE(window.Tick());
        EXPECT_EQ(window.CountdownText(), std::to_string(10 - tick) + "초 후 자동으로 닫힙니다.");
    }
    EXPECT_TRUE(window.Tick());
    EXPECT_TRUE(window.Closed());
    EXPECT_FALSE(window.TimerRunning());
    EXPECT_FALSE(window.Tick());
}

TEST_F(NoticeWindowTest, TheBoxStopsAndRestartsTheCountdownAndIsStored) {
    CNoticeWindow window(settings, "hello");
    for (int tick = 0; tick < 6; ++tick) window.Tick();
    window.SetAutoClose(false);
    EXPECT_EQ(Stored(), 0u);
    EXPECT_FALSE(window.TimerRunning());
    EXPECT_FALSE(window.CountdownVisible());
    for (int tick = 0; tick < 20; ++tick) EXPECT_FALSE(window.Tick());
    EXPECT_FALSE(window.Closed());

    window.SetAutoClose(true);
    EXPECT_EQ(Stored(), 1u);
    EXPECT_TRUE(window.TimerRunning());
    EXPECT_EQ(window.CountdownText(), "10초 후 자동으로 닫힙니다.");
    for (int tick = 0; tick < 9; ++tick) EXPECT_FALSE(window.Tick());
    EXPECT_TRUE(window.Tick());

    // A later window starts from the stored box.
    settings.Write(setting::AutoCloseNote, 0);
    CNoticeWindow quiet(settings, "again");
    EXPECT_FALSE(quiet.AutoClose());
    EXPECT_FALSE(quiet.TimerRunning());
    EXPECT_FALSE(quiet.CountdownVisible());
}

}  // namespace
}  // namespace velorin
