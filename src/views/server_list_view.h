#pragma once
// The server list page's model: the records of the selected channel and
// category (and, with the share filter, only sharing ones) as the table shows
// them, the category lines and the total line, sorting by a column, and the
// page's connect commands. Runs on the loop's thread; the list itself is
// filled by the session link's worker and read under its lock.
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "data/link.h"
#include "platform/view_change.h"
#include "service/server_record.h"
#include "views/server_explorer.h"

namespace velorin {

class CServerList;
class CSettings;
class IUserInterface;

namespace server_list_view_text {
inline constexpr const char* kColumns[5] = {"운영자", "제목", "파일공유", "Ping", "개설시간"};
inline constexpr int kColumnWidths[5] = {100, 300, 65, 50, 100};
inline constexpr const char* kSharing = "공유중";
inline constexpr const char* kNotSharing = "Unknown";
inline constexpr const char* kNoPing = "N/A";
inline constexpr const char* kOpenTime = "%02d/%02d %02d:%02d:%02d";
inline constexpr const char* kCategoryLine = "%s\t(%d)";
inline constexpr const char* kTotal = "<B>전체:%d/%d</B>";
inline constexpr const char* kNeedsServer = "서버를 시작하지 않으면 접속요청이 불가능합니다.";
// The page's controls and its row menu.
inline constexpr const char* kRefresh = "목록 새로고침";
inline constexpr const char* kCategoryTitle = "채널 리스트 :";
inline constexpr const char* kConnect = "접속하기";
inline constexpr const char* kConnectOwn = "내 서버 접속";
inline constexpr const char* kShareOnly = "공유가능 서버만 보임";
inline constexpr const char* kSendNote = "쪽지 보내기";
inline constexpr const char* kHelp = "?";
inline constexpr const char* kHelpPage = "help/menual6.php";
inline constexpr const char* kMenuConnect = "접속";
inline constexpr const char* kMenuFriend = "친구 등록";
inline constexpr const char* kMenuBlack = "접근 거부자 등록";
inline constexpr const char* kMenuServerLink = "서버 링크 복사하기";
inline constexpr const char* kMenuServerLinkHtml = "서버 링크 복사하기(HTML)";
}  // namespace server_list_view_text

// One row of the table: the record's raw values and the five column texts.
struct ServerListRow {
    ServerRecord record;
    std::array<std::string, 5> texts;
    bool firstIcon = false;  // the record's icon flag is set
};

ServerListRow MakeServerListRow(const ServerRecord& record);

struct ServerListViewParts {
    CServerList& servers;
    CSettings& settings;
    IUserInterface& ui;
    CServerExplorer& explorer;
    const std::atomic<bool>& serverRunning;
    // The event log, on this thread.
    std::function<void(const std::string& text, int kind)> statusLine;
    // "Yes" to "connect?": the sign-in flow.
    std::function<void()> startSignIn;
    // The own file server's port (host order), 0 when it does not listen.
    std::function<uint16_t()> ownPort;
};

class CServerListView {
public:
    explicit CServerListView(ServerListViewParts parts);

    // The page's choices; each refills the table.
    void SelectChannel(int channel);
    void SelectCategory(int category);
    // "공유가능 서버만 보임": stored as ShowShareServer.
    void SetShareFilter(bool on);
    // After a list download: the table, the category lines and the total line.
    void Refill();
    // A click on a column header: that column, in the other direction than last time.
    void Sort(size_t column);
    // The direction of the last sort.
    bool SortDescending() const { return lastDescending_; }

    int Channel() const { return channel_; }
    int Category() const { return category_; }
    bool ShareFilter() const { return shareFilter_; }
    const std::vector<ServerListRow>& Rows() const { return rows_; }
    // "동영상\t(%d)" … "기타\t(%d)" for the selected channel.
    std::vector<std::string> CategoryLines() const;
    // "<B>전체:%d/%d</B>": both channels, and the selected one.
    std::string TotalLine() const;

    // "접속하기", a double click or "접속" on row `index`.
    ExplorerResult Connect(size_t index);
    // "내 서버 접속".
    ExplorerResult ConnectOwnServer();
    // The link copies of row `index`: its member's server.
    std::optional<LinkTexts> LinkTextsOf(size_t index) const;

    // Rows by position; the category and total lines as kState.
    CViewObservers& Observers() { return observers_; }

private:
    ExplorerResult RefuseSignedOut();

    ServerListViewParts parts_;
    int channel_ = 0;
    int category_ = 0;
    bool shareFilter_ = false;
    std::vector<ServerListRow> rows_;
    std::array<uint32_t, 6> counts_{};
    size_t totalAll_ = 0;
    size_t totalChannel_ = 0;
    // A direction per column, kept for the whole run; set means descending next.
    std::array<bool, 5> descending_{};
    bool lastDescending_ = false;
    CViewObservers observers_;
};

}  // namespace velorin
