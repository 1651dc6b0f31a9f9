// velorin: the desktop client. The same process context as velorind, drawn
// by Qt: the splash while the start-up probes, then the main window, which
// signs in by itself or asks for the credentials; it lives on in the tray.
#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QApplication>
#include <QFontDatabase>
#include <QSocketNotifier>
#include <QSplashScreen>
#include <cstdio>
#include <optional>
#include <string>

#include "app/exit_codes.h"
#include "app/process.h"
#include "platform/profile.h"
#include "splash.h"
#include "ui/desktop_user_interface.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/queue_bridge.h"
#include "ui/window_words.h"
#include "velorin_version.h"

using namespace velorin;

namespace {

constexpr const char* kUsage =
    "usage: velorin [--home DIR] [LINK-OR-FILE]\n"
    "a LINK (vel://|server|ID|/ or vel://|file|ID|VIRDIR|NAME|SIZE|/) is acted on once signed in;\n"
    "a second start hands it to the running instance\n";

constexpr const char* kHelp =
    "Usage: velorin [OPTION]... [LINK-OR-FILE]\n"
    "The Velorin desktop client: signs in to the central service, shares the folders\n"
    "of its profile and browses, searches and downloads from other members.\n"
    "\n"
    "  --home DIR   use the profile folder DIR (default $VELORIN_HOME,\n"
    "               else $XDG_DATA_HOME/velorin)\n"
    "  --help       display this help and exit\n"
    "  --version    output version information and exit\n"
    "\n"
    "A LINK (vel://|server|ID|/ or vel://|file|ID|VIRDIR|NAME|SIZE|/) is acted on once\n"
    "signed in; a second start on the same profile hands it to the running instance.\n"
    "VELORIN_CENTRAL=HOST and VELORIN_WEB=URL replace the central service's addresses.\n";

constexpr const char* kVersion = "velorin " VELORIN_VERSION
                                 "\n"
                                 "Copyright (C) The Velorin developers. All rights reserved.\n";

// Answered before Qt starts, so that neither needs a display.
std::optional<int> HelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--version") {
            std::fputs(kVersion, stdout);
            return 0;
        }
    }
    return std::nullopt;
}

struct Arguments {
    std::optional<std::string> home;
    std::optional<std::string> argument;
};

bool Parse(const QStringList& list, Arguments& args) {
    for (qsizetype i = 1; i < list.size(); ++i) {
        std::string a = list[i].toStdString();
        if (a == "--home" && i + 1 < list.size()) {
            args.home = list[++i].toStdString();
        } else if (a.rfind("--home=", 0) == 0) {
            args.home = a.substr(7);
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

// The program's texts are Korean: a Hangul face when the desktop's default lacks one.
void UseHangulFont(QApplication& app) {
    for (const char* family : {"NanumGothic", "NanumBarunGothic", "Noto Sans CJK KR"}) {
        if (QFontDatabase::hasFamily(QString::fromLatin1(family))) {
            QFont font(QString::fromLatin1(family));
            font.setPointSizeF(app.font().pointSizeF());
            app.setFont(font);
            return;
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (std::optional<int> answered = HelpOrVersion(argc, argv)) return *answered;

    // Blocked before any thread starts, so every thread inherits the mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("velorin"));
    QApplication::setQuitOnLastWindowClosed(false);
    InitUiResources();
    QApplication::setWindowIcon(AppIcon());
    UseHangulFont(app);
    Arguments args;
    if (!Parse(QApplication::arguments(), args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    CDesktopUserInterface ui;
    CProcess process(ResolveProfile(args.home), ui);
    QSplashScreen splash(SplashPicture());
    splash.show();
    QApplication::processEvents();
    process.SetStartupPump([] { QApplication::processEvents(); });
    std::optional<int> ended = process.Start(args.argument);
    process.SetStartupPump({});
    splash.close();
    if (ended) return *ended;

    int code = 0;
    {
        CMainWindow window(process);
        CQueueBridge bridge(process.Queue());
        CWindowWords words(process, window, &bridge);
        words.Register(process.Commands());
        ui.Attach(&window);
        window.show();
        int signalFd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
        QSocketNotifier notifier(signalFd, QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, [&process, signalFd] {
            signalfd_siginfo info;
            while (read(signalFd, &info, sizeof info) == sizeof info) {
                process.Queue().Quit(kExitShutdown);
            }
        });
        code = bridge.Ok() ? QApplication::exec() : kExitFatal;
        ui.Attach(nullptr);
        if (signalFd >= 0) close(signalFd);
    }
    process.Shutdown();
    return code;
}
