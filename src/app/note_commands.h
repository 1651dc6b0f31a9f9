#pragma once
// The velorind words of the note box and the note dialog:
//   notes                 {"ok", "notes": [{"slot", "sender", "time", "read", "text"}]} in
//                         the box's order; "time" as its column shows it, "text" whole
//   note-view SLOT        the note as the view dialog shows it, marked read:
//                         {"ok", "slot", "sender", "time", "read", "text"}
//   note-delete SLOT...   those notes; then the list
//   note-delete-all       every note; then the list
//   note-send ID TEXT...  a new note: {"ok", "to"}; refused with the text the dialog shows
//   note-reply SLOT TEXT...
//                         a reply to that note's sender, as note-send
//   notes-refuse on|off   "쪽지 수신 거부": {"ok", "refuse"}
//   notes-popup on|off    "쪽지 수신시 알림": {"ok", "popup"}
// A TEXT of several arguments is joined with blanks.
#include "views/note_dialog.h"

namespace velorin {

class CControlCommands;
class CNoteBox;

void RegisterNoteCommands(CControlCommands& commands, CNoteBox& box, NoteDialogParts dialog);

}  // namespace velorin
