#include "views/search_view.h"

#include <algorithm>

#include "data/settings.h"
#include "platform/registry.h"
#include "platform/status_lines.h"
#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "platform/text_format.h"
#include "platform/user_interface.h"
#include "platform/window_messages.h"
#include "service/server_list.h"
#include "transfer/transfer_texts.h"

namespace velorin {

namespace text = search_view_text;

namespace {

constexpr const char* kHistoryValue = "__findfile_ext__";
// A word shorter than this many CP949 bytes finds too much.
constexpr size_t kShortestWord = 3;
// The sort box's keys name these columns.
constexpr size_t kKeyColumns[6] = {0, 1, 2, 4, 5, 6};

std::string ShownPath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '>');
    return path;
}

std::vector<std::string> SplitAtBlanks(const std::string& text) {
    std::vector<std::string> words;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(' ', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) words.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

}  // namespace

SearchRow MakeSearchRow(const SearchAnswer& answer, int64_t responseMs,
                        const PieceTest& maskedPiece) {
    SearchRow row;
    row.answer = answer;
    row.ping = responseMs - 20 >= 1 ? responseMs - 20 : 0;
    std::string name = MaskRestrictedPieces(answer.name, maskedPiece, row.masked);
    row.texts = {name,
                 row.Folder() ? text::kFolder : "",
                 answer.ext,
                 ShownPath(answer.path),
                 WithThousands(answer.size),
                 answer.memberId,
                 std::to_string(row.ping)};
    return row;
}

CSearchView::CSearchView(SearchViewParts parts)
    : CWindowTarget(parts.queue), parts_(std::move(parts)), searcher_(parts_.servers, *this) {}

CSearchView::~CSearchView() {
    searcher_.Stop();
}

ExplorerResult CSearchView::Log(const std::string& line, int kind) const {
    if (parts_.statusLine) parts_.statusLine(line, kind);
    return line;
}

ExplorerResult CSearchView::AskForSignIn(const char* line) {
    Log(line, kStatusCaution);
    if (parts_.ui.AskYesNo(server_list_text::kAskConnect, kAppName) && parts_.startSignIn) {
        parts_.startSignIn();
    }
    return std::string(line);
}

ExplorerResult CSearchView::StartSearch(const std::string& termText, bool useExtension,
                                        const std::string& extensionText) {
    if (termText.find('_') != std::string::npos) {
        parts_.ui.ShowMessage(text::kUnderscore, kAppName);
        return std::string(text::kUnderscore);
    }
    std::string term = Trim(termText);
    term.erase(std::remove(term.begin(), term.end(), '\\'), term.end());
    if (!parts_.serverRunning) return AskForSignIn(text::kNeedsServer);
    if (Cp949Length(term) < kShortestWord) {
        return Log(Format(text::kShortTerm, term.c_str()), kStatusCaution);
    }
    std::string extension = useExtension ? Trim(extensionText) : std::string();
    if (!extension.empty()) Remember(extension);

    std::string query;
    std::string refusal;
    for (const std::string& word : SplitAtBlanks(term)) {
        std::string message;
        if (Cp949Length(word) < kShortestWord) {
            refusal = *Log(Format(text::kShortTerm, word.c_str()), kStatusCaution);
        } else if (parts_.restrictedWord && parts_.restrictedWord(word, message)) {
            parts_.ui.ShowMessage(message, kAppName);
            refusal = message;
        } else {
            query += word + " ";
        }
    }
    query = Trim(query);
    if (query.empty()) return refusal.empty() ? std::string(text::kNothingLeft) : refusal;
    // A new search ends the running one at once, as the cancel button would.
    if (searching_ || searcher_.Running()) Cancel();
    if (!searcher_.Start(query, extension)) return std::string(text::kNotStarted);
    SetSearching(true);
    return std::nullopt;
}

void CSearchView::Cancel() {
    searcher_.Stop();
    {
        // The rows that arrived stay; the stopped search's last progress does not.
        std::lock_guard lock(lock_);
        batch_.progress = -1;
        batch_.ended = false;
    }
    TakeBatch();
    progress_ = 0;
    bool wasSearching = searching_;
    SetSearching(false);
    if (wasSearching) ++searchesEnded_;
    observers_.StateChanged();
}

void CSearchView::DeleteAll() {
    {
        std::lock_guard lock(lock_);
        batch_.rows.clear();
        batch_.reset = false;
    }
    rows_.clear();
    progress_ = 0;
    observers_.Reset();
    observers_.StateChanged();
}

SearchDownloadResult CSearchView::Download(const std::vector<size_t>& selection) {
    SearchDownloadResult result;
    std::vector<size_t> chosen;
    for (size_t index : selection) {
        if (index < rows_.size()) chosen.push_back(index);
    }
    std::sort(chosen.begin(), chosen.end());
    chosen.erase(std::unique(chosen.begin(), chosen.end()), chosen.end());
    for (size_t index : chosen) {
        // A copy: reserving may reach the observers, which may change the list.
        SearchRow row = rows_[index];
        if (!parts_.serverRunning) {
            result.refusals.push_back(*AskForSignIn(text::kDownloadNeedsServer));
            break;
        }
        if (row.masked) {
            result.refusals.push_back(*Log(text::kMasked, kStatusCaution));
            break;
        }
        if (row.Folder()) {
            if (chosen.size() == 1) {
                ExplorerResult refused = ConnectPeer(index);
                if (refused) result.refusals.push_back(*refused);
                result.connected = !refused;
            }
            continue;
        }
        // The explorer's door: the member in the list, a name that stays one
        // file, and the word list without its adult category.
        ExplorerResult refused = parts_.explorer.ReserveRemoteFileAndShow(
            row.answer.memberId, row.answer.path, row.answer.name, row.answer.size);
        if (refused) {
            result.refusals.push_back(*refused);
        } else {
            ++result.reserved;
        }
    }
    return result;
}

std::optional<LinkTexts> CSearchView::LinkTextsOf(size_t index) const {
    if (index >= rows_.size() || rows_[index].answer.memberId.empty()) return std::nullopt;
    const SearchAnswer& answer = rows_[index].answer;
    // A masked name on the clipboard would show what the list hides.
    if (rows_[index].Folder() || rows_[index].masked) return ServerLinkTexts(answer.memberId);
    return FileLinkTexts(answer.memberId, answer.path, answer.name, answer.size);
}

ExplorerResult CSearchView::ConnectPeer(size_t index) {
    if (index >= rows_.size()) return std::nullopt;
    if (!parts_.serverRunning) return AskForSignIn(text::kConnectNeedsServer);
    ServerRecord record;
    if (!parts_.servers.FindById(rows_[index].answer.memberId, record)) {
        return Log(transfer_text::kNotListed, kStatusCaution);
    }
    return parts_.explorer.BeginBrowse(record.address, record.tcpPort, record.userId, "\\");
}

void CSearchView::Sort(size_t column, bool descending) {
    auto number = [column](const SearchRow& row) {
        return column == 4 ? static_cast<int64_t>(row.answer.size) : row.ping;
    };
    auto less = [&](const SearchRow& a, const SearchRow& b) {
        if (column == 4 || column == 6) return number(a) < number(b);
        return CompareIgnoreCase(a.texts[column], b.texts[column]) < 0;
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const SearchRow& a, const SearchRow& b) {
        return descending ? less(b, a) : less(a, b);
    });
    observers_.Reset();
}

void CSearchView::SortColumn(size_t column) {
    if (column >= kColumnCount) return;
    bool descending = descending_[column];
    descending_[column] = !descending;
    sortedOnce_[column] = true;
    Sort(column, descending);
}

void CSearchView::SortKey(size_t key) {
    if (key < std::size(kKeyColumns)) SortColumn(kKeyColumns[key]);
}

std::vector<std::string> CSearchView::LoadHistory() {
    std::vector<std::string> history;
    for (size_t i = 0; i < kHistoryLimit; ++i) {
        std::string entry;
        if (!parts_.registry.ReadString(kFindExtensionKey, kHistoryValue + std::to_string(i),
                                        entry))
            break;
        if (!entry.empty()) history.push_back(entry);
    }
    return history;
}

void CSearchView::SaveHistory(const std::vector<std::string>& history) {
    for (const std::string& name : parts_.registry.ValueNames(kFindExtensionKey)) {
        if (name.rfind(kHistoryValue, 0) == 0) parts_.registry.DeleteValue(kFindExtensionKey, name);
    }
    for (size_t i = 0; i < history.size() && i < kHistoryLimit; ++i) {
        parts_.registry.WriteString(kFindExtensionKey, kHistoryValue + std::to_string(i),
                                    history[i]);
    }
}

void CSearchView::Remember(const std::string& extension) {
    std::vector<std::string> history = LoadHistory();
    history.erase(std::remove_if(
                      history.begin(), history.end(),
                      [&](const std::string& entry) { return EqualsIgnoreCase(entry, extension); }),
                  history.end());
    history.insert(history.begin(), extension);
    if (history.size() > kHistoryLimit) history.resize(kHistoryLimit);
    SaveHistory(history);
}

std::vector<std::string> CSearchView::ExtensionItems() {
    std::vector<std::string> items = LoadHistory();
    items.push_back(text::kClearHistory);
    return items;
}

void CSearchView::ChooseExtension(const std::string& item) {
    if (item == text::kClearHistory) SaveHistory({});
}

void CSearchView::SetSearching(bool on) {
    searching_ = on;
    observers_.StateChanged();
}

void CSearchView::PostBatch() {
    if (batch_.posted) return;
    batch_.posted = true;
    Queue().PostMessage(Handle(), kRowsMessage);
}

void CSearchView::SearchBegun() {
    std::lock_guard lock(lock_);
    batch_.reset = true;
    batch_.rows.clear();
    batch_.progress = 0;
    PostBatch();
}

void CSearchView::SearchProgress(int percent) {
    std::lock_guard lock(lock_);
    batch_.progress = percent;
    PostBatch();
}

void CSearchView::SearchAnswered(const SearchAnswer& answer, int64_t responseMs) {
    SearchRow row = MakeSearchRow(answer, responseMs, parts_.maskedPiece);
    std::lock_guard lock(lock_);
    batch_.rows.push_back(std::move(row));
    PostBatch();
}

void CSearchView::SearchEnded() {
    std::lock_guard lock(lock_);
    batch_.progress = 100;
    batch_.ended = true;
    PostBatch();
}

void CSearchView::TakeBatch() {
    Batch batch;
    {
        std::lock_guard lock(lock_);
        batch = std::move(batch_);
        batch_ = Batch{};
    }
    if (batch.reset) {
        rows_.clear();
        observers_.Reset();
    }
    if (!batch.rows.empty()) {
        size_t first = rows_.size();
        rows_.insert(rows_.end(), std::make_move_iterator(batch.rows.begin()),
                     std::make_move_iterator(batch.rows.end()));
        observers_.Inserted(first, batch.rows.size());
    }
    if (batch.progress >= 0) progress_ = batch.progress;
    if (batch.ended) {
        // As a posted WM_SEARCH_SORT would, but before anyone hears that the
        // search ended; and in the column's current order, so that one search
        // after another does not turn the list around each time.
        if (parts_.settings.Read(setting::FindedListSort) != 0) {
            size_t key = static_cast<size_t>(parts_.settings.Read(setting::SortPriority));
            if (key < std::size(kKeyColumns)) {
                size_t column = kKeyColumns[key];
                if (sortedOnce_[column]) {
                    Sort(column, !descending_[column]);
                } else {
                    SortColumn(column);
                }
            }
        }
        ++searchesEnded_;
        SetSearching(false);
    } else if (batch.progress >= 0 || batch.reset) {
        observers_.StateChanged();
    }
}

void CSearchView::OnMessage(const Message& message) {
    if (message.message == kRowsMessage) {
        TakeBatch();
    } else if (message.message == WM_SEARCH_SORT) {
        SortKey(static_cast<size_t>(message.wParam));
    }
}

}  // namespace velorin
