#pragma once
// The words that a later start can send (velorind --send WORD ARG...). Each
// word is a thin adapter over a core operation; it runs on the user-interface
// thread and answers with one JSON document.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/single_instance.h"

namespace velorin {

class CControlCommands {
public:
    using Handler = std::function<ControlAnswer(const std::vector<std::string>& args)>;

    void Register(const std::string& word, Handler handler);
    // args[0] is the word.
    ControlAnswer Execute(const std::vector<std::string>& args) const;

    static ControlAnswer Done(std::string json = "{\"ok\": true}");
    static ControlAnswer Refused(const std::string& text);

private:
    std::map<std::string, Handler> handlers_;
};

}  // namespace velorin
