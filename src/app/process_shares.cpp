// The process context's share of the share folder page and the friend dialog:
// their models over the share database, and the velorind words that drive them.
#include "app/link_commands.h"
#include "app/process.h"
#include "app/share_commands.h"
#include "platform/user_interface.h"

namespace velorin {

MemberPageParts CProcess::MemberParts() {
    return MemberPageParts{shareDatabase_, ui_, [this] { Queue().Quit(kExitFatal); }};
}

CShareFolderPage CProcess::ShareFolderPage() {
    return CShareFolderPage(MemberParts());
}

CFriendDialog CProcess::FriendDialog() {
    return CFriendDialog(MemberParts());
}

void CProcess::CreateShareWords() {
    RegisterShareCommands(
        commands_,
        ShareWordParts{[this] { return ShareFolderPage(); }, [this] { return FriendDialog(); },
                       FindListRow(LinkCopyViews{*serverListView_, *explorer_, *transferView_,
                                                 *searchView_, *serverView_})});
}

}  // namespace velorin
