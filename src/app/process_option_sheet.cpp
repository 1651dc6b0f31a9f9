// The process context's share of the options sheet: its model over the
// context's parts, and the velorind words that drive it.
#include "app/process.h"
#include "app/settings_commands.h"
#include "fileserver/file_server.h"

namespace velorin {

COptionSheet CProcess::OptionSheet() {
    return COptionSheet(OptionSheetParts{settings_, options_, ui_, status_, session_, *fileServer_,
                                         searchRobot_, serverRunning_});
}

void CProcess::CreateSettingsWords() {
    RegisterSettingsCommands(commands_, settings_, [this] { return OptionSheet(); });
}

}  // namespace velorin
