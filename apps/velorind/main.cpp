// velorind: the client without a window. Status lines and everything a person
// would be shown go to stdout; questions are answered by a fixed policy (see
// CConsoleUserInterface); with AutoLogin set it signs in with the saved
// credentials; a later start drives it with --send.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/console_user_interface.h"
#include "app/process.h"
#include "platform/json.h"
#include "platform/profile.h"
#include "platform/single_instance.h"

using namespace velorin;

namespace {

constexpr const char* kUsage =
    "usage: velorind [--home DIR] [LINK-OR-FILE]\n"
    "       velorind [--home DIR] --send WORD [ARG...]\n"
    "words: status | signin [ID PASSWORD] | signout | servers | refresh | quit\n"
    "       browse ID [PATH] | download-folder ID PATH LOCALNAME | history | history-clear\n"
    "       link ID [VIRDIR NAME SIZE]\n"
    "a LINK (vel://|server|ID|/ or vel://|file|ID|VIRDIR|NAME|SIZE|/) is acted on once signed in\n"
    "exit status of --send: 0 done, 1 refused, 2 no running instance\n";

struct Arguments {
    std::optional<std::string> home;
    std::optional<std::string> argument;
    std::vector<std::string> send;
    bool sending = false;
};

bool Parse(int argc, char** argv, Arguments& args) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--home" && i + 1 < argc) {
            args.home = argv[++i];
        } else if (a.rfind("--home=", 0) == 0) {
            args.home = a.substr(7);
        } else if (a == "--send") {
            args.sending = true;
            for (++i; i < argc; ++i) args.send.emplace_back(argv[i]);
            return !args.send.empty();
        } else if (a == "--help" || a == "-h") {
            return false;
        } else if (!args.argument && (a.empty() || a[0] != '-' || a.size() == 1)) {
            args.argument = a;
        } else {
            return false;
        }
    }
    return true;
}

int Send(const Arguments& args) {
    ProfileLocation profile = ResolveProfile(args.home);
    ControlRequest request{ControlRequest::kCommand, args.send};
    ControlAnswer answer;
    auto result = CSingleInstance::Send(profile.folder, request, answer, std::chrono::seconds(3));
    if (result != CSingleInstance::SendResult::kDelivered) {
        std::printf("%s\n", CJsonObject().Add("error", "no running instance").Text().c_str());
        return 2;
    }
    std::printf("%s\n", answer.json.c_str());
    return answer.status == ControlAnswer::kDone ? 0 : 1;
}

// Ends the loop on SIGTERM or SIGINT; SIGUSR1 only releases this thread at shutdown.
void WaitForSignals(CMessageQueue* queue, sigset_t set) {
    for (;;) {
        int sig = 0;
        if (sigwait(&set, &sig) != 0) continue;
        if (sig == SIGUSR1) return;
        queue->Quit(kExitShutdown);
    }
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (!Parse(argc, argv, args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args.sending) return Send(args);

    // Signals are taken by one thread; every other thread inherits the mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);

    CConsoleUserInterface ui;
    CProcess process(ResolveProfile(args.home), ui);
    if (std::optional<int> exitCode = process.Start(args.argument)) return *exitCode;

    std::thread signals(WaitForSignals, &process.Queue(), set);
    int exitCode = process.Queue().Run();
    process.Shutdown();
    pthread_kill(signals.native_handle(), SIGUSR1);
    signals.join();
    return exitCode;
}
