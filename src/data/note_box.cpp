#include "data/note_box.h"

#include <array>
#include <charconv>
#include <ctime>

#include "data/note_store.h"
#include "data/process_options.h"
#include "data/settings.h"
#include "platform/local_time.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/text_encoding.h"

namespace velorin {

namespace {

std::optional<int> SlotOf(std::string_view name) {
    int slot = 0;
    auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), slot);
    if (name.empty() || error != std::errc() || end != name.data() + name.size()) {
        return std::nullopt;
    }
    return slot;
}

std::string ShowLineBreaksAsBlanks(std::string_view text) {
    std::string shown;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\r\n") == 0) {
            shown += ' ';
            ++i;
        } else {
            shown += text[i];
        }
    }
    return shown;
}

// The positions of the first three "|", or nothing when there are fewer.
std::optional<std::array<size_t, 3>> Bars(std::string_view data) {
    std::array<size_t, 3> bars{};
    size_t from = 0;
    for (size_t& bar : bars) {
        bar = data.find('|', from);
        if (bar == std::string_view::npos) return std::nullopt;
        from = bar + 1;
    }
    return bars;
}

}  // namespace

std::optional<NoteRow> ParseNoteValue(std::string_view name, std::string_view data) {
    std::optional<int> slot = SlotOf(name);
    std::optional<std::array<size_t, 3>> bars = Bars(data);
    if (!slot || !bars) return std::nullopt;
    auto [first, second, third] = *bars;
    std::string_view seconds = data.substr(first + 1, second - first - 1);
    // An unreadable time shows as the start of 1970, as a number read up to
    // its first stray character would.
    int64_t arrival = 0;
    std::from_chars(seconds.data(), seconds.data() + seconds.size(), arrival);
    LocalTime local = ToLocalTime(static_cast<std::time_t>(arrival));

    NoteRow row;
    row.slot = *slot;
    row.sender = CutToCp949Bytes(data.substr(0, first), kNoteSenderLimit);
    row.time = Format("%02d/%02d %02d:%02d", local.month, local.day, local.hour, local.minute);
    row.read = data.substr(second + 1, third - second - 1) == "1";
    row.text = CutToCp949Bytes(data.substr(third + 1), kNoteByteLimit);
    row.column = ShowLineBreaksAsBlanks(row.text);
    return row;
}

CNoteBox::CNoteBox(CRegistry& registry, CSettings& settings, CProcessOptions& options)
    : registry_(registry), settings_(settings), options_(options) {}

void CNoteBox::Load() {
    rows_.clear();
    std::vector<std::string> names = registry_.ValueNames(kMsgKey);
    if (names.size() > kNoteBoxValueLimit) names.resize(kNoteBoxValueLimit);
    for (const std::string& name : names) {
        std::string data;
        if (!registry_.ReadString(kMsgKey, name, data)) continue;
        if (std::optional<NoteRow> row = ParseNoteValue(name, data)) rows_.push_back(*row);
    }
}

std::optional<NoteRow> CNoteBox::View(int slot) {
    std::string name = std::to_string(slot);
    std::string data;
    std::optional<NoteRow> row;
    if (registry_.ReadString(kMsgKey, name, data)) row = ParseNoteValue(name, data);
    if (row) {
        // Only the flag changes: the sender and the text stay byte for byte.
        auto bars = *Bars(data);
        registry_.WriteString(kMsgKey, name, data.substr(0, bars[1]) + "|1" + data.substr(bars[2]));
        row->read = true;
    }
    Load();
    return row;
}

void CNoteBox::DeleteSelected(const std::vector<int>& slots) {
    for (int slot : slots) registry_.DeleteValue(kMsgKey, std::to_string(slot));
    Load();
}

void CNoteBox::DeleteAll() {
    std::vector<std::string> names = registry_.ValueNames(kMsgKey);
    if (names.size() > kNoteBoxValueLimit) names.resize(kNoteBoxValueLimit);
    for (const std::string& name : names) registry_.DeleteValue(kMsgKey, name);
    Load();
}

bool CNoteBox::Refusing() const {
    return options_.RecvMessage == 0;
}

void CNoteBox::SetRefusing(bool refuse) {
    // The copy first: the session thread consults it for the very next note.
    options_.RecvMessage = refuse ? 0 : 1;
    settings_.Write(setting::RecvMessage, refuse ? 0 : 1);
}

bool CNoteBox::Announcing() const {
    return options_.PopupMsg != 0;
}

void CNoteBox::SetAnnouncing(bool announce) {
    options_.PopupMsg = announce ? 1 : 0;
    settings_.Write(setting::PopupMsg, announce ? 1 : 0);
}

}  // namespace velorin
