#pragma once
// The texts of the main window, as the person sees them.
#include <cinttypes>

namespace velorin::main_text {

inline constexpr const char* kNoServerName =
    "서버설명란이 비어 있습니다. [환경설정]->[필수설정]의 기본설정중 [서버설명]을 입력하세요";
inline constexpr const char* kShareCountFailed =
    "치명적인 오류!공유폴더의 전체수를 읽지 못했습니다.";
inline constexpr const char* kSavePasswordOff =
    "아이디와 패스워드저장 옵션이 꺼져 있습니다. 자동로그인 옵션은 해당 옵션이 선택되어져 "
    "있어야합니다.";
inline constexpr const char* kNoCredentials = "아이디와 패스워드을 입력하시지 않으셨습니다.";
inline constexpr const char* kNoShareSaved =
    "옵션에 [필수설정]이 설정되어 있지 않습니다. \r\n환경설정의 [필수설정]에서 공유 폴더을 하나 "
    "이상을 세팅해주십시오.";
inline constexpr const char* kComponentsBroken = "어플리케이션의 구성 요소가 파괴되었습니다";
inline constexpr const char* kNoShareTyped =
    "옵션에 [필수설정] 설정되어 있지 않습니다. \r\n공유 폴더가 하나 이상 세팅되어 있어야합니다.";
inline constexpr const char* kNoDownloadPath =
    "다운로드 폴더를 지정하지 않으셨습니다. 환경설정의 [필수설정]에서 다운로드 폴더를 "
    "지정하셔야합니다.";
inline constexpr const char* kBadDownloadPath =
    "다운로드 폴더가 잘못되어 있습니다. 환경설정의 [필수설정]에서 다운로드 폴더를 "
    "지정하셔야합니다.";
inline constexpr const char* kSessionNotCreated = "세션프로세스 생성 실패! 연결할수 없습니다.";
inline constexpr const char* kConnectingStatus = "서버에 연결중입니다. 잠시만 기다려 주십시오";
inline constexpr const char* kConnectingWindow = "서버에 접속중입니다.잠시만 기다려 주십시오.";

inline constexpr const char* kSessionConnectFailed =
    "세션 서버에 연결이 실패 하였습니다. 서버 점검중이거나 네트웤 상태가 좋지 않을 경우 발생 할수 "
    "있습니다.";
inline constexpr const char* kTcpAutoPort =
    "TCP 포트를 열수 없습니다. 포트의 할당이 늦어져 초기화에 실패할수 있습니다. 잠시 후 다시 "
    "시작해 보십시오.";
inline constexpr const char* kUdpAutoPort =
    "UDP포트를 열수 없습니다. 포트의 할당이 늦어져 초기화에 실패할수 있습니다. 잠시 후 다시 시작해 "
    "보십시오.";
inline constexpr const char* kTcpStatus = "서버에 연결하지 못했습니다. TCP포트를 열수 없습니다.";
inline constexpr const char* kTcpPopup = "\n서버에 연결하지 못 했습니다. TCP포트를 열수 없습니다.";
inline constexpr const char* kUdpStatus = "서버에 연결하지 못했습니다. UDP포트를 열수 없습니다.";
inline constexpr const char* kUdpPopup = "\n서버에 연결하지 못 했습니다. UDP포트를 열수 없습니다.";
inline constexpr const char* kAuthRequested = "인증을 요청했습니다. 잠시만 기다려 주십시오.";
inline constexpr const char* kSignInNotSent = "네트워크 오류:인증 요청에 실패 했습니다.";
// Sign-in refusals -1 to -4: status line, pop-up.
inline constexpr const char* kRefused[4][2] = {
    {"서버에 연결하지 못했습니다. 서비스 장애", "\n\n서버에 연결하지 못했습니다. 서비스 장애"},
    {"서버에 연결하지 못했습니다. 잘못된 인증정보",
     "\n\n인증 실패:아이디와 패스워드를 확인하세요!"},
    {"서버에 연결하지 못했습니다. 이미 로그인중", "\n\n인증 실패:이미 해당 로그인중입니다!"},
    {"서버에 연결하지 못했습니다. 잘못된 버젼", "\n\n인증 실패:잘못된 버젼!"},
};
inline constexpr const char* kCacheNotStartedStatus =
    "서버에 연결하지 못했습니다. 로그인요청에 실패 했습니다.";
inline constexpr const char* kCacheNotStartedPopup =
    "결재 서버에 연결 실패하였습니다. 서버 점검 시간이거나 회선에 문제가 발생했습니다.";
inline constexpr const char* kOnlineStatus = "서버 인증작업이 끝났습니다. 서버를 시작합니다.";
inline constexpr const char* kOnlinePopup = "\n서비스를 시작합니다. 인증이 마무리 되었습니다.";
inline constexpr const char* kCacheUnreachable = "\n\n인증 실패:결재 서버에 연결하지 못했습니다.";
inline constexpr const char* kCacheRefused = "\n\n인증 실패:결재 서버에 로그인을 실패 했습니다.";

inline constexpr const char* kSessionLost =
    "세션서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다. (%s)";
inline constexpr const char* kCacheLost =
    "캐쉬서버로 부터 접속이 끊어졌습니다. 서버를 중지합니다. (%s)";
inline constexpr const char* kDuplicate =
    "다른곳에서 동일한 아이디로 로그인 하였습니다. 접속을 해제합니다.";

inline constexpr const char* kServicePane = "서비스 중(%s) - 현재 포인트 : %" PRId64;
inline constexpr const char* kRestrictedSuffix = ", 서버운영 제한";
inline constexpr const char* kOfflinePane =
    "서버에 연결 하시려면 \"[벨로린홈]->[서버 연결]\" 을 누르세요";
inline constexpr const char* kRestricted =
    "비신사적인 행위로 인해 %d회 경고로 %04d/%02d/%02d %02d:%02d 까지 서버운영이 제한됩니다.자세한 "
    "내용은 홈페이지을 참고 하세요";
inline constexpr const char* kBanned =
    "비신사적인 행위로 인해 %d회 경고로 서버운영이 영구 제한 됩니다. \r\n자세한 내용은 홈페이지을 "
    "참고 하세요";
inline constexpr const char* kBrowsingPane = "탐색:%u명";
inline constexpr const char* kUploadsPane = "업로드:%u명";
inline constexpr const char* kDownloadsPane = "다운로드:%u명";
inline constexpr const char* kFreeSpacePane = "(%s)%.2fG free";
inline constexpr const char* kTrayOnline = "VELORIN - 탐색:%u명, 업로드:%u명, 다운로드:%u명";
inline constexpr const char* kTrayOffline = "VELORIN - 오프라인";

inline constexpr const char* kNoteArrived = "\n%s 님으로 부터 쪽지가 도착했습니다.";
inline constexpr const char* kRefreshPoints =
    "포인트정보를 갱신합니다. 상태바의 현재 포인트를 확인하세요.";
inline constexpr const char* kStoppedByUser = "사용자에 의해 서버가 종료되었습니다.";
inline constexpr const char* kAskExit = "종료하시겠습니까?";
inline constexpr const char* kExitCaption = "벨로린";

// The home page's status text (HTML) for each state.
inline constexpr const char* kHomeOnline =
    "<font color=\"#000000\"><B>서버에 연결되었습니다.</B> 서비스를 사용하실수 있습니다.</font>"
    "   <A HREF=APP:STOP><font color=\"#0033FF\"><b>접속종료</b></font></A>"
    "   <A HREF=APP:LOG><font color=\"#0033dd\" size=\"+5\"><b>로그보기</b></font></A>"
    "   <A HREF=APP:REFRESHPOINT><font color=\"#0033dd\" size=\"+5\"><b>포인트 정보 "
    "갱신</b></font></A>";
inline constexpr const char* kHomeConnecting =
    "<font color=\"#000000\"><B>현재 접속 시도 중입니다. 잠시만 기다려 주십시오.</B></font>";
inline constexpr const char* kHomeOffline =
    "<A HREF=APP:START><font color=\"#000000\" ><b>★서버에 연결해야 사용하실 수 "
    "있습니다.</B></font></A>"
    "   <A HREF=APP:START><font color=\"#ff00ff\" size=\"+5\"><b>[서버 연결]</b></font></A>"
    "  <A HREF=APP:CONFIG><font color=\"#0033dd\" size=\"+5\"><b>환경 설정</b></font></A>"
    " <A HREF=APP:LOG><font color=\"#0033dd\" size=\"+5\"><b>로그보기</b></font></A>";

// Refusals of the commands that the person is shown no text for.
inline constexpr const char* kAlreadyOnline = "already signed in";
inline constexpr const char* kNotOnline = "not signed in";
inline constexpr const char* kListNotSent = "the list request could not be queued";

}  // namespace velorin::main_text
