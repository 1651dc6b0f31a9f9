#pragma once
// "히스토리 관리": the members whose servers were browsed last; "연결" hands
// the chosen one back to the explorer, "초기화" clears the history.
#include <QDialog>
#include <string>

class QListWidget;

namespace velorin {

class CServerExplorer;

class CHistoryDialog : public QDialog {
    Q_OBJECT
public:
    CHistoryDialog(CServerExplorer& explorer, QWidget* parent = nullptr);

    // The ID "연결" chose; empty when none was.
    const std::string& Chosen() const { return chosen_; }
    QListWidget* List() const { return list_; }

private:
    void Reload();
    void ConnectSelected();

    CServerExplorer& explorer_;
    QListWidget* list_ = nullptr;
    std::string chosen_;
};

}  // namespace velorin
