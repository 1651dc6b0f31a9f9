#include "ui/note_windows.h"

#include <gtest/gtest.h>

#include "data/note_store.h"
#include "support/process_fixture.h"

namespace velorin {
namespace {

class NoteWindowsTest : public test::ProcessFixture<> {
protected:
    void SetUp() override { StartProcess(); }
};

TEST_F(NoteWindowsTest, TheNoteBoxListsViewsAndDeletes) {
    process->Registry().WriteString(kMsgKey, "0", "kim|1772600760|0|점심\r\n같이");
    process->Registry().WriteString(kMsgKey, "1", "lee|1772600760|1|읽음");
    CNoteBoxWindow box(*process);
    ASSERT_EQ(box.List()->rowCount(), 2);
    EXPECT_EQ(box.List()->item(0, 0)->text(), "kim");
    EXPECT_TRUE(box.List()->item(0, 0)->font().bold());
    EXPECT_FALSE(box.List()->item(1, 0)->font().bold());
    EXPECT_EQ(box.List()->item(0, 2)->text(), "점심 같이");
    box.List()->selectRow(0);
    box.ViewSelected();
    EXPECT_FALSE(box.List()->item(0, 0)->font().bold());
    auto* viewed = box.findChild<CNoteWindow*>();
    ASSERT_NE(viewed, nullptr);
    EXPECT_EQ(viewed->TextField()->toPlainText(), "점심\n같이");
    EXPECT_TRUE(viewed->TextField()->isReadOnly());
    box.List()->selectRow(1);
    box.DeleteSelected();
    ASSERT_EQ(box.List()->rowCount(), 1);
    box.DeleteAll();
    EXPECT_EQ(box.List()->rowCount(), 0);
    // Composing needs the sign-in: the text shows and no dialog opens.
    CNoteWindow::Open(
        *process,
        CNoteDialog({process->Session(), process->ServerRunning()}, NoteMode::kNew, "kim"), &box);
    EXPECT_EQ(ui.Messages().back(), note_text::kNotSignedIn);
}

TEST_F(NoteWindowsTest, TheNoticeShowsTextAndClosesAfterTenTicks) {
    CNoticeView notice(
        *process, "<b>환영</b><script>alert(1)</script><img src=\"http://127.0.0.1:1/x.png\">");
    notice.show();
    EXPECT_TRUE(notice.View()->toPlainText().contains("환영"));
    EXPECT_FALSE(notice.View()->toPlainText().contains("alert"));
    auto* box = notice.findChild<QCheckBox*>();
    ASSERT_NE(box, nullptr);
    box->setChecked(true);
    EXPECT_EQ(process->Settings().Read(setting::AutoCloseNote), 1u);
    for (int i = 0; i < 9; ++i) notice.TickOnce();
    EXPECT_TRUE(notice.isVisible());
    notice.TickOnce();
    EXPECT_FALSE(notice.isVisible());
}

}  // namespace
}  // namespace velorin
