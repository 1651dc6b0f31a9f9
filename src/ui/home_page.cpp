#include "ui/home_page.h"

#include <QVBoxLayout>

#include "app/main_controller.h"

namespace velorin {

CHomePage::CHomePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("homePage"));
    auto* layout = new QVBoxLayout(this);
    state_ = new QLabel(this);
    state_->setTextFormat(Qt::RichText);
    state_->setWordWrap(true);
    state_->setAccessibleName(QStringLiteral("접속 상태"));
    state_->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(state_, &QLabel::linkActivated, this, [this](const QString& link) {
        if (link.startsWith(QLatin1String("APP:"), Qt::CaseInsensitive) && onAppLink) {
            onAppLink(link.mid(4).toStdString());
        }
    });
    layout->addWidget(state_);
    view_ = new CWebView(this);
    view_->setObjectName(QStringLiteral("homeView"));
    view_->setAccessibleName(QStringLiteral("벨로린홈"));
    layout->addWidget(view_, 1);
    SetState(MemberState::kOffline);
}

void CHomePage::SetState(MemberState state) {
    // The texts separate their links with runs of blanks.
    state_->setText(QStringLiteral("<span style=\"white-space: pre-wrap\">%1</span>")
                        .arg(QString::fromStdString(HomePageText(state))));
}

void CHomePage::Open(const QString& url) {
    view_->Load(url);
}

}  // namespace velorin
