#include "ui/search_page.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QTest>

#include "support/process_fixture.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"

namespace velorin {
namespace {

class SearchPageTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        page = std::make_unique<CSearchPage>(*process, *process->SearchView());
        page->show();
    }
    void TearDown() override { page.reset(); }
    std::unique_ptr<CSearchPage> page;
};

// Enter in the term box searches through the model, whose refusals the person sees.
TEST_F(SearchPageTest, EnterSearchesAndTheModelRefuses) {
    EXPECT_EQ(page->ResultModel()->columnCount(), 7);
    EXPECT_EQ(page->ResultModel()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
              "크기(Byte)");
    struct Case {
        const char* term;
        std::string text;
    } cases[] = {
        {"a_b", search_view_text::kUnderscore},
        {"movie", search_view_text::kNeedsServer},
    };
    ui.answer = false;
    for (const Case& c : cases) {
        page->TermField()->setText(QString::fromUtf8(c.term));
        QTest::keyClick(page->TermField(), Qt::Key_Return);
        std::vector<std::string> shown = ui.Messages();
        for (const std::string& row : ui.RowTexts()) shown.push_back(row);
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&c](const std::string& m) {
            return m.find(c.text) != std::string::npos;
        })) << c.term;
    }
    // Escape stays in the box.
    QTest::keyClick(page->TermField(), Qt::Key_Escape);
    EXPECT_TRUE(page->SearchButton()->isEnabled());
    EXPECT_FALSE(page->CancelButton()->isEnabled());
    size_t shown = ui.Messages().size();
    page->OpenSearchTerms();
    auto* terms = page->findChild<CSearchTermsWindow*>();
    ASSERT_NE(terms, nullptr);
    EXPECT_TRUE(process->SearchTerms()->IsOpen());
    terms->PauseButton()->click();
    EXPECT_EQ(terms->PauseButton()->text(), "계속");
    delete terms;
    EXPECT_FALSE(process->SearchTerms()->IsOpen());
    EXPECT_EQ(ui.Messages().size(), shown);
}

}  // namespace
}  // namespace velorin
