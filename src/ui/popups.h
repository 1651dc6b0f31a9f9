#pragma once
// The small windows at the screen's corner: the event pop-up that slides out
// and back (a click on its text reports its identifier), the tray's status
// pop-up with its three lines and the download-folder link, and the
// connecting window.
#include <QLabel>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "views/main_window_rules.h"

namespace velorin {

// A frameless box with a close button in its corner.
class CCornerBox : public QWidget {
    Q_OBJECT
public:
    explicit CCornerBox(QWidget* parent = nullptr);

protected:
    // The body below the close button.
    QWidget* Body() const { return body_; }
    QPoint CornerPosition() const;
    virtual void CloseClicked() { hide(); }

private:
    void setFrameStyle();

    QWidget* body_;
};

class CEventPopup : public CCornerBox {
    Q_OBJECT
public:
    explicit CEventPopup(QWidget* parent = nullptr);
    // Slides out, stays, slides back.
    void Show(const QString& text, int identifier);
    QString Text() const { return text_->text(); }
    // A click on the text.
    std::function<void(int identifier)> onClicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void CloseClicked() override;

private:
    void SlideBack();

    QLabel* text_;
    int identifier_ = 0;
    QTimer stay_;
    QPropertyAnimation slide_;
};

class CStatusPopup : public CCornerBox {
    Q_OBJECT
public:
    explicit CStatusPopup(QWidget* parent = nullptr);
    void Show(const StatusPopupLines& lines);
    QStringList Lines() const;
    std::function<void()> onOpenDownloads;
    // A click anywhere else brings the main window forward.
    std::function<void()> onClicked;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QLabel* lines_[3];
};

class CConnectingWindow : public QWidget {
    Q_OBJECT
public:
    explicit CConnectingWindow(QWidget* parent = nullptr);
    void Show(const QString& text);
    QString Text() const { return text_->text(); }

private:
    QLabel* text_;
};

}  // namespace velorin
