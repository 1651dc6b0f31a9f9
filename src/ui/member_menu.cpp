#include "ui/member_menu.h"

#include <QApplication>
#include <QClipboard>

#include "app/process.h"
#include "data/link.h"
#include "views/friend_dialog.h"

namespace velorin {

void AddMemberActions(QMenu& menu, CProcess& process, const std::string& id,
                      const MemberMenuTexts& texts, const MemberMenuHooks& hooks) {
    auto item = [&menu, &id](const char* text, std::function<void()> act) {
        QAction* action = menu.addAction(QString::fromUtf8(text), &menu, std::move(act));
        action->setEnabled(!id.empty());
    };
    item(texts.browse, [browse = hooks.browse, id] {
        if (browse) browse(id);
    });
    item(texts.addFriend, [&process, id] {
        process.FriendDialog().AddFromElsewhere(MemberList::kFriends, {id, ""});
    });
    item(texts.addBlack, [&process, id] {
        process.FriendDialog().AddFromElsewhere(MemberList::kBlack, {id, ""});
    });
    auto copy = [id](bool html) {
        LinkTexts links = ServerLinkTexts(id);
        QApplication::clipboard()->setText(
            QString::fromStdString(html ? links.serverHtml : links.server));
    };
    item("서버 링크 복사하기", [copy] { copy(false); });
    item("서버 링크 복사하기(HTML)", [copy] { copy(true); });
    item("쪽지 보내기", [note = hooks.note, id] {
        if (note) note(id);
    });
}

}  // namespace velorin
