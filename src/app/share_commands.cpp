#include "app/share_commands.h"

#include <charconv>
#include <optional>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "platform/json.h"
#include "views/friend_dialog.h"
#include "views/share_folder_page.h"

namespace velorin {
namespace {

using Args = CControlCommands::Args;

ControlAnswer Answer(const PageRefusal& refusal) {
    return refusal ? CControlCommands::Refused(*refusal) : CControlCommands::Done();
}

// The description of a word: the rest of its arguments, or the dialog's own text.
std::string DescriptionFrom(const Args& args, size_t first, const std::string& kept = "") {
    return args.size() > first ? CControlCommands::JoinFrom(args, first) : kept;
}

// "0".."15", or letters of "bdua".
std::optional<GrantBoxes> Rights(const std::string& text) {
    unsigned value = 0;
    const char* end = text.data() + text.size();
    auto [stop, error] = std::from_chars(text.data(), end, value);
    if (!text.empty() && error == std::errc() && stop == end) {
        if (value > 15) return std::nullopt;
        return GrantBoxes{(value & kPermissionBrowse) != 0, (value & kPermissionDownload) != 0,
                          (value & kPermissionUpload) != 0, (value & kPermissionAdult) != 0};
    }
    GrantBoxes boxes;
    for (char c : text) {
        if (c == 'b') {
            boxes.browse = true;
        } else if (c == 'd') {
            boxes.download = true;
        } else if (c == 'u') {
            boxes.upload = true;
        } else if (c == 'a') {
            boxes.adult = true;
        } else {
            return std::nullopt;
        }
    }
    return text.empty() ? std::nullopt : std::optional<GrantBoxes>(boxes);
}

ControlAnswer SharesAnswer(CShareFolderPage page) {
    std::vector<std::string> folders;
    for (size_t i = 0; i < page.Folders().size(); ++i) {
        page.SelectFolder(i);
        std::vector<std::string> grants;
        for (const PermissionRow& grant : page.Grants()) {
            grants.push_back(CJsonObject()
                                 .Add("id", grant.user)
                                 .Add("rights", grant.permission)
                                 .Add("rightsText", PermissionText(grant.permission))
                                 .Add("description", grant.desc)
                                 .Text());
        }
        const ShareFolderRow& folder = page.Folders()[i];
        folders.push_back(CJsonObject()
                              .Add("name", folder.name)
                              .Add("path", folder.path)
                              .Add("description", folder.desc)
                              .AddRaw("grants", JsonArray(grants))
                              .Text());
    }
    return CControlCommands::Done(
        CJsonObject().Add("ok", true).AddRaw("folders", JsonArray(folders)).Text());
}

ControlAnswer ChangeFolder(CShareFolderPage page, const Args& args) {
    page.SelectFolder(page.FindFolder(args[1]));
    FolderDialogFields fields;
    if (auto refusal = page.BeginChangeFolder(fields)) return Answer(refusal);
    fields = FolderDialogFields{args[2], args[3], DescriptionFrom(args, 4, fields.desc)};
    return Answer(page.ChangeFolder(fields));
}

ControlAnswer RemoveFolder(CShareFolderPage page, const std::string& name) {
    page.SelectFolder(page.FindFolder(name));
    return Answer(page.DeleteFolder());
}

ControlAnswer AddGrant(CShareFolderPage page, const Args& args) {
    std::optional<GrantBoxes> rights = Rights(args[3]);
    if (!rights) return CControlCommands::Refused("RIGHTS is 0-15 or letters of bdua: " + args[3]);
    page.SelectFolder(page.FindFolder(args[1]));
    GrantDialogFields fields;
    if (auto refusal = page.BeginAddGrant(fields)) return Answer(refusal);
    if (args[2] == kEveryone) fields.SetEveryone(true);
    fields.id = args[2];
    fields.boxes = *rights;
    fields.desc = DescriptionFrom(args, 4);
    return Answer(page.AddGrant(fields));
}

ControlAnswer ChangeGrant(CShareFolderPage page, const Args& args) {
    std::optional<GrantBoxes> rights = Rights(args[4]);
    if (!rights) return CControlCommands::Refused("RIGHTS is 0-15 or letters of bdua: " + args[4]);
    page.SelectFolder(page.FindFolder(args[1]));
    page.SelectGrant(page.FindGrant(args[2]));
    GrantDialogFields fields;
    if (auto refusal = page.BeginChangeGrant(fields)) return Answer(refusal);
    fields.SetEveryone(args[3] == kEveryone);
    fields.id = args[3];
    fields.boxes = *rights;
    fields.desc = DescriptionFrom(args, 5, fields.desc);
    return Answer(page.ChangeGrant(fields));
}

ControlAnswer RemoveGrant(CShareFolderPage page, const Args& args) {
    page.SelectFolder(page.FindFolder(args[1]));
    page.SelectGrant(page.FindGrant(args[2]));
    return Answer(page.RemoveGrant());
}

ControlAnswer MembersAnswer(const CFriendDialog& dialog, MemberList list, const char* key) {
    std::vector<std::string> rows;
    for (const MemberRow& row : dialog.Rows(list)) {
        rows.push_back(CJsonObject().Add("id", row.id).Add("description", row.desc).Text());
    }
    return CControlCommands::Done(
        CJsonObject().Add("ok", true).AddRaw(key, JsonArray(rows)).Text());
}

ControlAnswer ChangeMember(CFriendDialog dialog, MemberList list, const Args& args) {
    dialog.Select(list, dialog.Find(list, args[1]));
    MemberDialogFields fields;
    if (auto refusal = dialog.BeginChange(list, fields)) return Answer(refusal);
    return Answer(dialog.Change(list, {args[2], DescriptionFrom(args, 3, fields.desc)}));
}

ControlAnswer RemoveMember(CFriendDialog dialog, MemberList list, const std::string& id) {
    dialog.Select(list, dialog.Find(list, id));
    return Answer(dialog.Delete(list));
}

// A word with at least `least` arguments after it, or its usage.
void Add(CControlCommands& commands, const std::string& word, size_t least, const char* usage,
         std::function<ControlAnswer(const Args&)> handler) {
    commands.Register(word, [word, least, usage, handler = std::move(handler)](const Args& args) {
        if (args.size() < least + 1) {
            return CControlCommands::Refused("usage: " + word + " " + usage);
        }
        return handler(args);
    });
}

void RegisterMemberWords(CControlCommands& commands, const ShareWordParts& parts, MemberList list,
                         const std::string& prefix, const char* listWord) {
    auto dialog = parts.friends;
    Add(commands, listWord, 0, "",
        [dialog, list, listWord](const Args&) { return MembersAnswer(dialog(), list, listWord); });
    Add(commands, prefix + "-add", 1, "ID [DESCRIPTION]", [dialog, list](const Args& args) {
        return Answer(dialog().Add(list, {args[1], DescriptionFrom(args, 2)}));
    });
    Add(commands, prefix + "-change", 2, "OLDID NEWID [DESCRIPTION]",
        [dialog, list](const Args& args) { return ChangeMember(dialog(), list, args); });
    Add(commands, prefix + "-remove", 1, "ID",
        [dialog, list](const Args& args) { return RemoveMember(dialog(), list, args[1]); });
    Add(commands, prefix + "-add-from", 0, kListRowUsage,
        [dialog, list, rows = parts.rows](const Args& args) {
            ListRow row = rows(args);
            if (!row.texts) return CControlCommands::Refused(row.refusal);
            return Answer(dialog().AddFromElsewhere(list, {row.texts->member, ""}));
        });
}

}  // namespace

void RegisterShareCommands(CControlCommands& commands, ShareWordParts parts) {
    auto page = parts.page;
    Add(commands, "shares", 0, "", [page](const Args&) { return SharesAnswer(page()); });
    Add(commands, "share-add", 2, "NAME PATH [DESCRIPTION]", [page](const Args& args) {
        return Answer(page().AddFolder({args[1], args[2], DescriptionFrom(args, 3)}));
    });
    Add(commands, "share-change", 3, "OLDNAME NEWNAME PATH [DESCRIPTION]",
        [page](const Args& args) { return ChangeFolder(page(), args); });
    Add(commands, "share-remove", 1, "NAME",
        [page](const Args& args) { return RemoveFolder(page(), args[1]); });
    Add(commands, "grant", 3, "FOLDER ID RIGHTS [DESCRIPTION]",
        [page](const Args& args) { return AddGrant(page(), args); });
    Add(commands, "grant-change", 4, "FOLDER OLDID NEWID RIGHTS [DESCRIPTION]",
        [page](const Args& args) { return ChangeGrant(page(), args); });
    Add(commands, "grant-remove", 2, "FOLDER ID",
        [page](const Args& args) { return RemoveGrant(page(), args); });
    RegisterMemberWords(commands, parts, MemberList::kFriends, "friend", "friends");
    RegisterMemberWords(commands, parts, MemberList::kBlack, "black", "blacklist");
}

}  // namespace velorin
