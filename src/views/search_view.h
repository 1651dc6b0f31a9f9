#pragma once
// The search page's model ("파일검색"): the term's validation, the searcher it
// starts, the result list with its seven columns and sorting, the extension
// history, and the page's commands (download, open the member's server,
// clear). Runs on the loop's thread; the searcher's thread hands its rows over
// under the model's lock and posts one message for a batch of them.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "data/link.h"
#include "data/name_filter.h"
#include "platform/message_queue.h"
#include "platform/view_change.h"
#include "service/file_searcher.h"
#include "views/server_explorer.h"

namespace velorin {

class CRegistry;
class CServerList;
class CSettings;
class IUserInterface;

namespace search_view_text {
inline constexpr const char* kColumns[7] = {"파일명",     "구분",   "확장자", "경로",
                                            "크기(Byte)", "아이디", "Ping"};
inline constexpr const char* kSortKeys[6] = {"파일명", "구분", "확장자", "크기", "아이디", "Ping"};
inline constexpr const char* kFolder = "폴더";
inline constexpr const char* kUnderscore = "'_' 는 검색어로 사용하실수 없습니다.";
inline constexpr const char* kNeedsServer =
    "서버를 시작하지 않으면 검색서비스를 사용하실수 없습니다.";
inline constexpr const char* kShortTerm =
    "4byte 이상의 검색어를 입력하세요(영문 4자, 한글2자) - '%s'";
inline constexpr const char* kClearHistory = "[목록삭제]";
inline constexpr const char* kDownloadNeedsServer =
    "서버를 시작하지 않으면 다운로드요청이 불가능합니다.";
inline constexpr const char* kMasked = "해당 파일은 유해 파일로 추측됩니다. (불법공유, 음란물)";
inline constexpr const char* kConnectNeedsServer =
    "서버를 시작하지 않으면 접속요청이 불가능합니다.";
inline constexpr const char* kSearchTermsLink =
    "<A HREF=APP:FINDINGWORD><FONT COLOR=#0000FF>진행중인 검색어 보기</FONT></A>";
inline constexpr const char* kAutoSort = "자동정렬";
// Refusals that the person is shown no text for.
inline constexpr const char* kNothingLeft = "no word of the term is left to search for";
inline constexpr const char* kNotStarted = "the search could not be started";
}  // namespace search_view_text

// The page's command words.
namespace search_command {
inline constexpr const char* kDeleteAll = "FINDFILE_DELALL";
inline constexpr const char* kDownload = "FINDFILE_DOWNLOAD";
inline constexpr const char* kConnectPeer = "FINDFILE_CONNECTPEER";
inline constexpr const char* kSearchTerms = "FINDINGWORD";
}  // namespace search_command

// One answer as the list shows it: the raw answer, the response time, and the columns' texts.
struct SearchRow {
    SearchAnswer answer;
    int64_t ping = 0;
    bool masked = false;
    std::array<std::string, 7> texts;
    bool Folder() const { return answer.type != 0; }
};

// Column texts of one answer; `maskedPiece` decides which pieces of the name are hidden.
SearchRow MakeSearchRow(const SearchAnswer& answer, int64_t responseMs,
                        const PieceTest& maskedPiece);

struct SearchViewParts {
    CMessageQueue& queue;
    IUserInterface& ui;
    CServerList& servers;
    CRegistry& registry;
    CSettings& settings;
    CServerExplorer& explorer;
    const std::atomic<bool>& serverRunning;
    // The event log, on this thread.
    std::function<void(const std::string& text, int kind)> statusLine;
    // "Yes" to "connect?": the sign-in flow.
    std::function<void()> startSignIn;
    // Whether a name piece is listed in any category; called on the searcher's thread.
    PieceTest maskedPiece;
    // The word filter's verdict on one search word: true when restricted, with
    // the text the person is shown.
    std::function<bool(const std::string& word, std::string& message)> restrictedWord;
};

// What the download command did with the selected rows.
struct SearchDownloadResult {
    size_t reserved = 0;
    // The member's server was opened instead (a single folder row).
    bool connected = false;
    // The texts the rows were refused with, in order.
    std::vector<std::string> refusals;
};

class CSearchView : public CWindowTarget, private ISearchSink {
public:
    static constexpr uint32_t kRowsMessage = WM_USER + 1;
    static constexpr size_t kColumnCount = 7;
    static constexpr size_t kHistoryLimit = 20;

    explicit CSearchView(SearchViewParts parts);
    ~CSearchView() override;

    // The search button, or Enter in the term box while no search runs:
    // nothing when the search started, else the last text the person was
    // shown (a message box or the event log).
    ExplorerResult StartSearch(const std::string& termText, bool useExtension,
                               const std::string& extensionText);
    // The cancel button.
    void Cancel();
    // "FINDFILE_DELALL".
    void DeleteAll();
    // "FINDFILE_DOWNLOAD" on the rows `selection` (positions in the list).
    SearchDownloadResult Download(const std::vector<size_t>& selection);
    // "FINDFILE_CONNECTPEER" on row `index`.
    ExplorerResult ConnectPeer(size_t index);
    // The link copies of row `index`: the file, or the member's server for a
    // folder and for a name the list hides.
    std::optional<LinkTexts> LinkTextsOf(size_t index) const;
    // A click on a column header.
    void SortColumn(size_t column);
    // The sort box's key (0-5): WM_SEARCH_SORT.
    void SortKey(size_t key);

    // The extension box's items: the history, then "[목록삭제]".
    std::vector<std::string> ExtensionItems();
    // An item picked in the extension box; "[목록삭제]" empties the history.
    void ChooseExtension(const std::string& item);

    bool Searching() const { return searching_; }
    int Progress() const { return progress_; }
    const std::vector<SearchRow>& Rows() const { return rows_; }
    // Searches that have ended (or were cancelled) since construction.
    uint64_t SearchesEnded() const { return searchesEnded_; }
    // The searcher's counts of its last search.
    const CFileSearcher& Searcher() const { return searcher_; }

    // Rows as inserted (in batches), reset and changed; searching and progress as kState.
    CViewObservers& Observers() { return observers_; }

    void OnMessage(const Message& message) override;

private:
    void SearchBegun() override;
    void SearchProgress(int percent) override;
    void SearchAnswered(const SearchAnswer& answer, int64_t responseMs) override;
    void SearchEnded() override;
    // Under lock_: posts the batch message unless one is on its way.
    void PostBatch();
    void TakeBatch();
    void SetSearching(bool on);
    void Sort(size_t column, bool descending);
    ExplorerResult Log(const std::string& text, int kind) const;
    ExplorerResult AskForSignIn(const char* text);
    std::vector<std::string> LoadHistory();
    void SaveHistory(const std::vector<std::string>& history);
    void Remember(const std::string& extension);

    SearchViewParts parts_;
    CViewObservers observers_;
    std::vector<SearchRow> rows_;
    bool searching_ = false;
    int progress_ = 0;
    uint64_t searchesEnded_ = 0;
    // Set means the next request for that column sorts descending.
    std::array<bool, kColumnCount> descending_{};
    std::array<bool, kColumnCount> sortedOnce_{};

    // Handed over by the searcher's thread.
    struct Batch {
        bool reset = false;
        std::vector<SearchRow> rows;
        int progress = -1;
        bool ended = false;
        bool posted = false;
    };
    std::mutex lock_;
    Batch batch_;
    // Last: its thread reports to the members above until it is stopped.
    CFileSearcher searcher_;
};

}  // namespace velorin
