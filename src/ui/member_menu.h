#pragma once
// The commands every list of members offers on one member: browse its server,
// put it on the friend or black list, copy its server link, write it a note.
// The lists word them differently ("탐색" / "접속", "친구 추가" / "친구등록").
#include <QMenu>
#include <functional>
#include <string>

namespace velorin {

class CProcess;

struct MemberMenuTexts {
    const char* browse;
    const char* addFriend;
    const char* addBlack;
};

// The visitor list's words, and those of the lists of members one visits.
inline constexpr MemberMenuTexts kVisitorMenuTexts{"탐색", "친구 추가", "접근거부 추가"};
inline constexpr MemberMenuTexts kPeerMenuTexts{"접속", "친구등록", "접근거부자등록"};
inline constexpr MemberMenuTexts kServedMenuTexts{"서버에 접속", "친구 등록", "접근거부자 등록"};

struct MemberMenuHooks {
    std::function<void(const std::string& id)> browse;
    std::function<void(const std::string& id)> note;
};

// Adds the commands on `id`; with no member they are there but disabled.
void AddMemberActions(QMenu& menu, CProcess& process, const std::string& id,
                      const MemberMenuTexts& texts, const MemberMenuHooks& hooks);

}  // namespace velorin
