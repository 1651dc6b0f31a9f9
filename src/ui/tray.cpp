#include "ui/tray.h"

#include "ui/icons.h"
#include "views/main_window_rules.h"

namespace velorin {

CTray::CTray(QMenu* menu, QToolButton* indicator, QObject* parent)
    : QObject(parent), icon_(AppIcon()), menu_(menu), indicator_(indicator) {
    icon_.setContextMenu(menu_);
    indicator_->setMenu(menu_);
    indicator_->setPopupMode(QToolButton::InstantPopup);
    indicator_->setIcon(AppIcon());
    connect(&icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger && onClick) onClick();
                if (reason == QSystemTrayIcon::DoubleClick && onDoubleClick) onDoubleClick();
            });
    SetTooltip(tray_text::kFirstTooltip);
    Check();
}

void CTray::SetTooltip(const std::string& text) {
    tooltip_ = QString::fromStdString(TrayTooltip(text));
    icon_.setToolTip(tooltip_);
    if (indicator_) indicator_->setToolTip(tooltip_);
}

void CTray::Check() {
    bool available = QSystemTrayIcon::isSystemTrayAvailable();
    if (available && !icon_.isVisible()) icon_.show();
    if (indicator_) indicator_->setVisible(!icon_.isVisible());
}

}  // namespace velorin
