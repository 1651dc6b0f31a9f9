#include "views/search_terms_view.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(SearchTermsView, EachNewTermIsListedUnlessPausedOrSignedOut) {
    CMessageQueue queue;
    std::string term;
    bool sampling = true;
    CSearchTermsView view(queue, {[&] { return term; }, [&] { return sampling; }});
    std::vector<ViewChange::Kind> changes;
    view.Observers().Subscribe([&](const ViewChange& change) { changes.push_back(change.kind); });
    struct Step {
        const char* term;
        bool sampling;
        bool pause;  // press the button first
        std::vector<std::string> lines;
    };
    for (const Step& step : std::vector<Step>{
             {"abc", false, false, {}},
             {"abc", true, false, {"abc"}},
             {"abc", true, false, {"abc"}},
             {"", true, false, {"abc"}},
             {"abc", true, false, {"abc", "abc"}},
             {"def", true, true, {"abc", "abc"}},
             {"def", true, true, {"abc", "abc"}},  // taken over while paused: not listed later
             {"ghi", true, false, {"abc", "abc", "ghi"}},
         }) {
        term = step.term;
        sampling = step.sampling;
        if (step.pause) view.TogglePause();
        view.Sample();
        EXPECT_EQ(std::vector<std::string>(view.Lines().begin(), view.Lines().end()), step.lines)
            << step.term;
    }
    EXPECT_STREQ(view.PauseButtonText(), search_terms_text::kPause);

    // A list above 100 lines starts again with the next term.
    while (view.Lines().size() <= CSearchTermsView::kMaxLines) {
        term = "t" + std::to_string(view.Lines().size());
        view.Sample();
    }
    changes.clear();
    term = "next";
    view.Sample();
    EXPECT_EQ(view.Lines().size(), 1u);
    EXPECT_EQ(changes, (std::vector<ViewChange::Kind>{ViewChange::kReset, ViewChange::kInserted}));
}

TEST(SearchTermsView, OnlyAnOpenWindowSamplesOnItsTimer) {
    CMessageQueue queue;
    int reads = 0;
    CSearchTermsView view(queue,
                          {[&] { return "t" + std::to_string(++reads); }, [] { return true; }});
    EXPECT_FALSE(queue.TimerDue(view.Handle(), CSearchTermsView::kSampleTimer));
    view.Open();
    EXPECT_TRUE(queue.TimerDue(view.Handle(), CSearchTermsView::kSampleTimer));
    view.Close();
    EXPECT_FALSE(queue.TimerDue(view.Handle(), CSearchTermsView::kSampleTimer));
    EXPECT_EQ(reads, 0);
}

}  // namespace
}  // namespace velorin
