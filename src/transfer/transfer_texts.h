#pragma once
// The texts of the member's own transfers, as the person sees them.
namespace velorin::transfer_text {

// The worker.
inline constexpr const char* kFailed = "전송실패";
inline constexpr const char* kCannotConnect =
    "상대방서버에 접속할수 없습니다. 서버리스트를 다시 갱신하고 다시 시도해보세요";
inline constexpr const char* kBlacklisted =
    "해당 서버에 접근 제한 명단에 등록되었습니다. 접속할수 없습니다.";
inline constexpr const char* kServerFull = "접속자가 초과되었습니다. 잠시후 시도해 보세요.";
inline constexpr const char* kServiceFault =
    "접속중 서비스 장애가 발생했습니다. 잠시후 시도해 보세요.";
inline constexpr const char* kInvalidPath =
    "요청한 경로는 유효하지 않습니다. 서버에 접근해서 다시 요청하십시오.";
inline constexpr const char* kInvalidName =
    "요청한 파일이름은 유효하지 않습니다. 서버에 접근해서 다시 요청하십시오.";
inline constexpr const char* kNoRight = "요청한 경로에 대해 권한이 없습니다.";
inline constexpr const char* kNoFileInfo =
    "파일의 정보를 받을수 없습니다. 서버에 접근해서 다시 요청하세요.";
inline constexpr const char* kAdultFolder = "성인 권한의 폴더 입니다.";
inline constexpr const char* kTicketService = "인증서버(AS)의 서비스 장애입니다.";
inline constexpr const char* kTicketDatabase = "인증서버(AS)의 DB서비스 장애입니다.";
inline constexpr const char* kShortOfPoints = "포인트가 모자랍니다.";
inline constexpr const char* kNotPaid = "결제 받지 못했습니다.";
inline constexpr const char* kUploadFailed = "해당경로에 파일을 업로드을 실패했습니다.";
inline constexpr const char* kRemoteWriteFailed = "해당 파일을 Remote서버에 쓰기 실패했습니다..";
inline constexpr const char* kNoUploadRight = "해당 폴더에 업로드 권한이 없습니다.";
inline constexpr const char* kUploadService = "서비스 장애";
inline constexpr const char* kNotListed =
    "요청하신 서버정보가 리스트에 없습니다. 서버리스트를 갱신해보시면 서버정보를 받으실수도 "
    "있습니다.";
inline constexpr const char* kNotSignedIn = "서버에 연결하지 않으면 다운로드요청이 불가능합니다.";

// The engine.
inline constexpr const char* kAskResume =
    "다운로더 폴더에 동일한 이름의 파일이 존재합니다. 이어 받기를 하시겠습니까?";
inline constexpr const char* kCannotOpen = "화일을 열수없습니다.";
inline constexpr const char* kDone = "완료";
inline constexpr const char* kDisconnected = "접속이 끊어졌습니다.";
inline constexpr const char* kPaidLine = "\"%s\"에게 %lld포인트를 지불했습니다.(download : %s)";

// The list.
inline constexpr const char* kDownloadNotSignedIn =
    "서버에 연결하지 않으면 파일을 다운받을수 없습니다.";
inline constexpr const char* kExistsInFolder =
    "'%s'는 다운로드 폴더에 동일한 이름이 존재하므로 예약할수 없습니다.";
inline constexpr const char* kDownloadBusy =
    "요청한 파일과 동일한 이름의 파일이 전송중입니다.\r\n전송중인 파일을 중지하시고 다시 "
    "시도하십시오!";
inline constexpr const char* kDownloadAskReplace =
    "동일한 이름의 파일이 목록에 존재합니다. \r\n그 항목을 취소하고 다시 추가하시겠습니까?";
inline constexpr const char* kUploadBusy =
    "요청한 파일과 동일한 사용자에게 파일이 전송중입니다. 전송을 중지해야 다시 업로드 할수 "
    "있습니다.";
inline constexpr const char* kUploadAskReplace =
    "요청한 파일과 동일한 사용자에게 이미 업로드 예약되어 있습니다. \r\n그 항목을 취소하고 다시 "
    "추가하시겠습니까?";
// A name that would leave the download folder.
inline constexpr const char* kBadPath = "잘못된 경로입니다.";

// The view.
inline constexpr const char* kCannotDeleteBusy =
    "전송중인 파일은 리스트에서 삭제할수 없습니다. 전송을 중지하세요";

}  // namespace velorin::transfer_text
