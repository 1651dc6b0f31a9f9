#include "app/control_words.h"

#include <arpa/inet.h>

#include "app/control_commands.h"
#include "app/main_controller.h"
#include "app/process.h"
#include "app/sign_in_dialog.h"
#include "platform/json.h"

namespace velorin {
namespace {

const char* StateName(MemberState state) {
    switch (state) {
        case MemberState::kOnline:
            return "online";
        case MemberState::kConnecting:
            return "connecting";
        case MemberState::kOffline:
            break;
    }
    return "offline";
}

ControlAnswer Answer(const Refusal& refusal, const char* state) {
    if (refusal) return CControlCommands::Refused(*refusal);
    return CControlCommands::Done(CJsonObject().Add("ok", true).Add("state", state).Text());
}

std::string AddressText(uint32_t networkOrder) {
    char text[INET_ADDRSTRLEN] = {};
    in_addr address{};
    address.s_addr = networkOrder;
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string RecordJson(const ServerRecord& record) {
    return CJsonObject()
        .Add("id", record.userId)
        .Add("channel", static_cast<int>(record.channel))
        .Add("category", static_cast<int>(record.category))
        .Add("description", record.description)
        .Add("openTime", record.openTime)
        .Add("address", AddressText(record.address))
        .Add("tcpPort", static_cast<int>(ntohs(record.tcpPort)))
        .Add("udpPort", static_cast<int>(ntohs(record.udpPort)))
        .Add("icon", record.iconFlag)
        .Add("sharing", record.sharingFlag)
        .Add("ping", static_cast<int64_t>(record.ping))
        .Text();
}

ControlAnswer Servers(CProcess& process) {
    const CServerList& list = process.ServerList();
    std::vector<std::string> servers;
    std::vector<std::string> channels;
    for (int channel = 0; channel < static_cast<int>(kServerChannels); ++channel) {
        std::vector<std::string> categories;
        for (int category = 0; category < static_cast<int>(kServerCategories); ++category) {
            categories.push_back(std::to_string(list.CategoryCount(channel, category)));
        }
        channels.push_back(CJsonObject()
                               .Add("name", ChannelName(channel))
                               .Add("count", static_cast<int64_t>(list.Count(channel)))
                               .AddRaw("categories", JsonArray(categories))
                               .Text());
        for (const ServerRecord& record : list.Records(channel)) {
            servers.push_back(RecordJson(record));
        }
    }
    return CControlCommands::Done(CJsonObject()
                                      .Add("downloading", process.Session().ListDownloading())
                                      .AddRaw("channels", JsonArray(channels))
                                      .AddRaw("servers", JsonArray(servers))
                                      .Text());
}

ControlAnswer Status(CProcess& process, CMainController& controller) {
    ActivityCounts counts = process.Activity();
    return CControlCommands::Done(CJsonObject()
                                      .Add("state", StateName(controller.State()))
                                      .Add("online", process.ServerRunning().load())
                                      .Add("member", process.Credentials().userId)
                                      .Add("points", process.PointBalance().Balance())
                                      .Add("browsing", counts.browsing)
                                      .Add("sending", counts.sending)
                                      .Add("receiving", counts.receiving)
                                      .Text());
}

// What the dialog shows as it opens; the saved password only as its presence.
ControlAnswer DialogFields(const SignInDialogFields& fields) {
    return CControlCommands::Done(CJsonObject()
                                      .Add("id", fields.userId)
                                      .Add("passwordSaved", !fields.password.empty())
                                      .Add("savePassword", fields.savePassword)
                                      .Add("autoLogin", fields.autoLogin)
                                      .Add("autoLoginEnabled", fields.AutoLoginEnabled())
                                      .Text());
}

}  // namespace

void RegisterControlWords(CControlCommands& commands, CProcess& process,
                          CMainController& controller) {
    using Args = std::vector<std::string>;
    commands.Register("status", [&](const Args&) { return Status(process, controller); });
    commands.Register("signin", [&](const Args& args) {
        if (args.size() == 1) return Answer(controller.StartServer(), "connecting");
        if (args.size() == 3)
            return Answer(controller.SignIn(SignInCredentials{args[1], args[2]}), "connecting");
        return CControlCommands::Refused("usage: signin [ID PASSWORD]");
    });
    commands.Register("signin-dialog", [&](const Args& args) {
        CSignInDialog dialog(process.Settings(), process.Ui(), process.Queue(),
                             controller.Handle());
        SignInDialogFields fields = dialog.Open();
        if (args.size() == 1) return DialogFields(fields);
        if (args.size() < 3) {
            return CControlCommands::Refused(
                "usage: signin-dialog [ID PASSWORD [--save] [--auto]]");
        }
        fields.userId = args[1];
        fields.password = args[2];
        fields.savePassword = fields.autoLogin = false;
        for (size_t i = 3; i < args.size(); ++i) {
            if (args[i] == "--save") {
                fields.savePassword = true;
            } else if (args[i] == "--auto") {
                fields.autoLogin = true;
            } else {
                return CControlCommands::Refused("unknown option: " + args[i]);
            }
        }
        return Answer(dialog.Confirm(fields), "connecting");
    });
    commands.Register("signout",
                      [&](const Args&) { return Answer(controller.StopServer(), "offline"); });
    commands.Register("servers", [&](const Args&) { return Servers(process); });
    commands.Register("refresh", [&](const Args&) {
        return Answer(controller.RefreshServerList(), StateName(controller.State()));
    });
    commands.Register("quit", [&](const Args&) {
        if (!controller.Exit()) return CControlCommands::Refused("not confirmed");
        return CControlCommands::Done();
    });
}

}  // namespace velorin
