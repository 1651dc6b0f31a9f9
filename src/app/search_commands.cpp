#include "app/search_commands.h"

#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/badword_check.h"
#include "data/share_database.h"
#include "fileserver/search_robot.h"
#include "platform/json.h"
#include "views/search_terms_view.h"

namespace velorin {

CSearchWords::CSearchWords(SearchWordsParts parts)
    : CWindowTarget(parts.queue),
      parts_(parts),
      check_(std::make_unique<CBadWordCheck>(parts.filter, parts.queue, Handle())) {}

// The check's worker ends first; a waiting word is then refused by its reply.
CSearchWords::~CSearchWords() {
    check_.reset();
}

void CSearchWords::Register(CControlCommands& commands) {
    using Args = CControlCommands::Args;
    commands.Register("reindex", [this](const Args&) {
        // Without a sign-in the robot builds its index when it starts anyway.
        const char* text = search_text::kReindexLater;
        if (parts_.serverRunning) {
            parts_.robot.RequestReindex();
            text = search_text::kReindexing;
        }
        return CControlCommands::Done(CJsonObject().Add("ok", true).Add("text", text).Text());
    });
    commands.Register("search-terms", [this](const Args& args) {
        if (args.size() > 2 || (args.size() == 2 && args[1] != "pause")) {
            return CControlCommands::Refused("usage: search-terms [pause]");
        }
        parts_.terms.Open();
        if (args.size() == 2) parts_.terms.TogglePause();
        std::vector<std::string> lines;
        for (const std::string& line : parts_.terms.Lines()) lines.push_back(JsonQuote(line));
        return CControlCommands::Done(CJsonObject()
                                          .Add("ok", true)
                                          .Add("paused", parts_.terms.Paused())
                                          .AddRaw("lines", JsonArray(lines))
                                          .Text());
    });
    commands.RegisterAsync("check-shares", [this](const Args&, CControlReply reply) {
        CheckShares(std::move(reply));
    });
}

void CSearchWords::CheckShares(CControlReply reply) {
    std::vector<ShareFolderRow> folders;
    if (!parts_.shares.LoadShareFolders(folders))
        return reply(CControlCommands::Refused("velorin.dat"));
    std::vector<std::string> paths;
    for (const ShareFolderRow& folder : folders) paths.push_back(folder.path);
    if (waiting_ || !check_->Start(paths)) {
        return reply(CControlCommands::Refused("a check of the shared files is running"));
    }
    waiting_ = std::make_unique<CControlReply>(std::move(reply));
}

void CSearchWords::OnMessage(const Message& message) {
    if (message.message != CBadWordCheck::kDoneMessage || !waiting_) return;
    std::vector<std::string> rows;
    for (const BadWordHit& hit : check_->Hits()) {
        rows.push_back(CJsonObject()
                           .Add("name", hit.fileName)
                           .Add("folder", hit.folder)
                           .Add("word", hit.word)
                           .Add("req", hit.req)
                           .Text());
    }
    std::unique_ptr<CControlReply> reply = std::move(waiting_);
    (*reply)(CControlCommands::Done(CJsonObject()
                                        .Add("ok", true)
                                        .Add("files", static_cast<int64_t>(message.wParam))
                                        .AddRaw("rows", JsonArray(rows))
                                        .Text()));
}

}  // namespace velorin
