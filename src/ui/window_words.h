#pragma once
// velorind's words, answered by the desktop client's window too, and these
// for the window itself (scripts and system tests drive and photograph it):
//   window                  {"page", "visible", "state", "explorer", "tray", "panes",
//                            "longestTurnMs"}
//   window-page N           `SelectPage(N)`
//   window-show WHAT        opens "status-popup", "sign-in", "note-box", "options",
//                           "friends"
//   window-grab PATH [WHAT] writes a PNG of the main window or of WHAT
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <string>

namespace velorin {

class CControlCommands;
class CMainWindow;
class CProcess;
class CQueueBridge;

class CWindowWords {
public:
    // `bridge` reports the longest turn; null where no Qt loop drains the queue.
    CWindowWords(CProcess& process, CMainWindow& window, const CQueueBridge* bridge);
    void Register(CControlCommands& commands);
    // A window that "window-show NAME" opens and "window-grab PATH NAME" photographs.
    void AddWindow(const std::string& name, std::function<QWidget*()> open);

private:
    QWidget* Find(const std::string& name, bool open);

    CProcess& process_;
    CMainWindow& window_;
    const CQueueBridge* bridge_;
    std::map<std::string, std::function<QWidget*()>> windows_;
    QPointer<QWidget> options_;
    QPointer<QWidget> friends_;
};

}  // namespace velorin
