// The process context's share of searching: the search robot as the sign-in
// chain drives it (its datagram socket is bound first, so that the port
// announced at sign-in is real; once the member is signed in the robot answers
// on it), the search page's model and the search words.
#include <arpa/inet.h>

#include "app/main_controller.h"
#include "app/process.h"
#include "app/search_commands.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"

namespace velorin {

void CProcess::CreateSearch() {
    auto startSignIn = [this] {
        if (controller_) controller_->StartServer();
    };
    searchView_ = std::make_unique<CSearchView>(SearchViewParts{
        .queue = queue_,
        .ui = ui_,
        .servers = serverList_,
        .registry = registry_,
        .settings = settings_,
        .explorer = *explorer_,
        .serverRunning = serverRunning_,
        .statusLine = StatusSink(),
        .startSignIn = startSignIn,
        .maskedPiece =
            [this](std::string_view piece) { return wordFilter_.IsRestrictedName(piece, false); },
        // A filter of its own for each word, as the list is now on disk.
        .restrictedWord =
            [this](const std::string& word, std::string& message) {
                CBadWordFilter filter(profile_.folder / "badword.db");
                return filter.CheckSearchWord(word, &message);
            },
    });
    searchTerms_ = std::make_unique<CSearchTermsView>(
        queue_, SearchTermsParts{[this] { return searchRobot_.CurrentTerm(); },
                                 [this] { return searchRobot_.Running() && serverRunning_; }});
    searchWords_ = std::make_unique<CSearchWords>(
        SearchWordsParts{queue_, searchRobot_, wordFilter_, shareDatabase_, *searchTerms_,
                         *searchView_, serverRunning_});
    searchWords_->Register(commands_);
}

uint16_t CProcess::OpenSearchPort(uint16_t port) {
    if (!searchSocket_.IsOpen() && !searchSocket_.Open(port)) return 0;
    return ntohs(searchSocket_.LocalPort());
}

void CProcess::StartSearchRobot() {
    if (!searchSocket_.IsOpen()) return;
    searchRobot_.OpenIndex();
    searchRobot_.Start(Credentials().userId);
}

void CProcess::StopSearchRobot() {
    searchRobot_.Stop();
    searchSocket_.Close();
}

}  // namespace velorin
