#include "ui/desktop_session.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace velorin {

CDesktopSession::CDesktopSession(QObject* parent) : QObject(parent) {}

void CDesktopSession::Notify(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("velorin") << 0u << QStringLiteral("velorin") << title << text.trimmed()
         << QStringList() << QVariantMap() << 5000;
    bus.call(call, QDBus::NoBlock);
}

void CDesktopSession::SetKeepAwakeAllowed(bool allowed) {
    allowed_ = allowed;
    if (!allowed_) hold_ = QDBusUnixFileDescriptor();
}

void CDesktopSession::KeepAwake(bool busy) {
    if (!busy || !allowed_) {
        // Closing the descriptor is the release.
        hold_ = QDBusUnixFileDescriptor();
        return;
    }
    if (hold_.isValid() || asking_) return;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
    call << QStringLiteral("sleep") << QStringLiteral("velorin")
         << QStringLiteral("파일을 주고받는 중입니다") << QStringLiteral("block");
    asking_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* done) {
                asking_ = false;
                QDBusPendingReply<QDBusUnixFileDescriptor> reply = *done;
                if (!reply.isError() && allowed_) hold_ = reply.value();
                done->deleteLater();
            });
}

}  // namespace velorin
