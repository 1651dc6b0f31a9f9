#pragma once
// The options sheet as a model: each page's fields as they open, and each
// page's apply, which checks every field before it stores any, writes the
// settings store first and then refreshes the process-wide copies and the
// parts that follow them (the file server's limits, the session server's
// power mode, the log writer). The share folder lists of the first page have
// their own model. Drawing is the front-end's.
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "data/share_rules.h"

namespace velorin {

class CFileServer;
class CProcessOptions;
class CSearchRobot;
class CSessionClient;
class CSettings;
class CStatusLines;
class IUserInterface;

namespace option_text {
inline constexpr const char* kReindexing = "목록의 갱신합니다.";
inline constexpr const char* kReindexLater = "[서버연결]과 함께 목록이 갱신될것입니다.";
inline constexpr const char* kPreviewNeedsBox = "[접속자에게 공지내용 보여주기] 옵션을 체크하세요";
// Refusals of fields that the pages' edit boxes would not let through.
inline constexpr const char* kBadPort = "포트 번호는 1024 부터 65535 사이의 숫자로 입력하세요.";
inline constexpr const char* kLongServerName =
    "서버설명은 50바이트(한글 25자)까지 입력할 수 있습니다.";
inline constexpr const char* kUnwritableText = share_text::kUnwritableText;
inline constexpr const char* kLongMessage = "공지내용은 2000바이트까지 입력할 수 있습니다.";
inline constexpr const char* kBadDownloadPath =
    "다운로드 폴더는 이미 있는 폴더의 전체 경로(259자 이내)로 입력하세요.";
inline constexpr const char* kBadChoice = "선택할 수 없는 값입니다.";
}  // namespace option_text

// "필수 설정": the category, the server description and the download folder.
struct RequiredOptions {
    uint32_t dataGroup = 5;  // index into kCategories (data/share_rules.h)
    std::string serverName;
    std::string downloadPath;
};

// "연결 설정". The port is a text: the page takes it as typed.
struct ConnectionOptions {
    bool autoStart = true;
    bool autoPort = false;
    std::string listenPort;
};

// "전송 설정".
struct TransferOptions {
    bool quickSend = true;
    uint32_t continueRecv = 0;           // 0 ask, 1 overwrite, 2 resume
    uint32_t continueServerRecv = 0;     // 0 resume, 1 overwrite
    uint32_t tempFile = 0;               // 0 keep, 1 delete with the entry
    uint32_t existFileTransReserve = 1;  // 0 cancel, 1 a similar name
    int32_t maxDown = 5;
    int32_t maxUp = 5;
    bool writeLog = true;
};

// "공지 설정".
struct NoticeOptions {
    bool bringMessage = false;
    std::string message;
};

struct OptionSheetParts {
    CSettings& settings;
    CProcessOptions& options;
    IUserInterface& ui;
    CStatusLines& status;
    CSessionClient& session;
    CFileServer& fileServer;
    CSearchRobot& robot;
    const std::atomic<bool>& serverRunning;
};

using OptionRefusal = std::optional<std::string>;

class COptionSheet {
public:
    explicit COptionSheet(OptionSheetParts parts);

    // The checks of the two fields that a new profile is given from outside too.
    static const char* CheckServerName(const std::string& text);
    static std::optional<uint32_t> ParsePort(const std::string& text);

    RequiredOptions Required();
    // "랜덤": one of the sample texts.
    static std::string RandomServerName();
    // "[내문서]로 설정": the documents folder, made when missing.
    static std::string DocumentsPath();
    OptionRefusal ApplyRequired(const RequiredOptions& page);

    // Opening the page reads AutoTryTrans too.
    ConnectionOptions Connection();
    // The box writes or removes the autostart entry at once.
    void SetAutoStart(bool on);
    // The port counts from the next sign-in.
    OptionRefusal ApplyConnection(const ConnectionOptions& page);

    // MAXDOWN and MAXUP below zero are shown as 5.
    TransferOptions Transfer();
    OptionRefusal ApplyTransfer(const TransferOptions& page);
    // "수동갱신": the text the page shows.
    std::string Reindex();

    NoticeOptions Notice();
    OptionRefusal ApplyNotice(const NoticeOptions& page);
    // The preview button: the notice window with the typed text, once the box is ticked.
    OptionRefusal Preview(const NoticeOptions& page);

private:
    OptionRefusal Refuse(const char* text);

    OptionSheetParts parts_;
};

}  // namespace velorin
