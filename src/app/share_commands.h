#pragma once
// The velorind words of the share folder page and the friend dialog. Each one
// does what the page's button and dialog do, with their checks and texts; a
// folder, grant or member that the word names but the list lacks gets the
// page's text for a missing selection. A description may be several words.
//   shares                            {"folders": [{"name", "path", "description",
//                                      "grants": [{"id", "rights", "rightsText",
//                                      "description"}]}]}
//   share-add NAME PATH [DESCRIPTION]
//   share-change OLDNAME NEWNAME PATH [DESCRIPTION]   (no DESCRIPTION: kept)
//   share-remove NAME
//   grant FOLDER ID RIGHTS [DESCRIPTION]
//   grant-change FOLDER OLDID NEWID RIGHTS [DESCRIPTION]
//   grant-remove FOLDER ID
// RIGHTS is 0-15 or letters of b (browse), d (download), u (upload), a (adult);
// ID "[all]" is everybody.
//   friends | blacklist               {"friends"|"blacklist": [{"id", "description"}]}
//   friend-add|black-add ID [DESCRIPTION]
//   friend-change|black-change OLDID NEWID [DESCRIPTION]
//   friend-remove|black-remove ID
//   friend-add-from|black-add-from LIST ROW [ID]
//                                     "친구 등록" / "접근거부자 등록" on a row of
//                                     one of the lists that link-copy names
#include <functional>

#include "app/link_commands.h"

namespace velorin {

class CControlCommands;
class CFriendDialog;
class CShareFolderPage;

struct ShareWordParts {
    std::function<CShareFolderPage()> page;
    std::function<CFriendDialog()> friends;
    ListRowFinder rows;
};

void RegisterShareCommands(CControlCommands& commands, ShareWordParts parts);

}  // namespace velorin
