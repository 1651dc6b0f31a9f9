#pragma once
// The velorind word that stands in for the copy commands of the lists:
//   link ID                     the server link of member ID
//   link ID VIRDIR NAME SIZE    the file link of NAME in the folder VIRDIR
// Answer: {"ok": true, "link": BARE, "html": ANCHOR}; refused when the text
// would not read back as the same link (an ID over 20 bytes, a size that is
// no number ...).
namespace velorin {

class CControlCommands;

void RegisterLinkCommands(CControlCommands& commands);

}  // namespace velorin
