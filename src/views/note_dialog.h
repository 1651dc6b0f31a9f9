#pragma once
// The note dialog's model (CNoteDialog): a new note, a reply, or a received
// note shown read-only with its reply button. Composing needs the sign-in;
// OK checks the fields and hands the note to the session link. Sent notes are
// not kept.
#include <atomic>
#include <optional>
#include <string>

#include "data/note_box.h"

namespace velorin {

class CSessionClient;

namespace note_text {
inline constexpr const char* kNotSignedIn =
    "서버에 연결되지 않았습니다. 서버에 연결후 쪽지보내기가 가능합니다";
inline constexpr const char* kNoId = "유저 아이디을 입력하세요";
inline constexpr const char* kNoText = "내용을 입력하세요";
inline constexpr const char* kInvalid = "잘못된 값의 입력";
inline constexpr const char* kNotSent = "쪽지를 보내지 못했습니다. 서버와의 연결을 확인하세요";
}  // namespace note_text

struct NoteDialogParts {
    CSessionClient& session;
    const std::atomic<bool>& serverRunning;
};

// What OK did: the dialog closes when the note went out; otherwise it stays
// open and the person is shown `message`.
struct NoteSendResult {
    bool sent = false;
    std::string message;
};

class CNoteDialog {
public:
    // `id` is the recipient (reply) or the sender (view); `time` and `text`
    // are the viewed note's.
    CNoteDialog(NoteDialogParts parts, NoteMode mode, std::string id = {}, std::string time = {},
                std::string text = {});
    // A received note in view mode.
    static CNoteDialog ForNote(NoteDialogParts parts, const NoteRow& note);

    NoteMode Mode() const { return mode_; }
    const char* Title() const;
    bool ReadOnly() const { return mode_ == NoteMode::kView; }
    bool ReplyVisible() const { return mode_ == NoteMode::kView; }
    const std::string& Id() const { return id_; }
    const std::string& Time() const { return time_; }
    const std::string& Text() const { return text_; }

    // On opening: the text shown before the dialog closes at once (composing
    // while not signed in), or nothing when it stays open.
    std::optional<std::string> Open() const;
    // OK with the fields as typed.
    NoteSendResult Ok(const std::string& id, const std::string& text) const;
    // The reply button of view mode: this dialog closes and the reply opens.
    CNoteDialog Reply() const;

private:
    NoteDialogParts parts_;
    NoteMode mode_;
    std::string id_;
    std::string time_;
    std::string text_;
};

}  // namespace velorin
