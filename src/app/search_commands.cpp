#include "app/search_commands.h"

#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/badword_check.h"
#include "data/share_database.h"
#include "fileserver/search_robot.h"
#include "platform/json.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"

namespace velorin {

CSearchWords::CSearchWords(SearchWordsParts parts)
    : CWindowTarget(parts.queue),
      parts_(parts),
      check_(std::make_unique<CBadWordCheck>(parts.filter, parts.queue, Handle())) {
    viewToken_ = parts_.view.Observers().Subscribe([this](const ViewChange& change) {
        if (change.kind == ViewChange::kState) OnViewChange();
    });
}

// The check's worker ends first; a waiting word is then refused by its reply.
CSearchWords::~CSearchWords() {
    parts_.view.Observers().Unsubscribe(viewToken_);
    check_.reset();
}

namespace {

std::string RowsJson(const CSearchView& view) {
    std::vector<std::string> rows;
    size_t number = 0;
    for (const SearchRow& row : view.Rows()) {
        rows.push_back(CJsonObject()
                           .Add("row", static_cast<int64_t>(++number))
                           .Add("name", row.texts[0])
                           .Add("kind", row.Folder() ? "folder" : "file")
                           .Add("ext", row.answer.ext)
                           .Add("path", row.answer.path)
                           .Add("size", static_cast<int64_t>(row.answer.size))
                           .Add("id", row.answer.memberId)
                           .Add("ping", row.ping)
                           .Add("masked", row.masked)
                           .Text());
    }
    return JsonArray(rows);
}

std::string ListJson(const CSearchView& view) {
    return CJsonObject()
        .Add("ok", true)
        .Add("searching", view.Searching())
        .Add("progress", static_cast<int64_t>(view.Progress()))
        .Add("answers", static_cast<int64_t>(view.Searcher().Answers()))
        .AddRaw("rows", RowsJson(view))
        .Text();
}

// Rows numbered from 1 as velorind shows them; false on anything else.
bool RowNumbers(const std::vector<std::string>& args, size_t rows, std::vector<size_t>& picked) {
    for (size_t i = 1; i < args.size(); ++i) {
        size_t used = 0;
        unsigned long number = 0;
        try {
            number = std::stoul(args[i], &used);
        } catch (...) {
            return false;
        }
        if (used != args[i].size() || number == 0 || number > rows) return false;
        picked.push_back(number - 1);
    }
    return !picked.empty();
}

}  // namespace

void CSearchWords::Register(CControlCommands& commands) {
    using Args = CControlCommands::Args;
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
    commands.RegisterAsync("search", [this](const Args& args, CControlReply reply) {
        Search(args, std::move(reply));
    });
    commands.Register("search-results", [this](const Args&) {
        return CControlCommands::Done(ListJson(parts_.view));
    });
    commands.Register("search-stop", [this](const Args&) {
        parts_.view.Cancel();
        return CControlCommands::Done(ListJson(parts_.view));
    });
    commands.Register("search-sort", [this](const Args& args) {
        if (args.size() != 2 || args[1].size() != 1 || args[1][0] < '0' || args[1][0] > '5') {
            return CControlCommands::Refused("usage: search-sort KEY, KEY 0 to 5");
        }
        parts_.view.SortKey(static_cast<size_t>(args[1][0] - '0'));
        return CControlCommands::Done(ListJson(parts_.view));
    });
    commands.Register("search-clear", [this](const Args&) {
        parts_.view.DeleteAll();
        return CControlCommands::Done();
    });
    commands.Register("search-download", [this](const Args& args) {
        std::vector<size_t> rows;
        if (!RowNumbers(args, parts_.view.Rows().size(), rows)) {
            return CControlCommands::Refused("usage: search-download ROW..., rows from 1");
        }
        SearchDownloadResult result = parts_.view.Download(rows);
        if (result.reserved == 0 && !result.connected) {
            return CControlCommands::Refused(result.refusals.empty() ? "nothing to download"
                                                                     : result.refusals.back());
        }
        std::vector<std::string> refusals;
        for (const std::string& text : result.refusals) refusals.push_back(JsonQuote(text));
        return CControlCommands::Done(CJsonObject()
                                          .Add("ok", true)
                                          .Add("reserved", static_cast<int64_t>(result.reserved))
                                          .Add("connected", result.connected)
                                          .AddRaw("refusals", JsonArray(refusals))
                                          .Text());
    });
    commands.Register("search-connect", [this](const Args& args) {
        std::vector<size_t> rows;
        if (args.size() != 2 || !RowNumbers(args, parts_.view.Rows().size(), rows)) {
            return CControlCommands::Refused("usage: search-connect ROW, rows from 1");
        }
        if (ExplorerResult refused = parts_.view.ConnectPeer(rows[0])) {
            return CControlCommands::Refused(*refused);
        }
        return CControlCommands::Done(CJsonObject()
                                          .Add("ok", true)
                                          .Add("id", parts_.view.Rows()[rows[0]].answer.memberId)
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

void CSearchWords::Search(const std::vector<std::string>& args, CControlReply reply) {
    if (args.size() < 2 || args.size() > 3)
        return reply(CControlCommands::Refused("usage: search TERM [EXT]"));
    // A search word still waiting is answered with its list as the new search stops it.
    ExplorerResult refused =
        parts_.view.StartSearch(args[1], args.size() == 3, args.size() == 3 ? args[2] : "");
    if (refused) return reply(CControlCommands::Refused(*refused));
    searchEnds_ = parts_.view.SearchesEnded();
    searching_ = std::make_unique<CControlReply>(std::move(reply));
}

void CSearchWords::OnViewChange() {
    if (!searching_ || parts_.view.Searching() || parts_.view.SearchesEnded() <= searchEnds_) {
        return;
    }
    std::unique_ptr<CControlReply> reply = std::move(searching_);
    (*reply)(CControlCommands::Done(ListJson(parts_.view)));
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
