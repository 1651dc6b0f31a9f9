#pragma once
// The desktop session's services over D-Bus: a notification for an event
// while the window is hidden, and a hold on suspending while files move
// (the login manager's inhibitor, released when they stop). Both do nothing
// where the session offers no such service.
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <QString>

namespace velorin {

class CDesktopSession : public QObject {
    Q_OBJECT
public:
    explicit CDesktopSession(QObject* parent = nullptr);

    void Notify(const QString& title, const QString& text);
    // On every tick: held while `busy` and allowed, released otherwise.
    void KeepAwake(bool busy);
    void SetKeepAwakeAllowed(bool allowed);
    bool KeepAwakeAllowed() const { return allowed_; }
    bool Holding() const { return hold_.isValid(); }

private:
    QDBusUnixFileDescriptor hold_;
    bool asking_ = false;
    bool allowed_ = true;
};

}  // namespace velorin
