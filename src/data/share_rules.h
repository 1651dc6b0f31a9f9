#pragma once
// The rules of the share-folder page and the friend dialog that sit above the
// database operations: what a grant looks like, which input is refused, and
// the texts the page shows. The desktop page and the headless commands both
// call these, so the two cannot drift apart.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace velorin {

inline constexpr uint32_t kPermissionBrowse = 1;
inline constexpr uint32_t kPermissionDownload = 2;
inline constexpr uint32_t kPermissionUpload = 4;
inline constexpr uint32_t kPermissionAdult = 8;

inline constexpr const char* kEveryone = "[all]";
inline constexpr uint32_t kNewFolderPermission = 3;
inline constexpr const char* kNewFolderGrantDesc = "공유폴더";

namespace share_text {
inline constexpr const char* kNameHasBackslash = "다음의 특수기호는 사용할수 없습니다. \\ ";
inline constexpr const char* kNameOrPathMissing = "폴더명 또는 폴더위치를 반드시 입력하세요!";
inline constexpr const char* kFolderNotAdded = "이름이나, 폴더는 추가되지 않습니다";
inline constexpr const char* kSelectFolderToChange = "변경할 폴더를 선택해 주세요!";
inline constexpr const char* kSelectFolderToDelete = "삭제할 폴더를 선택해 주세요!";
inline constexpr const char* kConfirmDeleteFolder = "선택한 폴더를 정말로 삭제하시겠습니까?";
inline constexpr const char* kSelectFolderForGrant =
    "사용자의 권한을 설정할 폴더를 위 폴더리스트에서 선택하세요!";
inline constexpr const char* kDownloadImpliesBrowseOnAdd =
    "다운로드 권한 선택시 목록보기 권한도 함께 부여됩니다.";
inline constexpr const char* kDownloadImpliesBrowseOnChange =
    "다운로드 권한 선택시  목록보기 권한도 함께 부여됩니다.";
inline constexpr const char* kGrantExists = "이미 등록되어 있는 유저 입니다.";
inline constexpr const char* kSelectGrantToChange = "변경할 사용자를 선택해 주세요!";
inline constexpr const char* kSelectGrantToRemove =
    "삭제하실 사용자를 선택하기 위해선 폴더 리스트를 먼저 선택하시고, 아이디를 선택해주세요1";
inline constexpr const char* kLastGrant = "공유폴더에 1개이상의 권한이 있어야합니다";
inline constexpr const char* kConfirmRemoveGrant = "정말로 삭제하시겠습니까?";
inline constexpr const char* kBroken = "어플리케이션의 구성 요소가 파괴되었습니다";
inline constexpr const char* kEnterId = "아이디를 입력하고 확인을 누르세요";
inline constexpr const char* kIdExists = "이미 등록된 아이디입니다.";
inline constexpr const char* kIdExistsFromOutside = "등록된 아이디입니다.";
inline constexpr const char* kListEmpty = "리스트가 비어있습니다!";
inline constexpr const char* kSelectFriendToDelete = "삭제할 아이디를 선택해 주세요!";
inline constexpr const char* kSelectId = "아이디를 선택해 주세요!";
// The friend dialog's fatal texts, as it has always spelt them.
inline constexpr const char* kFriendAddFailed = "치맹적인";
inline constexpr const char* kAddFailed = "치맹적인 에러";
inline constexpr const char* kFriendDeleteFailed = "치명적인 에라";
inline constexpr const char* kListFailed = "치명적인 에러";

// Refusals of input that the database would otherwise cut or garble.
inline constexpr const char* kLongFolderName =
    "폴더명은 20바이트(한글 10자)까지 입력할 수 있습니다.";
inline constexpr const char* kLongId = "아이디는 20바이트(한글 10자)까지 입력할 수 있습니다.";
inline constexpr const char* kLongDescription =
    "설명은 50바이트(한글 25자)까지 입력할 수 있습니다.";
inline constexpr const char* kNotOneLine = "줄바꿈이나 탭 같은 제어 문자는 입력할 수 없습니다.";
inline constexpr const char* kUnwritableText =
    "다른 회원에게 전할 수 없는 문자가 들어 있습니다. 다른 글자로 바꿔 주세요.";
inline constexpr const char* kPathNotAbsolute = "폴더위치는 / 로 시작하는 전체 경로로 입력하세요.";
inline constexpr const char* kLongPath = "폴더위치는 255자까지 입력할 수 있습니다.";
inline constexpr const char* kPathMissing = "폴더위치에 그런 폴더가 없습니다.";
inline constexpr const char* kPathIsFile = "폴더위치가 폴더가 아니라 파일입니다.";
inline constexpr const char* kPathUnreadable =
    "폴더위치의 폴더를 읽을 수 없습니다. 읽기 권한을 확인하세요.";
inline constexpr const char* kPathShared = "이미 다른 폴더명으로 공유하고 있는 폴더입니다.";
}  // namespace share_text

// Widths of the share database's text columns.
inline constexpr size_t kFolderNameBytes = 20;
inline constexpr size_t kMemberIdBytes = 20;
inline constexpr size_t kDescriptionBytes = 50;
inline constexpr size_t kSharePathCharacters = 255;

// The four labels in bit order, each replaced by "---- " when its bit is clear.
std::string PermissionText(uint32_t permission);

struct GrantBoxes {
    bool browse = false;
    bool download = false;
    bool upload = false;
    bool adult = false;
};

// Each box is ticked when its label occurs in the grant's text.
GrantBoxes BoxesFromText(const std::string& text);
// Download without browse ticks browse too (`corrected` tells the page to say so).
uint32_t PermissionFromBoxes(GrantBoxes& boxes, bool& corrected);

// Checks the folder dialog's input; trims the name. Returns the text to show when refused.
std::optional<std::string> CheckFolderInput(std::string& name, const std::string& path);
// A folder name or description that its column would cut, or that other
// members would not read as typed.
std::optional<std::string> CheckFolderText(const std::string& name, const std::string& desc);
// The ID dialog's input (friends, the black list, grants); trims the ID.
std::optional<std::string> CheckMemberInput(std::string& id, const std::string& desc);

// A grant may be removed only while its folder keeps another.
inline bool CanRemoveGrant(uint32_t grantsOfFolder) {
    return grantsOfFolder >= 2;
}

// Categories of the member's server in index order ("분류").
inline constexpr const char* kCategories[] = {"동영상",   "이미지", "음악",
                                              "유틸리티", "게임",   "기타"};
// The sample server descriptions of the "랜덤" button.
const char* SampleServerDescription(unsigned index);

}  // namespace velorin
