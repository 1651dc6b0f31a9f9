#include "app/search_commands.h"

#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/badword_check.h"
#include "data/share_database.h"
#include "fileserver/search_robot.h"
#include "platform/json.h"

namespace velorin {

CSearchWords::CSearchWords(CMessageQueue& queue, CSearchRobot& robot, CBadWordFilter& filter,
                           CShareDatabase& shares)
    : CWindowTarget(queue),
      robot_(robot),
      shares_(shares),
      check_(std::make_unique<CBadWordCheck>(filter, queue, Handle())) {}

// The check's worker ends first; a waiting word is then refused by its reply.
CSearchWords::~CSearchWords() {
    check_.reset();
}

void CSearchWords::Register(CControlCommands& commands) {
    using Args = CControlCommands::Args;
    commands.Register("reindex", [this](const Args&) {
        robot_.RequestReindex();
        return CControlCommands::Done();
    });
    commands.RegisterAsync("check-shares", [this](const Args&, CControlReply reply) {
        CheckShares(std::move(reply));
    });
}

void CSearchWords::CheckShares(CControlReply reply) {
    std::vector<ShareFolderRow> folders;
    if (!shares_.LoadShareFolders(folders)) return reply(CControlCommands::Refused("velorin.dat"));
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
