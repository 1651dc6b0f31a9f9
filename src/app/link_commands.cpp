#include "app/link_commands.h"

#include <string>
#include <vector>

#include "app/control_commands.h"
#include "data/link.h"
#include "platform/json.h"

namespace velorin {

void RegisterLinkCommands(CControlCommands& commands) {
    commands.Register("link", [](const std::vector<std::string>& args) {
        std::optional<uint64_t> size = args.size() == 5 ? ParseLinkSize(args[4]) : std::nullopt;
        if (args.size() != 2 && !size) {
            return CControlCommands::Refused("usage: link ID [VIRDIR NAME SIZE]");
        }
        CLink link =
            size ? CLink(CFileLink{args[1], args[2], args[3], *size}) : CLink(CServerLink{args[1]});
        std::string bare = size ? FileLink(args[1], args[2], args[3], *size) : ServerLink(args[1]);
        // A "*" or "|" in a name, an ID over 20 bytes: the text would name something else.
        if (ParseLink(bare) != link)
            return CControlCommands::Refused("no link can name that: " + bare);
        std::string html =
            size ? FileLinkHtml(args[1], args[2], args[3], *size) : ServerLinkHtml(args[1]);
        return CControlCommands::Done(
            CJsonObject().Add("ok", true).Add("link", bare).Add("html", html).Text());
    });
}

}  // namespace velorin
