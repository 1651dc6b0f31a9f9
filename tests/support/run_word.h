#pragma once
// Runs a velorind word as a later start would: the loop is dispatched until
// the word answers, as the running instance's loop would be.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/control_commands.h"
#include "platform/message_queue.h"

namespace velorin::test {

inline ControlAnswer RunWord(const CControlCommands& commands, CMessageQueue& queue,
                             std::vector<std::string> args,
                             std::chrono::seconds patience = std::chrono::seconds(30)) {
    auto answer = std::make_shared<std::optional<ControlAnswer>>();
    commands.Execute(args,
                     CControlReply([answer](ControlAnswer given) { *answer = std::move(given); }));
    auto deadline = std::chrono::steady_clock::now() + patience;
    while (!*answer && std::chrono::steady_clock::now() < deadline) {
        queue.DispatchOne(0, std::chrono::milliseconds(20));
    }
    return answer->value_or(CControlCommands::Refused("no answer in time"));
}

}  // namespace velorin::test
