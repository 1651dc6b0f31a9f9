// The process context's share of notes: the note box's model and the note words.
#include "app/note_commands.h"
#include "app/process.h"

namespace velorin {

void CProcess::CreateNotes() {
    noteBox_ = std::make_unique<CNoteBox>(registry_, settings_, options_);
    noteBox_->Load();
    RegisterNoteCommands(commands_, *noteBox_, NoteDialogParts{session_, serverRunning_});
}

}  // namespace velorin
