#pragma once
// A page of the service's web host, shown as rich text that runs no script
// and loads nothing but the page itself; a click on a link opens it in the
// desktop's browser.
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTextBrowser>

namespace velorin {

class CWebView : public QTextBrowser {
    Q_OBJECT
public:
    explicit CWebView(QWidget* parent = nullptr);
    void Load(const QString& url);
    QString Address() const { return address_; }

protected:
    // Images, style sheets and frames are never fetched.
    QVariant loadResource(int type, const QUrl& name) override;

private:
    QNetworkAccessManager network_;
    QPointer<QNetworkReply> reply_;
    QString address_;
};

// A window that shows one such page ("HELP", "게시판").
void OpenWebWindow(QWidget* parent, const QString& title, const QString& url, QSize size);

}  // namespace velorin
