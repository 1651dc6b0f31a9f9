#include "app/browse_commands.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "platform/json.h"
#include "platform/message_queue.h"
#include "platform/strings.h"
#include "platform/view_change.h"
#include "views/server_explorer.h"

namespace velorin {
namespace {

using Args = std::vector<std::string>;
using namespace std::chrono_literals;

// Connecting takes up to 5 s; a sign-on or a listing that takes longer is not coming.
constexpr std::chrono::seconds kPatience(15);

}  // namespace

// One word that waits for the browsed server. Each wait ends when the
// explorer's observers report its condition, or after kPatience; the loop
// runs on meanwhile, so a desktop window never stalls on a word.
class CBrowseFlow : public CWindowTarget {
public:
    using Then = std::function<void()>;

    CBrowseFlow(CServerExplorer& explorer, CMessageQueue& queue, CControlReply reply,
                std::function<void(CBrowseFlow*)> ended)
        : CWindowTarget(queue),
          explorer_(explorer),
          reply_(std::move(reply)),
          ended_(std::move(ended)) {
        token_ = explorer_.Observers().Subscribe([this](const ViewChange&) { OnChange(); });
    }
    ~CBrowseFlow() override {
        Queue().KillTimer(Handle(), kDeadlineTimer);
        explorer_.Observers().Unsubscribe(token_);
    }

    CServerExplorer& Explorer() { return explorer_; }

    // Browsing `id` signed on; a new session starts at `startPath`.
    void Reach(const std::string& id, const std::string& startPath, Then then) {
        if (explorer_.SignedOn() && EqualsIgnoreCase(explorer_.BrowsedId(), id)) return then();
        uint64_t before = explorer_.Sessions();
        if (ExplorerResult refused = explorer_.Connect(id, startPath)) return Refuse(*refused);
        Wait(
            [this, before] {
                return explorer_.Sessions() > before &&
                       (explorer_.SignedOn() || !explorer_.Connected());
            },
            "no answer from the server of " + id,
            [this, then] {
                if (ExplorerResult ended = Ended()) return Refuse(*ended);
                then();
            });
    }

    // Everything asked so far has been answered and taken in by the explorer.
    void Sync(Then then) {
        uint64_t ticket = explorer_.RequestSync();
        if (ticket == 0) return Refuse(Ended().value_or(explorer_text::kNotQueued));
        Wait([this, ticket] { return explorer_.InfoAnswered() >= ticket || !explorer_.SignedOn(); },
             "no answer from the server",
             [this, then] {
                 if (ExplorerResult ended = Ended()) return Refuse(*ended);
                 then();
             });
    }

    void Refuse(const std::string& text) { Answer(CControlCommands::Refused(text)); }
    void Answer(ControlAnswer answer) {
        if (finished_) return;
        finished_ = true;
        then_ = nullptr;
        Queue().KillTimer(Handle(), kDeadlineTimer);
        reply_(std::move(answer));
        // Not from inside the observers' call: the owner destroys it on its own turn.
        Queue().PostMessage(Handle(), kEndMessage);
    }

    void OnMessage(const Message& message) override {
        if (message.message == WM_TIMER && message.wParam == kDeadlineTimer) {
            Refuse(timeoutText_);
        } else if (message.message == kEndMessage && ended_) {
            // Destroys this flow: the last thing it does.
            ended_(this);
        } else if (message.message == kStepMessage && then_ && !finished_ && done_()) {
            Queue().KillTimer(Handle(), kDeadlineTimer);
            Then then = std::move(then_);
            then_ = nullptr;
            then();
        }
    }

private:
    static constexpr uint32_t kDeadlineTimer = 1;
    static constexpr uint32_t kStepMessage = WM_USER + 1;
    static constexpr uint32_t kEndMessage = WM_USER + 2;

    void Wait(std::function<bool()> done, std::string timeoutText, Then then) {
        done_ = std::move(done);
        timeoutText_ = std::move(timeoutText);
        then_ = std::move(then);
        Queue().SetTimer(Handle(), kDeadlineTimer, kPatience);
        OnChange();
    }

    // The step goes on from the loop, never from inside the explorer's notification.
    void OnChange() {
        if (then_ && !finished_ && done_()) Queue().PostMessage(Handle(), kStepMessage);
    }

    ExplorerResult Ended() const {
        if (explorer_.SignedOn()) return std::nullopt;
        std::string line = explorer_.SessionLine();
        return line.empty() ? std::string(explorer_text::kNoServer) : line;
    }

    CServerExplorer& explorer_;
    CControlReply reply_;
    std::function<void(CBrowseFlow*)> ended_;
    int token_ = 0;
    std::function<bool()> done_;
    std::string timeoutText_;
    Then then_;
    bool finished_ = false;
};

namespace {

std::string RowJson(const ExplorerRow& row) {
    CJsonObject json;
    switch (row.kind) {
        case ExplorerRow::kShare:
            json.Add("kind", "share").Add("name", row.name).Add("description", row.second);
            json.Add("rights", static_cast<int>(row.rights)).Add("rightsText", row.third);
            break;
        case ExplorerRow::kFolder:
            json.Add("kind", "folder").Add("name", row.name).Add("type", row.second);
            break;
        case ExplorerRow::kFile:
            json.Add("kind", "file").Add("name", row.name).Add("type", row.second);
            json.Add("size", static_cast<int64_t>(row.size)).Add("sizeText", row.third);
            break;
    }
    return json.Text();
}

std::string ListingJson(const CServerExplorer& explorer) {
    std::vector<std::string> columns;
    for (const std::string& column : explorer.Columns()) columns.push_back(JsonQuote(column));
    std::vector<std::string> rows;
    for (const ExplorerRow& row : explorer.Rows()) rows.push_back(RowJson(row));
    return CJsonObject()
        .Add("ok", true)
        .Add("id", explorer.BrowsedId())
        .Add("path", explorer.CurrentPath())
        .AddRaw("columns", JsonArray(columns))
        .AddRaw("rows", JsonArray(rows))
        .Add("status", explorer.StatusText())
        .Add("notice", explorer.Notice())
        .Text();
}

void Browse(CBrowseFlow& flow, const Args& args) {
    if (args.size() < 2 || args.size() > 3 || (args.size() == 3 && args[2].rfind('\\', 0) != 0)) {
        return flow.Refuse("usage: browse ID [PATH], PATH beginning with \\");
    }
    CServerExplorer& explorer = flow.Explorer();
    std::string path = args.size() == 3 ? args[2] : "\\";
    auto answer = [&flow] {
        flow.Sync([&flow] { flow.Answer(CControlCommands::Done(ListingJson(flow.Explorer()))); });
    };
    if (explorer.SignedOn() && EqualsIgnoreCase(explorer.BrowsedId(), args[1])) {
        if (ExplorerResult refused = explorer.OpenPath(path)) return flow.Refuse(*refused);
        return answer();
    }
    flow.Reach(args[1], path, answer);
}

void DownloadFolder(CBrowseFlow& flow, const Args& args) {
    if (args.size() != 4) return flow.Refuse("usage: download-folder ID PATH LOCALNAME");
    std::string path = args[2];
    std::string localName = args[3];
    auto confirm = [&flow, path, localName] {
        CServerExplorer& explorer = flow.Explorer();
        if (!explorer.Offer() || explorer.Offer()->remotePath != path) {
            return flow.Refuse("the server gave no summary of " + path);
        }
        FolderDownloadOffer offer = *explorer.Offer();
        uint64_t before = explorer.FolderFilesReserved();
        if (ExplorerResult refused = explorer.ConfirmFolderDownload(path, localName)) {
            return flow.Refuse(*refused);
        }
        flow.Sync([&flow, path, localName, offer, before] {
            flow.Answer(CControlCommands::Done(
                CJsonObject()
                    .Add("ok", true)
                    .Add("path", path)
                    .Add("localName", localName)
                    .Add("files", offer.files)
                    .Add("folders", offer.folders)
                    .Add("size", offer.sizeText)
                    .Add("reserved",
                         static_cast<int64_t>(flow.Explorer().FolderFilesReserved() - before))
                    .Text()));
        });
    };
    // The rights of the shared folders come with the root listing, which a new session opens.
    flow.Reach(args[1], "\\", [&flow, path, confirm] {
        flow.Sync([&flow, path, confirm] {
            if (ExplorerResult refused = flow.Explorer().DownloadFolder(path)) {
                return flow.Refuse(*refused);
            }
            flow.Sync(confirm);
        });
    });
}

}  // namespace

CBrowseWords::CBrowseWords(CServerExplorer& explorer, CMessageQueue& queue)
    : explorer_(explorer), queue_(queue) {}

CBrowseWords::~CBrowseWords() = default;

void CBrowseWords::Start(CControlReply reply, const std::function<void(CBrowseFlow&)>& word) {
    auto flow = std::make_unique<CBrowseFlow>(
        explorer_, queue_, std::move(reply), [this](CBrowseFlow* ended) {
            std::erase_if(flows_, [ended](const auto& held) { return held.get() == ended; });
        });
    CBrowseFlow& started = *flow;
    flows_.push_back(std::move(flow));
    word(started);
}

void CBrowseWords::Register(CControlCommands& commands) {
    commands.RegisterAsync("browse", [this](const Args& args, CControlReply reply) {
        Start(std::move(reply), [&args](CBrowseFlow& flow) { Browse(flow, args); });
    });
    commands.RegisterAsync("download-folder", [this](const Args& args, CControlReply reply) {
        Start(std::move(reply), [&args](CBrowseFlow& flow) { DownloadFolder(flow, args); });
    });
    commands.Register("history", [this](const Args&) {
        std::vector<std::string> ids;
        for (const std::string& id : explorer_.History()) ids.push_back(JsonQuote(id));
        return CControlCommands::Done(CJsonObject().AddRaw("history", JsonArray(ids)).Text());
    });
    commands.Register("history-clear", [this](const Args&) {
        explorer_.ClearHistory();
        return CControlCommands::Done();
    });
}

}  // namespace velorin
