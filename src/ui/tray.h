#pragma once
// The tray icon with its menu, or, on a desktop without a notification area,
// an indicator in the main window's status bar that carries the same menu.
// The icon is added again when a tray appears later (the desktop's panel
// restarted).
#include <QMenu>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QToolButton>
#include <functional>
#include <string>

namespace velorin {

class CTray : public QObject {
    Q_OBJECT
public:
    // `indicator` is the status bar's button, shown only while no tray exists.
    CTray(QMenu* menu, QToolButton* indicator, QObject* parent = nullptr);

    void SetTooltip(const std::string& text);
    QString Tooltip() const { return tooltip_; }
    // On every tick: a tray that came (back) gets the icon again.
    void Check();
    bool InTray() const { return icon_.isVisible(); }

    std::function<void()> onClick;
    std::function<void()> onDoubleClick;

private:
    QSystemTrayIcon icon_;
    QMenu* menu_;
    QPointer<QToolButton> indicator_;
    QString tooltip_;
};

}  // namespace velorin
