#pragma once
// The note box's model ("쪽지함"): the received notes of Software\Velorin\app\msg
// as rows in registry order, viewing (which marks a note read), deleting, and
// the two check boxes. Runs on the loop's thread; the session thread stores
// arriving notes into the same key meanwhile, each side one call at a time.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velorin {

class CProcessOptions;
class CRegistry;
class CSettings;

// The note dialog's modes.
enum class NoteMode { kNew = 0, kReply = 1, kView = 2 };

namespace note_text {
inline constexpr const char* kColumns[3] = {"보낸이", "시간", "내용"};
inline constexpr int kColumnWidths[3] = {80, 80, 180};
inline constexpr const char* kRefuse = "쪽지 수신 거부";
inline constexpr const char* kAnnounce = "쪽지 수신시 알림";
inline constexpr const char* kSendTitle = "쪽지 보내기";
inline constexpr const char* kViewTitle = "쪽지 보기";
}  // namespace note_text

inline constexpr size_t kNoteSenderLimit = 20;  // CP949 bytes
inline constexpr size_t kNoteBoxValueLimit = 1000;

struct NoteRow {
    int slot = 0;
    std::string sender;
    // "%02d/%02d %02d:%02d": month, day, hour, minute of the arrival, local time.
    std::string time;
    // The text with each "\r\n" shown as a blank.
    std::string column;
    bool read = false;
    std::string text;
};

// A value of the key as a row; nothing when the name is no number or the data
// lacks one of its four fields.
std::optional<NoteRow> ParseNoteValue(std::string_view name, std::string_view data);

class CNoteBox {
public:
    CNoteBox(CRegistry& registry, CSettings& settings, CProcessOptions& options);

    // Empties the list and reads every note again; a key that cannot be read
    // leaves it empty.
    void Load();
    const std::vector<NoteRow>& Rows() const { return rows_; }

    // The note of `slot` as the view dialog shows it, marked read; the list is
    // reloaded. Nothing when the slot holds no readable note.
    std::optional<NoteRow> View(int slot);
    // Neither asks for confirmation; both reload.
    void DeleteSelected(const std::vector<int>& slots);
    void DeleteAll();

    // "쪽지 수신 거부": ticked refuses arriving notes from the next one on.
    bool Refusing() const;
    void SetRefusing(bool refuse);
    // "쪽지 수신시 알림".
    bool Announcing() const;
    void SetAnnouncing(bool announce);

private:
    CRegistry& registry_;
    CSettings& settings_;
    CProcessOptions& options_;
    std::vector<NoteRow> rows_;
};

}  // namespace velorin
