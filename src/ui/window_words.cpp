#include "ui/window_words.h"

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <charconv>

#include "app/control_commands.h"
#include "app/process.h"
#include "platform/json.h"
#include "ui/friend_dialog_window.h"
#include "ui/main_window.h"
#include "ui/note_windows.h"
#include "ui/options_dialog.h"
#include "ui/popups.h"
#include "ui/queue_bridge.h"
#include "ui/search_page.h"
#include "ui/server_state_part.h"
#include "ui/tray.h"
#include "views/server_explorer.h"

namespace velorin {

namespace {

// The newest of the main window's windows of a kind.
template <typename T>
QWidget* Newest(QWidget& window) {
    QList<T*> found = window.findChildren<T*>();
    return found.isEmpty() ? nullptr : found.back();
}

using Args = CControlCommands::Args;

const char* StateName(MemberState state) {
    switch (state) {
        case MemberState::kOnline:
            return "online";
        case MemberState::kConnecting:
            return "connecting";
        default:
            return "offline";
    }
}

}  // namespace

CWindowWords::CWindowWords(CProcess& process, CMainWindow& window, const CQueueBridge* bridge)
    : process_(process), window_(window), bridge_(bridge) {
    AddWindow("main", [this]() -> QWidget* { return &window_; });
    AddWindow("status-popup", [this]() -> QWidget* {
        window_.Tray().onClick();
        return &window_.StatusPopup();
    });
    AddWindow("event-popup", [this]() -> QWidget* { return &window_.EventPopup(); });
    // Shown without waiting, for a script to photograph.
    AddWindow("options", [this]() -> QWidget* {
        if (!options_) {
            options_ = new COptionsDialog(process_, &window_);
            options_->setAttribute(Qt::WA_DeleteOnClose);
        }
        return options_;
    });
    AddWindow("friends", [this]() -> QWidget* {
        if (!friends_) {
            friends_ = new CFriendDialogWindow(process_, MemberList::kFriends, &window_);
            friends_->setAttribute(Qt::WA_DeleteOnClose);
        }
        return friends_;
    });
    AddWindow("share-check", [this]() -> QWidget* {
        window_.OpenShareCheck();
        return window_.ShareCheck();
    });
    AddWindow("note-box", [this]() -> QWidget* {
        window_.OpenNoteBox();
        return window_.NoteBoxWindow();
    });
    AddWindow("note", [this]() -> QWidget* {
        window_.WriteNote("");
        return Newest<CNoteWindow>(window_);
    });
    // The newest notice; a notice opens as a visited server sends it, or by "notice-preview".
    AddWindow("notice", [this]() -> QWidget* { return Newest<CNoticeView>(window_); });
    AddWindow("search-terms", [this]() -> QWidget* {
        auto* page = window_.findChild<CSearchPage*>();
        if (!page) return nullptr;
        page->OpenSearchTerms();
        return Newest<CSearchTermsWindow>(*page);
    });
    AddWindow("completed-list", [this]() -> QWidget* {
        auto* part = window_.findChild<CServerStatePart*>();
        if (!part) return nullptr;
        part->ShowCompletedList();
        return part->findChildren<QDialog*>(QStringLiteral("completedList")).back();
    });
    AddWindow("sign-in", [this]() -> QWidget* {
        window_.ShowSignInDialog();
        return window_.SignInWindow();
    });
}

void CWindowWords::AddWindow(const std::string& name, std::function<QWidget*()> open) {
    windows_[name] = std::move(open);
}

QWidget* CWindowWords::Find(const std::string& name, bool open) {
    auto found = windows_.find(name);
    if (found == windows_.end()) return nullptr;
    if (!open && name == "event-popup") return &window_.EventPopup();
    if (!open && name == "options" && options_) return options_;
    if (!open && name == "friends" && friends_) return friends_;
    if (!open && name == "note") return Newest<CNoteWindow>(window_);
    if (!open && name == "search-terms") return Newest<CSearchTermsWindow>(window_);
    if (!open && name == "completed-list") {
        QList<QDialog*> lists = window_.findChildren<QDialog*>(QStringLiteral("completedList"));
        return lists.isEmpty() ? nullptr : lists.back();
    }
    return found->second();
}

void CWindowWords::Register(CControlCommands& commands) {
    commands.Register("window", [this](const Args&) {
        std::vector<std::string> panes;
        for (int pane = kPaneService; pane <= kPaneFreeSpace; ++pane) {
            panes.push_back(JsonQuote(window_.StatusPane(pane).toStdString()));
        }
        // The senders as the open note box lists them.
        std::vector<std::string> notes;
        if (CNoteBoxWindow* box = window_.NoteBoxWindow()) {
            for (int row = 0; row < box->List()->rowCount(); ++row) {
                notes.push_back(JsonQuote(box->List()->item(row, 0)->text().toStdString()));
            }
        }
        CServerExplorer* explorer = process_.Explorer();
        return CControlCommands::Done(
            CJsonObject()
                .Add("page", window_.CurrentPage())
                .Add("visible", window_.isVisible())
                .Add("state", StateName(window_.MemberStateShown()))
                .Add("explorer", explorer ? explorer->BrowsedId() : std::string())
                .Add("tray", window_.Tray().Tooltip().toStdString())
                .AddRaw("panes", JsonArray(panes))
                .AddRaw("noteBox", JsonArray(notes))
                .Add("longestTurnMs",
                     bridge_ ? static_cast<int64_t>(bridge_->LongestTurn().count() / 1000)
                             : int64_t{-1})
                .Text());
    });
    commands.Register("window-page", [this](const Args& args) {
        int page = -1;
        if (args.size() == 2)
            std::from_chars(args[1].data(), args[1].data() + args[1].size(), page);
        if (page < 0 || page >= kPageCount) {
            return CControlCommands::Refused("usage: window-page 0-5");
        }
        window_.ShowFromTray();
        window_.SelectPage(page);
        return CControlCommands::Done();
    });
    commands.Register("window-show", [this](const Args& args) {
        QWidget* widget = args.size() == 2 ? Find(args[1], true) : nullptr;
        if (!widget)
            return CControlCommands::Refused("no window " + CControlCommands::JoinFrom(args, 1));
        widget->show();
        return CControlCommands::Done();
    });
    commands.Register("window-grab", [this](const Args& args) {
        if (args.size() < 2 || args.size() > 3) {
            return CControlCommands::Refused("usage: window-grab PATH [WINDOW]");
        }
        QWidget* widget = Find(args.size() == 3 ? args[2] : "main", false);
        if (!widget) return CControlCommands::Refused("no window " + args[2]);
        QApplication::processEvents();
        if (!widget->grab().save(QString::fromStdString(args[1]), "PNG")) {
            return CControlCommands::Refused("cannot write " + args[1]);
        }
        return CControlCommands::Done();
    });
}

}  // namespace velorin
