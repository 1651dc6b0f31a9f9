#include "views/note_dialog.h"

#include "data/note_store.h"
#include "data/settings.h"
#include "platform/strings.h"
#include "platform/text_encoding.h"
#include "service/session_client.h"

namespace velorin {

CNoteDialog::CNoteDialog(NoteDialogParts parts, NoteMode mode, std::string id, std::string time,
                         std::string text)
    : parts_(parts),
      mode_(mode),
      id_(std::move(id)),
      time_(std::move(time)),
      text_(std::move(text)) {}

CNoteDialog CNoteDialog::ForNote(NoteDialogParts parts, const NoteRow& note) {
    return CNoteDialog(parts, NoteMode::kView, note.sender, note.time, note.text);
}

const char* CNoteDialog::Title() const {
    return mode_ == NoteMode::kView ? note_text::kViewTitle : note_text::kSendTitle;
}

std::optional<std::string> CNoteDialog::Open() const {
    if (mode_ != NoteMode::kView && !parts_.serverRunning) return note_text::kNotSignedIn;
    return std::nullopt;
}

NoteSendResult CNoteDialog::Ok(const std::string& id, const std::string& text) const {
    if (mode_ == NoteMode::kView) return {};
    std::string recipient = Trim(id);
    std::string note = Trim(text);
    if (recipient.empty()) return {false, note_text::kNoId};
    if (note.empty()) return {false, note_text::kNoText};
    if (Cp949Length(recipient) > kUserIdLimit || Cp949Length(note) > kNoteByteLimit) {
        return {false, note_text::kInvalid};
    }
    // A full or missing send queue: the note never left, so saying nothing
    // would let the person believe it did.
    if (parts_.session.SendNote(recipient, note) < 0) return {false, note_text::kNotSent};
    return {true, {}};
}

CNoteDialog CNoteDialog::Reply() const {
    return CNoteDialog(parts_, NoteMode::kReply, id_);
}

}  // namespace velorin
