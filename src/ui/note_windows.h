#pragma once
// The notes' windows: the note box ("쪽지함") with its list, read and unread
// icons and its two boxes; the note dialog in its three modes ("쪽지 보내기",
// a reply, "쪽지 보기"); and the notice window ("알림") that shows a visited
// server's HTML as text that runs and loads nothing, with its countdown.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextBrowser>
#include <QTimer>
#include <memory>

#include "views/note_dialog.h"
#include "views/notice_window.h"

namespace velorin {

class CProcess;

class CNoteWindow : public QDialog {
    Q_OBJECT
public:
    CNoteWindow(CProcess& process, CNoteDialog model, QWidget* parent = nullptr);
    // Opens a note dialog, unless composing is refused (the text is shown instead).
    static void Open(CProcess& process, CNoteDialog model, QWidget* parent);

    QLineEdit* IdField() const { return id_; }
    QPlainTextEdit* TextField() const { return text_; }

public slots:
    void accept() override;

private:
    CProcess& process_;
    CNoteDialog model_;
    QLineEdit* id_;
    QPlainTextEdit* text_;
};

class CNoteBoxWindow : public QDialog {
    Q_OBJECT
public:
    CNoteBoxWindow(CProcess& process, QWidget* parent = nullptr);
    void Reload();
    QTableWidget* List() const { return list_; }

    void ViewSelected();
    void ReplySelected();
    void DeleteSelected();
    void DeleteAll();

private:
    std::vector<int> SelectedSlots() const;

    CProcess& process_;
    QTableWidget* list_;
    QCheckBox* refuse_;
    QCheckBox* announce_;
};

class CNoticeView : public QDialog {
    Q_OBJECT
public:
    CNoticeView(CProcess& process, const std::string& html, QWidget* parent = nullptr);
    QTextBrowser* View() const { return view_; }
    QString CountdownText() const { return countdown_->text(); }
    void TickOnce();

private:
    void Update();

    CNoticeWindow model_;
    QTextBrowser* view_;
    QCheckBox* autoClose_;
    QLabel* countdown_;
    QTimer timer_;
};

}  // namespace velorin
