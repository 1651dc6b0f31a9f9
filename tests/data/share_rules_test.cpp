#include "data/share_rules.h"

#include <gtest/gtest.h>

namespace velorin {
namespace {

TEST(ShareRules, GrantTextAndBoxesRoundTrip) {
    EXPECT_EQ(PermissionText(3), "탐색 다운 ---- ---- ");
    EXPECT_EQ(PermissionText(12), "---- ---- 업 성인 ");
    for (uint32_t p = 0; p < 16; ++p) {
        GrantBoxes boxes = BoxesFromText(PermissionText(p));
        bool corrected = false;
        // Download without browse is stored, and shown, with browse added.
        uint32_t expected = (p & 2) ? (p | 1) : p;
        EXPECT_EQ(PermissionFromBoxes(boxes, corrected), expected) << p;
        EXPECT_EQ(corrected, (p & 3) == 2) << p;
        EXPECT_EQ(boxes.browse, (expected & 1) != 0) << p;
    }
}

TEST(ShareRules, FolderInputIsTrimmedAndChecked) {
    std::string name = "  영화 ";
    EXPECT_FALSE(CheckFolderInput(name, "/srv").has_value());
    EXPECT_EQ(name, "영화");
    name = "a\\b";
    EXPECT_EQ(CheckFolderInput(name, "/srv"), std::string(share_text::kNameHasBackslash));
    name = "   ";
    EXPECT_EQ(CheckFolderInput(name, "/srv"), std::string(share_text::kNameOrPathMissing));
    name = "a";
    EXPECT_EQ(CheckFolderInput(name, ""), std::string(share_text::kNameOrPathMissing));
}

}  // namespace
}  // namespace velorin
