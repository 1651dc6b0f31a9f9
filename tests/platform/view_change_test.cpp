#include "platform/view_change.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/view_mirror.h"

namespace velorin {
namespace {

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string word; in >> word;) out.push_back(word);
    return out;
}

// Rows are "a1": the letter names the item, the digit is what it shows.
TEST(ViewChange, RowChangesAreTheSmallestRangesThatKeepAMirrorEqual) {
    struct Case {
        const char* before;
        const char* after;
        std::vector<std::string> told;
    };
    const Case cases[] = {
        {"a1 b1", "a1 b1", {}},
        {"", "a1 b1", {"inserted 0+2"}},
        {"a1 b1", "", {"removed 0+2"}},
        {"a1 b1", "a1 b1 c1", {"inserted 2+1"}},
        {"a1 b1", "c1 a1 b1", {"inserted 0+1"}},
        {"a1 b1 c1", "a1 c1", {"removed 1+1"}},
        {"a1 b1 c1", "a1 b2 c2", {"changed 1+2"}},
        {"a1 b1 c1", "a2 b1 c2", {"changed 0+1", "changed 2+1"}},
        {"a1 b1 c1", "a2 c1", {"removed 1+1", "changed 0+1"}},
        {"a1 b1", "a1 x1 b2", {"inserted 1+1", "changed 2+1"}},
        // Rows gone and rows come at once cannot be told apart from a reorder.
        {"a1 b1", "a1 c1", {"reset"}},
        {"a1 b1 c1", "c1 b1 a1", {"reset"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> rows = Split(c.before);
        CViewObservers observers;
        test::CViewMirror<std::string> mirror(
            observers, [&]() -> const auto& { return rows; });
        std::vector<std::string> before = rows;
        rows = Split(c.after);
        NotifyRowChanges(
            observers, before.size(), rows.size(),
            [&](size_t a, size_t b) { return before[a][0] == rows[b][0]; },
            [&](size_t a, size_t b) { return before[a] == rows[b]; });
        EXPECT_EQ(mirror.Take(), c.told) << c.before << " -> " << c.after;
        EXPECT_EQ(mirror.drawn, rows) << c.before << " -> " << c.after;
        EXPECT_FALSE(mirror.outOfRange);
    }
}

}  // namespace
}  // namespace velorin
