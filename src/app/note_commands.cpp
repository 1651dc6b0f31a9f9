#include "app/note_commands.h"

#include <charconv>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/note_box.h"
#include "platform/json.h"
#include "platform/strings.h"

namespace velorin {

namespace {

using Args = CControlCommands::Args;

std::string NoteJson(const NoteRow& row) {
    return CJsonObject()
        .Add("slot", row.slot)
        .Add("sender", row.sender)
        .Add("time", row.time)
        .Add("read", row.read)
        .Add("text", row.text)
        .Text();
}

ControlAnswer ListAnswer(const CNoteBox& box) {
    std::vector<std::string> notes;
    for (const NoteRow& row : box.Rows()) notes.push_back(NoteJson(row));
    return CControlCommands::Done(
        CJsonObject().Add("ok", true).AddRaw("notes", JsonArray(notes)).Text());
}

std::optional<int> SlotArgument(const std::string& text) {
    int slot = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), slot);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return slot;
}

const NoteRow* FindRow(const CNoteBox& box, int slot) {
    for (const NoteRow& row : box.Rows()) {
        if (row.slot == slot) return &row;
    }
    return nullptr;
}

ControlAnswer Send(const CNoteDialog& dialog, const std::string& id, const std::string& text) {
    if (std::optional<std::string> closed = dialog.Open()) {
        return CControlCommands::Refused(*closed);
    }
    NoteSendResult result = dialog.Ok(id, text);
    if (!result.sent) return CControlCommands::Refused(result.message);
    return CControlCommands::Done(CJsonObject().Add("ok", true).Add("to", Trim(id)).Text());
}

// "on" or "off" as the box's state; nothing for anything else.
std::optional<bool> Switch(const Args& args) {
    if (args.size() == 2 && args[1] == "on") return true;
    if (args.size() == 2 && args[1] == "off") return false;
    return std::nullopt;
}

}  // namespace

void RegisterNoteCommands(CControlCommands& commands, CNoteBox& box, NoteDialogParts dialog) {
    commands.Register("notes", [&box](const Args&) {
        box.Load();
        return ListAnswer(box);
    });
    commands.Register("note-view", [&box](const Args& args) {
        std::optional<int> slot = args.size() == 2 ? SlotArgument(args[1]) : std::nullopt;
        if (!slot) return CControlCommands::Refused("usage: note-view SLOT");
        std::optional<NoteRow> note = box.View(*slot);
        if (!note) return CControlCommands::Refused("no note in slot " + args[1]);
        return CControlCommands::Done(CJsonObject()
                                          .Add("ok", true)
                                          .Add("slot", note->slot)
                                          .Add("sender", note->sender)
                                          .Add("time", note->time)
                                          .Add("read", note->read)
                                          .Add("text", note->text)
                                          .Text());
    });
    commands.Register("note-delete", [&box](const Args& args) {
        box.Load();
        std::vector<int> slots;
        for (size_t i = 1; i < args.size(); ++i) {
            std::optional<int> slot = SlotArgument(args[i]);
            if (!slot) return CControlCommands::Refused("usage: note-delete SLOT...");
            // Nothing is deleted unless every slot names a listed note.
            if (!FindRow(box, *slot))
                return CControlCommands::Refused("no note in slot " + args[i]);
            slots.push_back(*slot);
        }
        if (slots.empty()) return CControlCommands::Refused("usage: note-delete SLOT...");
        box.DeleteSelected(slots);
        return ListAnswer(box);
    });
    commands.Register("note-delete-all", [&box](const Args&) {
        box.DeleteAll();
        return ListAnswer(box);
    });
    commands.Register("note-send", [dialog](const Args& args) {
        if (args.size() < 3) return CControlCommands::Refused("usage: note-send ID TEXT");
        return Send(CNoteDialog(dialog, NoteMode::kNew), args[1],
                    CControlCommands::JoinFrom(args, 2));
    });
    commands.Register("note-reply", [&box, dialog](const Args& args) {
        std::optional<int> slot = args.size() >= 3 ? SlotArgument(args[1]) : std::nullopt;
        if (!slot) return CControlCommands::Refused("usage: note-reply SLOT TEXT");
        box.Load();
        const NoteRow* note = FindRow(box, *slot);
        if (!note) return CControlCommands::Refused("no note in slot " + args[1]);
        CNoteDialog reply = CNoteDialog::ForNote(dialog, *note).Reply();
        return Send(reply, reply.Id(), CControlCommands::JoinFrom(args, 2));
    });
    commands.Register("notes-refuse", [&box](const Args& args) {
        std::optional<bool> on = Switch(args);
        if (!on) return CControlCommands::Refused("usage: notes-refuse on|off");
        box.SetRefusing(*on);
        return CControlCommands::Done(
            CJsonObject().Add("ok", true).Add("refuse", box.Refusing()).Text());
    });
    commands.Register("notes-popup", [&box](const Args& args) {
        std::optional<bool> on = Switch(args);
        if (!on) return CControlCommands::Refused("usage: notes-popup on|off");
        box.SetAnnouncing(*on);
        return CControlCommands::Done(
            CJsonObject().Add("ok", true).Add("popup", box.Announcing()).Text());
    });
}

}  // namespace velorin
