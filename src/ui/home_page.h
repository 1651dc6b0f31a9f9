#pragma once
// Page 0: the state text with its "APP:" links, above the service's page in
// a viewer that runs nothing.
#include <QLabel>
#include <QWidget>
#include <functional>

#include "platform/user_interface.h"
#include "ui/web_view.h"

namespace velorin {

class CHomePage : public QWidget {
    Q_OBJECT
public:
    explicit CHomePage(QWidget* parent = nullptr);

    void SetState(MemberState state);
    QString StateText() const { return state_->text(); }
    // The main window's browser.
    void Open(const QString& url);
    CWebView* View() const { return view_; }
    void Tick() {}

    // The keyword after "APP:".
    std::function<void(const std::string& keyword)> onAppLink;

private:
    QLabel* state_;
    CWebView* view_;
};

}  // namespace velorin
