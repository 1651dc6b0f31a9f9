#pragma once
// The velorind words of the options sheet:
//   settings         every setting as JSON (the password only as "passwordSaved")
//   set NAME VALUE   one field of an option page, applied as that page applies
//                    it: its checks, its message box on refusal, its side effects
//   reindex          "수동갱신": {"ok", "text"} with the text the page shows
//   notice-preview   the notice page's preview of the stored greeting
#include <functional>

namespace velorin {

class CControlCommands;
class COptionSheet;
class CSettings;

void RegisterSettingsCommands(CControlCommands& commands, CSettings& settings,
                              std::function<COptionSheet()> sheet);

}  // namespace velorin
