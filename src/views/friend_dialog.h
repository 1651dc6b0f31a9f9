#pragma once
// The friend management dialog ("친구 관리") as a model: the friend list and
// the black list, each with add, change and delete through the ID dialog, and
// the adds that other lists offer ("친구 등록", "접근거부자 등록"). A change to
// the black list counts from the file server's next sign-on. A database
// operation that fails ends the process, after the text the dialog has always
// shown for it. Drawing is the front-end's.
#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "views/share_folder_page.h"

namespace velorin {

enum class MemberList { kFriends, kBlack };

// The ID dialog.
struct MemberDialogFields {
    std::string id;
    std::string desc;
};

class CFriendDialog {
public:
    // Lists both; no row is selected.
    explicit CFriendDialog(MemberPageParts parts);

    const std::vector<MemberRow>& Rows(MemberList list) const { return Of(list).rows; }
    std::optional<size_t> Selected(MemberList list) const { return Of(list).selected; }
    void Select(MemberList list, std::optional<size_t> row);
    // Letter case does not count, as in the database.
    std::optional<size_t> Find(MemberList list, const std::string& id) const;

    // The ID dialog's OK for the add button.
    PageRefusal Add(MemberList list, MemberDialogFields fields);
    // The same from another window's "친구 등록" or "접근거부자 등록".
    PageRefusal AddFromElsewhere(MemberList list, MemberDialogFields fields);
    // No question is asked.
    PageRefusal Delete(MemberList list);
    // "변경": the selected row's values for the ID dialog.
    PageRefusal BeginChange(MemberList list, MemberDialogFields& fields);
    PageRefusal Change(MemberList list, MemberDialogFields fields);

private:
    struct ListState {
        std::vector<MemberRow> rows;
        std::optional<size_t> selected;
    };
    ListState& Of(MemberList list) { return lists_[static_cast<size_t>(list)]; }
    const ListState& Of(MemberList list) const { return lists_[static_cast<size_t>(list)]; }
    PageRefusal Refuse(const char* text);
    PageRefusal Broken(const char* text);
    PageRefusal Insert(MemberList list, MemberDialogFields& fields, const char* existsText,
                       const char* brokenText);
    // The text for a missing selection, or none when a row is selected.
    const char* NoSelection(MemberList list, bool changing) const;
    void Reload(MemberList list);

    MemberPageParts parts_;
    std::array<ListState, 2> lists_;
};

}  // namespace velorin
