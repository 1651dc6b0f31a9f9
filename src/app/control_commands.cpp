#include "app/control_commands.h"

#include "platform/json.h"

namespace velorin {

void CControlCommands::Register(const std::string& word, Handler handler) {
    handlers_[word] = std::move(handler);
}

ControlAnswer CControlCommands::Execute(const std::vector<std::string>& args) const {
    if (args.empty()) return Refused("no command given");
    auto it = handlers_.find(args[0]);
    if (it == handlers_.end()) return Refused("unknown command: " + args[0]);
    return it->second(args);
}

ControlAnswer CControlCommands::Done(std::string json) {
    return ControlAnswer{ControlAnswer::kDone, std::move(json)};
}

ControlAnswer CControlCommands::Refused(const std::string& text) {
    return ControlAnswer{ControlAnswer::kRefused, CJsonObject().Add("error", text).Text()};
}

}  // namespace velorin
