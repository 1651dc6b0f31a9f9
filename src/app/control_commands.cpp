#include "app/control_commands.h"

#include <atomic>
#include <optional>

#include "platform/json.h"

namespace velorin {

struct CControlReply::State {
    Sink sink;
    std::atomic<bool> answered{false};

    ~State() {
        if (!answered && sink) sink(CControlCommands::Refused("the word was abandoned"));
    }
};

CControlReply::CControlReply(Sink sink) : state_(std::make_shared<State>()) {
    state_->sink = std::move(sink);
}

void CControlReply::operator()(ControlAnswer answer) const {
    if (state_->answered.exchange(true)) return;
    if (state_->sink) state_->sink(std::move(answer));
}

bool CControlReply::Answered() const {
    return state_->answered;
}

void CControlCommands::Register(const std::string& word, Handler handler) {
    handlers_[word] = [handler = std::move(handler)](const Args& args, CControlReply reply) {
        reply(handler(args));
    };
}

void CControlCommands::RegisterAsync(const std::string& word, AsyncHandler handler) {
    handlers_[word] = std::move(handler);
}

void CControlCommands::Execute(const Args& args, CControlReply reply) const {
    if (args.empty()) return reply(Refused("no command given"));
    auto it = handlers_.find(args[0]);
    if (it == handlers_.end()) return reply(Refused("unknown command: " + args[0]));
    it->second(args, std::move(reply));
}

ControlAnswer CControlCommands::Execute(const Args& args) const {
    auto answer = std::make_shared<std::optional<ControlAnswer>>();
    CControlReply reply([answer](ControlAnswer given) { *answer = std::move(given); });
    Execute(args, reply);
    if (!reply.Answered()) return Refused(args.at(0) + " answers later");
    return answer->value_or(Refused("no answer"));
}

ControlAnswer CControlCommands::Done(std::string json) {
    return ControlAnswer{ControlAnswer::kDone, std::move(json)};
}

ControlAnswer CControlCommands::Refused(const std::string& text) {
    return ControlAnswer{ControlAnswer::kRefused, CJsonObject().Add("error", text).Text()};
}

std::string CControlCommands::JoinFrom(const Args& args, size_t first) {
    std::string text;
    for (size_t i = first; i < args.size(); ++i) {
        if (i > first) text += ' ';
        text += args[i];
    }
    return text;
}

}  // namespace velorin
