#pragma once
// Page 2, "파일검색": the term box, the extension box with its history, the
// search and cancel buttons, the progress bar, the result list with its seven
// columns and sorting, the sort box with "자동정렬", the current search terms
// window, and the list's menu. The search itself and every text are the
// search view model's.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <string>

#include "ui/row_table_model.h"

class QMenu;

namespace velorin {

class CProcess;
class CSearchTermsView;
class CSearchView;

// "현재 진행중인  검색어": the robot's terms as they come, with "일시중지" / "계속".
class CSearchTermsWindow : public QDialog {
    Q_OBJECT
public:
    CSearchTermsWindow(CSearchTermsView& model, QWidget* parent = nullptr);
    ~CSearchTermsWindow() override;
    QPushButton* PauseButton() const { return pause_; }

private:
    CSearchTermsView& model_;
    CRowTableModel* lines_;
    QPushButton* pause_;
};

class CSearchPage : public QWidget {
    Q_OBJECT
public:
    CSearchPage(CProcess& process, CSearchView& view, QWidget* parent = nullptr);

    void Tick();
    QLineEdit* TermField() const { return term_; }
    QCheckBox* ExtensionBox() const { return useExtension_; }
    QComboBox* ExtensionField() const { return extension_; }
    QPushButton* SearchButton() const { return search_; }
    QPushButton* CancelButton() const { return cancel_; }
    QTableView* Results() const { return results_; }
    QComboBox* SortBox() const { return sortKey_; }
    CRowTableModel* ResultModel() const { return model_; }

    void StartSearch();
    void DownloadSelected();
    void OpenSearchTerms();
    // The result list's menu on the current row; the caller owns it.
    QMenu* CreateMenu();

    std::function<void(const std::string& id)> onNote;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UpdateState();
    void FillExtensions();
    std::vector<size_t> SelectedRows() const;

    CProcess& process_;
    CSearchView& view_;
    QLineEdit* term_;
    QCheckBox* useExtension_;
    QComboBox* extension_;
    QPushButton* search_;
    QPushButton* cancel_;
    QProgressBar* progress_;
    QComboBox* sortKey_;
    QCheckBox* autoSort_;
    QTableView* results_;
    CRowTableModel* model_;
};

}  // namespace velorin
