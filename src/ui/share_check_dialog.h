#pragma once
// "불법 공유 자료 확인": the member's shared files walked against the word
// list on the check's own thread; each finding is added as it is posted, so
// the dialog stays responsive however many files there are.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <memory>

#include "platform/message_queue.h"

namespace velorin {

class CBadWordCheck;
class CProcess;

class CShareCheckDialog : public QDialog {
    Q_OBJECT
public:
    CShareCheckDialog(CProcess& process, QWidget* parent = nullptr);
    ~CShareCheckDialog() override;

    void StartCheck();
    bool Running() const;
    QTableWidget* Hits() const { return hits_; }
    QString Progress() const { return progress_->text(); }

private:
    class CTarget;
    void OnMessage(const Message& message);

    CProcess& process_;
    std::unique_ptr<CTarget> target_;
    std::unique_ptr<CBadWordCheck> check_;
    QTableWidget* hits_;
    QLabel* progress_;
    QPushButton* start_;
};

}  // namespace velorin
