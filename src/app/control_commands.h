#pragma once
// The words that a later start can send (velorind --send WORD ARG...). Each
// word is a thin adapter over a core operation; it runs on the user-interface
// thread and answers with one JSON document. A word that waits for the network
// answers later, when its result arrives, and the loop runs on meanwhile.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/single_instance.h"

namespace velorin {

// Delivers a word's answer once; later answers are dropped. When the last copy
// goes unanswered (the word was abandoned, the program ends), it refuses.
class CControlReply {
public:
    using Sink = std::function<void(ControlAnswer answer)>;

    explicit CControlReply(Sink sink);
    void operator()(ControlAnswer answer) const;
    bool Answered() const;

private:
    struct State;
    std::shared_ptr<State> state_;
};

class CControlCommands {
public:
    using Args = std::vector<std::string>;
    using Handler = std::function<ControlAnswer(const Args& args)>;
    using AsyncHandler = std::function<void(const Args& args, CControlReply reply)>;

    void Register(const std::string& word, Handler handler);
    void RegisterAsync(const std::string& word, AsyncHandler handler);
    // args[0] is the word.
    void Execute(const Args& args, CControlReply reply) const;
    // For the words that answer at once; one that answers later is refused here.
    ControlAnswer Execute(const Args& args) const;

    static ControlAnswer Done(std::string json = "{\"ok\": true}");
    static ControlAnswer Refused(const std::string& text);
    // args[first] onwards joined by blanks: a text typed as several words.
    static std::string JoinFrom(const Args& args, size_t first);

private:
    std::map<std::string, AsyncHandler> handlers_;
};

}  // namespace velorin
