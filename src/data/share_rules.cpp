#include "data/share_rules.h"

#include "platform/text_encoding.h"

namespace velorin {
namespace {
constexpr const char* kLabels[] = {"탐색 ", "다운 ", "업 ", "성인 "};

std::string TrimBlanks(const std::string& text) {
    size_t begin = text.find_first_not_of(' ');
    size_t end = text.find_last_not_of(' ');
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

std::optional<std::string> CheckText(const std::string& text, size_t limit, const char* tooLong) {
    if (!IsOneLine(text)) return std::string(share_text::kNotOneLine);
    if (!FitsCp949(text)) return std::string(share_text::kUnwritableText);
    if (Cp949Length(text) > limit) return std::string(tooLong);
    return std::nullopt;
}

}  // namespace

std::string PermissionText(uint32_t permission) {
    std::string text;
    for (int bit = 0; bit < 4; ++bit) text += (permission >> bit & 1) ? kLabels[bit] : "---- ";
    return text;
}

GrantBoxes BoxesFromText(const std::string& text) {
    GrantBoxes boxes;
    boxes.browse = text.find("탐색") != std::string::npos;
    boxes.download = text.find("다운") != std::string::npos;
    boxes.upload = text.find("업") != std::string::npos;
    boxes.adult = text.find("성인") != std::string::npos;
    return boxes;
}

uint32_t PermissionFromBoxes(GrantBoxes& boxes, bool& corrected) {
    corrected = boxes.download && !boxes.browse;
    if (corrected) boxes.browse = true;
    return (boxes.browse ? kPermissionBrowse : 0) | (boxes.download ? kPermissionDownload : 0) |
           (boxes.upload ? kPermissionUpload : 0) | (boxes.adult ? kPermissionAdult : 0);
}

std::optional<std::string> CheckFolderInput(std::string& name, const std::string& path) {
    name = TrimBlanks(name);
    if (name.find('\\') != std::string::npos) return std::string(share_text::kNameHasBackslash);
    if (name.empty() || path.empty()) return std::string(share_text::kNameOrPathMissing);
    return std::nullopt;
}

std::optional<std::string> CheckFolderText(const std::string& name, const std::string& desc) {
    if (auto refusal = CheckText(name, kFolderNameBytes, share_text::kLongFolderName)) {
        return refusal;
    }
    return CheckText(desc, kDescriptionBytes, share_text::kLongDescription);
}

std::optional<std::string> CheckMemberInput(std::string& id, const std::string& desc) {
    id = TrimBlanks(id);
    if (id.empty()) return std::string(share_text::kEnterId);
    if (auto refusal = CheckText(id, kMemberIdBytes, share_text::kLongId)) return refusal;
    return CheckText(desc, kDescriptionBytes, share_text::kLongDescription);
}

const char* SampleServerDescription(unsigned index) {
    static const char* const kTexts[20] = {"전송속도 췩오~! 빠방한 자료!",
                                           "파일 공유 합니다.!",
                                           "영화, 유틸, 음악~~ 없는게 없다!",
                                           "맘껏 퍼 가세요!",
                                           "영화&유틸리티&만화&드라마",
                                           "★★★속생속사★★★",
                                           "슈퍼컴퓨터~~최신영화!",
                                           "엘레강스 서버ㅋㅋ",
                                           "MUSIC",
                                           "MOVIE",
                                           "UTIL",
                                           "모든 최신 유틸 모음",
                                           "벨로린로 누리는 무한공유",
                                           "제목 없음 -_-;;",
                                           "들어오지 마세요!",
                                           "벨로린 쵝오!! -0-;",
                                           "오늘도 공유 한 판! ^^",
                                           "배고파요!",
                                           "파일 받아가지마세요!",
                                           "인기 빠방한 서버입니다."};
    return kTexts[index % 20];
}

}  // namespace velorin
