#include "ui/web_view.h"

#include <QDesktopServices>
#include <QDialog>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QVBoxLayout>

namespace velorin {

namespace {
// A page is text; anything larger is not one of the service's pages.
constexpr qint64 kMostBytes = 2 * 1024 * 1024;
}  // namespace

CWebView::CWebView(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        QUrl target = QUrl(address_).resolved(url);
        if (target.scheme() == "http" || target.scheme() == "https") {
            QDesktopServices::openUrl(target);
        }
    });
}

void CWebView::Load(const QString& url) {
    address_ = url;
    if (reply_) reply_->abort();
    QNetworkRequest request{QUrl(url)};
    request.setRawHeader("Cache-Control", "no-cache");
    request.setTransferTimeout(10000);
    reply_ = network_.get(request);
    QNetworkReply* reply = reply_;
    connect(reply, &QNetworkReply::downloadProgress, this, [reply](qint64 received, qint64) {
        if (received > kMostBytes) reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply != reply_) return;
        if (reply->error() != QNetworkReply::NoError) {
            setPlainText(reply->errorString());
            return;
        }
        setHtml(QString::fromUtf8(reply->readAll()));
    });
}

QVariant CWebView::loadResource(int, const QUrl&) {
    return {};
}

void OpenWebWindow(QWidget* parent, const QString& title, const QString& url, QSize size) {
    auto* window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowTitle(title);
    window->resize(size);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* view = new CWebView(window);
    view->setAccessibleName(title);
    layout->addWidget(view);
    view->Load(url);
    window->show();
}

}  // namespace velorin
