#include "ui/popups.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace velorin {

namespace {
constexpr int kStayMs = 5000;
constexpr int kSlideMs = 300;
}  // namespace

CCornerBox::CCornerBox(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFrameStyle();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 8);
    auto* close = new QToolButton(this);
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setAccessibleName(QStringLiteral("닫기"));
    connect(close, &QToolButton::clicked, this, [this] { CloseClicked(); });
    auto* top = new QHBoxLayout;
    top->addStretch();
    top->addWidget(close);
    layout->addLayout(top);
    body_ = new QWidget(this);
    layout->addWidget(body_, 1);
}

void CCornerBox::setFrameStyle() {
    setAutoFillBackground(true);
    setStyleSheet(
        QStringLiteral("velorin--CCornerBox, velorin--CEventPopup, velorin--CStatusPopup "
                       "{ border: 1px solid palette(mid); background: palette(base); }"));
}

QPoint CCornerBox::CornerPosition() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return {area.right() - width() - 8, area.bottom() - height() - 8};
}

CEventPopup::CEventPopup(QWidget* parent) : CCornerBox(parent), slide_(this, "pos") {
    setObjectName(QStringLiteral("eventPopup"));
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(0, 0, 0, 0);
    text_ = new QLabel(Body());
    text_->setWordWrap(true);
    text_->setMinimumWidth(240);
    text_->setAccessibleName(QStringLiteral("알림"));
    layout->addWidget(text_);
    stay_.setSingleShot(true);
    connect(&stay_, &QTimer::timeout, this, &CEventPopup::SlideBack);
    slide_.setDuration(kSlideMs);
}

void CEventPopup::Show(const QString& text, int identifier) {
    identifier_ = identifier;
    text_->setText(text.trimmed());
    adjustSize();
    QPoint end = CornerPosition();
    slide_.stop();
    disconnect(&slide_, &QPropertyAnimation::finished, nullptr, nullptr);
    slide_.setStartValue(QPoint(end.x(), end.y() + height() + 16));
    slide_.setEndValue(end);
    move(slide_.startValue().toPoint());
    show();
    slide_.start();
    stay_.start(kStayMs);
}

void CEventPopup::SlideBack() {
    stay_.stop();
    slide_.stop();
    slide_.setStartValue(pos());
    slide_.setEndValue(QPoint(pos().x(), pos().y() + height() + 16));
    connect(&slide_, &QPropertyAnimation::finished, this, &QWidget::hide, Qt::SingleShotConnection);
    slide_.start();
}

void CEventPopup::CloseClicked() {
    SlideBack();
}

void CEventPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    hide();
    if (onClicked) onClicked(identifier_);
}

CStatusPopup::CStatusPopup(QWidget* parent) : CCornerBox(parent) {
    setObjectName(QStringLiteral("statusPopup"));
    auto* layout = new QVBoxLayout(Body());
    layout->setContentsMargins(0, 0, 0, 0);
    for (QLabel*& line : lines_) {
        line = new QLabel(Body());
        layout->addWidget(line);
    }
    auto* link = new QLabel(
        QStringLiteral("<a href=\"open\">%1</a>").arg(QString::fromUtf8(tray_text::kOpenDownloads)),
        Body());
    link->setAccessibleName(QString::fromUtf8(tray_text::kOpenDownloads));
    connect(link, &QLabel::linkActivated, this, [this] {
        hide();
        if (onOpenDownloads) onOpenDownloads();
    });
    layout->addWidget(link);
}

void CStatusPopup::Show(const StatusPopupLines& lines) {
    lines_[0]->setText(QString::fromStdString(lines.state));
    lines_[1]->setText(QString::fromStdString(lines.sending));
    lines_[2]->setText(QString::fromStdString(lines.receiving));
    adjustSize();
    move(CornerPosition());
    show();
    raise();
}

QStringList CStatusPopup::Lines() const {
    return {lines_[0]->text(), lines_[1]->text(), lines_[2]->text()};
}

void CStatusPopup::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    hide();
    if (onClicked) onClicked();
}

CConnectingWindow::CConnectingWindow(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("connectingWindow"));
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(this);
    text_->setAccessibleName(QStringLiteral("접속"));
    layout->addWidget(text_);
    auto* busy = new QProgressBar(this);
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    layout->addWidget(busy);
}

void CConnectingWindow::Show(const QString& text) {
    text_->setText(text);
    adjustSize();
    if (parentWidget()) {
        QRect frame = parentWidget()->geometry();
        move(frame.center() - rect().center());
    }
    show();
    raise();
}

}  // namespace velorin
