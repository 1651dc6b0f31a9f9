// velorind: the client without a window. Status lines and everything a person
// would be shown go to stdout; questions are answered by a fixed policy (see
// CConsoleUserInterface); with AutoLogin set it signs in with the saved
// credentials; a later start drives it with --send.
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/console_user_interface.h"
#include "app/process.h"
#include "platform/json.h"
#include "platform/profile.h"
#include "platform/single_instance.h"
#include "platform/wakeup_loop.h"
#include "velorin_version.h"

using namespace velorin;

namespace {

constexpr const char* kUsage =
    "usage: velorind [--home DIR] [LINK-OR-FILE]\n"
    "       velorind [--home DIR] --send WORD [ARG...]\n"
    "words: status | signin [ID PASSWORD] | signout | servers | refresh | quit\n"
    "       browse ID [PATH] | download-folder ID PATH LOCALNAME | history | history-clear\n"
    "       download ID VIRDIR NAME SIZE | upload ID VIRDIR LOCALPATH | transfers [ID]\n"
    "       stop|restart|remove|remove-with-file ID NAME | clear-completed [ID]\n"
    "       visitors | kick ID | served | served-stop|served-remove ROW | served-clear\n"
    "       limit [VALUE] | link ID [VIRDIR NAME SIZE] | link-copy LIST ROW [ID]\n"
    "       reindex | search-terms [pause] | check-shares\n"
    "       settings | set NAME VALUE | notice-preview\n"
    "       notes | note-view SLOT | note-delete SLOT... | note-delete-all\n"
    "       note-send ID TEXT | note-reply SLOT TEXT | notes-refuse|notes-popup on|off\n"
    "       signin-dialog [ID PASSWORD [--save] [--auto]]\n"
    "       shares | share-add NAME PATH [DESC] | share-change OLD NEW PATH [DESC]\n"
    "       share-remove NAME | grant FOLDER ID RIGHTS [DESC] | grant-remove FOLDER ID\n"
    "       grant-change FOLDER OLDID NEWID RIGHTS [DESC]   (RIGHTS 0-15 or bdua)\n"
    "       friends | friend-add ID [DESC] | friend-change OLD NEW [DESC] | friend-remove ID\n"
    "       blacklist | black-add ID [DESC] | black-change OLD NEW [DESC] | black-remove ID\n"
    "       friend-add-from|black-add-from LIST ROW [ID]\n"
    "a LINK (vel://|server|ID|/ or vel://|file|ID|VIRDIR|NAME|SIZE|/) is acted on once signed in\n"
    "exit status of --send: 0 done, 1 refused, 2 no running instance\n";

constexpr const char* kHelpOptions =
    "\n"
    "The Velorin client without a window: status lines on stdout, questions answered\n"
    "by a fixed policy; a second start with --send drives the running one.\n"
    "\n"
    "  --home DIR        use the profile folder DIR (default $VELORIN_HOME,\n"
    "                    else $XDG_DATA_HOME/velorin)\n"
    "  --send WORD ARG   hand one word to the client running on the profile\n"
    "  --help            display this help and exit\n"
    "  --version         output version information and exit\n"
    "VELORIN_CENTRAL=HOST and VELORIN_WEB=URL replace the central service's addresses.\n";

constexpr const char* kVersion = "velorind " VELORIN_VERSION
                                 "\n"
                                 "Copyright (C) The Velorin developers. All rights reserved.\n";

struct Arguments {
    bool help = false;
    bool version = false;
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
            args.help = true;
        } else if (a == "--version") {
            args.version = true;
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

class CSignalFd {
public:
    explicit CSignalFd(const sigset_t& set) : fd_(signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK)) {}
    ~CSignalFd() {
        if (fd_ >= 0) close(fd_);
    }
    CSignalFd(const CSignalFd&) = delete;
    CSignalFd& operator=(const CSignalFd&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_;
};

// Runs the loop until Quit; SIGTERM and SIGINT, blocked in every thread, arrive
// through a signalfd and end it.
int RunUntilSignalled(CMessageQueue& queue, const sigset_t& set) {
    CSignalFd signals(set);
    if (signals.Fd() < 0) {
        std::fprintf(stderr, "velorind: signalfd: %s\n", std::strerror(errno));
        return kExitFatal;
    }
    CWakeupLoop loop(queue);
    if (!loop.Ok()) {
        std::fprintf(stderr, "velorind: eventfd: %s\n", std::strerror(errno));
        return kExitFatal;
    }
    loop.AddDescriptor(signals.Fd(), [&queue, fd = signals.Fd()] {
        signalfd_siginfo info;
        while (read(fd, &info, sizeof info) == sizeof info) queue.Quit(kExitShutdown);
    });
    return loop.Run();
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    bool parsed = Parse(argc, argv, args);
    // Parse stops at --send: a --help among the word's arguments is the word's.
    if (args.help) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelpOptions, stdout);
        return 0;
    }
    if (args.version) {
        std::fputs(kVersion, stdout);
        return 0;
    }
    if (!parsed) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (args.sending) return Send(args);

    // Blocked before any thread starts, so every thread inherits the mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);

    CConsoleUserInterface ui;
    CProcess process(ResolveProfile(args.home), ui);
    if (std::optional<int> exitCode = process.Start(args.argument)) return *exitCode;

    int exitCode = RunUntilSignalled(process.Queue(), set);
    process.Shutdown();
    return exitCode;
}
