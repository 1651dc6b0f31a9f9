#include "views/friend_dialog.h"

#include "platform/strings.h"
#include "platform/user_interface.h"

namespace velorin {

CFriendDialog::CFriendDialog(MemberPageParts parts) : parts_(std::move(parts)) {
    Reload(MemberList::kFriends);
    Reload(MemberList::kBlack);
}

void CFriendDialog::Select(MemberList list, std::optional<size_t> row) {
    ListState& rows = Of(list);
    rows.selected = row && *row < rows.rows.size() ? row : std::nullopt;
}

std::optional<size_t> CFriendDialog::Find(MemberList list, const std::string& id) const {
    const std::vector<MemberRow>& rows = Of(list).rows;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (EqualsIgnoreCase(rows[i].id, id)) return i;
    }
    return std::nullopt;
}

PageRefusal CFriendDialog::Refuse(const char* text) {
    parts_.ui.ShowMessage(text, kAppName);
    return std::string(text);
}

PageRefusal CFriendDialog::Broken(const char* text) {
    PageRefusal refusal = Refuse(text);
    parts_.endProcess();
    return refusal;
}

PageRefusal CFriendDialog::Insert(MemberList list, MemberDialogFields& fields,
                                  const char* existsText, const char* brokenText) {
    if (auto refusal = CheckMemberInput(fields.id, fields.desc)) return Refuse(refusal->c_str());
    bool exists = false;
    bool done = list == MemberList::kFriends ? parts_.db.AddFriend(exists, fields.id, fields.desc)
                                             : parts_.db.AddBlack(exists, fields.id, fields.desc);
    if (!done) return Broken(brokenText);
    if (exists) return Refuse(existsText);
    Reload(list);
    return std::nullopt;
}

PageRefusal CFriendDialog::Add(MemberList list, MemberDialogFields fields) {
    bool friends = list == MemberList::kFriends;
    return Insert(list, fields, share_text::kIdExists,
                  friends ? share_text::kFriendAddFailed : share_text::kAddFailed);
}

PageRefusal CFriendDialog::AddFromElsewhere(MemberList list, MemberDialogFields fields) {
    bool friends = list == MemberList::kFriends;
    return Insert(list, fields, friends ? share_text::kIdExists : share_text::kIdExistsFromOutside,
                  share_text::kAddFailed);
}

const char* CFriendDialog::NoSelection(MemberList list, bool changing) const {
    const ListState& rows = Of(list);
    if (rows.selected && !(changing && rows.rows[*rows.selected].id.empty())) return nullptr;
    if (rows.rows.empty()) return share_text::kListEmpty;
    bool friends = list == MemberList::kFriends;
    return friends && !changing ? share_text::kSelectFriendToDelete : share_text::kSelectId;
}

PageRefusal CFriendDialog::Delete(MemberList list) {
    if (const char* text = NoSelection(list, false)) return Refuse(text);
    const std::string& id = Of(list).rows[*Of(list).selected].id;
    bool friends = list == MemberList::kFriends;
    if (!(friends ? parts_.db.DeleteFriend(id) : parts_.db.DeleteBlack(id))) {
        return Broken(friends ? share_text::kFriendDeleteFailed : share_text::kListFailed);
    }
    Reload(list);
    return std::nullopt;
}

PageRefusal CFriendDialog::BeginChange(MemberList list, MemberDialogFields& fields) {
    if (const char* text = NoSelection(list, true)) return Refuse(text);
    const MemberRow& row = Of(list).rows[*Of(list).selected];
    fields = MemberDialogFields{row.id, row.desc};
    return std::nullopt;
}

PageRefusal CFriendDialog::Change(MemberList list, MemberDialogFields fields) {
    if (const char* text = NoSelection(list, true)) return Refuse(text);
    if (auto refusal = CheckMemberInput(fields.id, fields.desc)) return Refuse(refusal->c_str());
    const std::string oldId = Of(list).rows[*Of(list).selected].id;
    bool friends = list == MemberList::kFriends;
    // An ID listed already keeps its row; only the old row's description changes.
    if (!(friends ? parts_.db.UpdateFriend(oldId, fields.id, fields.desc)
                  : parts_.db.UpdateBlack(oldId, fields.id, fields.desc))) {
        return Broken(share_text::kListFailed);
    }
    Reload(list);
    return std::nullopt;
}

void CFriendDialog::Reload(MemberList list) {
    ListState& rows = Of(list);
    rows.selected.reset();
    if (list == MemberList::kFriends) {
        parts_.db.ListFriends(rows.rows);
    } else {
        parts_.db.ListBlack(rows.rows);
    }
}

}  // namespace velorin
