#include "ui/search_page.h"

#include <QApplication>
#include <QClipboard>
#include <QFileIconProvider>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QVBoxLayout>
#include <memory>

#include "app/process.h"
#include "data/settings.h"
#include "platform/user_interface.h"
#include "ui/icons.h"
#include "ui/list_menu.h"
#include "views/friend_dialog.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"

namespace velorin {

namespace {

QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}

// The desktop's icon for a file by its name alone (nothing is read from disk).
QIcon FileIcon(const std::string& name, bool folder) {
    if (folder) return ThemedIcon("folder", "folder");
    static QFileIconProvider provider;
    QIcon icon = provider.icon(QFileInfo(QString::fromStdString(name)));
    return icon.isNull() ? ThemedIcon("text-x-generic", "file") : icon;
}

}  // namespace

CSearchTermsWindow::CSearchTermsWindow(CSearchTermsView& model, QWidget* parent)
    : QDialog(parent), model_(model) {
    setObjectName(QStringLiteral("searchTerms"));
    setWindowTitle(Utf8(search_terms_text::kTitle));
    auto* layout = new QVBoxLayout(this);
    const auto& lines = model_.Lines();
    lines_ = new CRowTableModel(
        model_.Observers(), [&lines] { return lines.size(); },
        {{Utf8(search_terms_text::kTitle),
          [&lines](size_t row, int role) -> QVariant {
              if (role != Qt::DisplayRole) return {};
              return QString::fromStdString(lines[row]);
          }}},
        this);
    auto* list = new QListView(this);
    list->setAccessibleName(Utf8(search_terms_text::kTitle));
    list->setModel(lines_);
    connect(lines_, &QAbstractItemModel::rowsInserted, list, [list] { list->scrollToBottom(); });
    layout->addWidget(list, 1);
    pause_ = new QPushButton(Utf8(model_.PauseButtonText()), this);
    connect(pause_, &QPushButton::clicked, this, [this] {
        model_.TogglePause();
        pause_->setText(Utf8(model_.PauseButtonText()));
    });
    layout->addWidget(pause_, 0, Qt::AlignRight);
    resize(320, 400);
    model_.Open();
}

CSearchTermsWindow::~CSearchTermsWindow() {
    model_.Close();
}

CSearchPage::CSearchPage(CProcess& process, CSearchView& view, QWidget* parent)
    : QWidget(parent), process_(process), view_(view) {
    setObjectName(QStringLiteral("searchPage"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("검색어(&W)"), this);
    term_ = new QLineEdit(this);
    term_->setObjectName(QStringLiteral("searchTerm"));
    term_->setAccessibleName(QStringLiteral("검색어"));
    term_->installEventFilter(this);
    label->setBuddy(term_);
    row->addWidget(label);
    row->addWidget(term_, 1);
    useExtension_ = new QCheckBox(QStringLiteral("확장자(&E)"), this);
    extension_ = new QComboBox(this);
    extension_->setEditable(true);
    extension_->setAccessibleName(QStringLiteral("확장자"));
    extension_->setMinimumContentsLength(8);
    connect(extension_, &QComboBox::activated, this, [this](int index) {
        std::string item = extension_->itemText(index).toStdString();
        view_.ChooseExtension(item);
        if (item == search_view_text::kClearHistory) FillExtensions();
    });
    row->addWidget(useExtension_);
    row->addWidget(extension_);
    search_ = new QPushButton(QStringLiteral("검색(&S)"), this);
    cancel_ = new QPushButton(QStringLiteral("취소(&C)"), this);
    connect(search_, &QPushButton::clicked, this, &CSearchPage::StartSearch);
    connect(cancel_, &QPushButton::clicked, this, [this] { view_.Cancel(); });
    row->addWidget(search_);
    row->addWidget(cancel_);
    layout->addLayout(row);

    auto* second = new QHBoxLayout;
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setAccessibleName(QStringLiteral("검색 진행"));
    second->addWidget(progress_, 1);
    auto* terms = new QLabel(Utf8(search_view_text::kSearchTermsLink), this);
    terms->setTextFormat(Qt::RichText);
    terms->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(terms, &QLabel::linkActivated, this, [this] { OpenSearchTerms(); });
    second->addWidget(terms);
    sortKey_ = new QComboBox(this);
    sortKey_->setAccessibleName(QStringLiteral("정렬"));
    for (const char* key : search_view_text::kSortKeys) sortKey_->addItem(Utf8(key));
    sortKey_->setCurrentIndex(
        static_cast<int>(process_.Settings().Read(setting::SortPriority) % 6));
    connect(sortKey_, &QComboBox::activated, this, [this](int index) {
        process_.Settings().Write(setting::SortPriority, static_cast<uint32_t>(index));
        view_.SortKey(static_cast<size_t>(index));
    });
    autoSort_ = new QCheckBox(Utf8(search_view_text::kAutoSort), this);
    autoSort_->setChecked(process_.Settings().Read(setting::FindedListSort) != 0);
    connect(autoSort_, &QCheckBox::toggled, this,
            [this](bool on) { process_.Settings().Write(setting::FindedListSort, on ? 1 : 0); });
    second->addWidget(sortKey_);
    second->addWidget(autoSort_);
    layout->addLayout(second);

    const auto& rows = view_.Rows();
    std::vector<CRowTableModel::Column> columns;
    for (size_t c = 0; c < CSearchView::kColumnCount; ++c) {
        columns.push_back(
            {Utf8(search_view_text::kColumns[c]), [&rows, c](size_t r, int role) -> QVariant {
                 const SearchRow& result = rows[r];
                 if (role == Qt::DisplayRole) {
                     return QString::fromStdString(result.texts[c]);
                 }
                 if (role == Qt::DecorationRole && c == 0) {
                     return FileIcon(result.answer.name, result.Folder());
                 }
                 if (role == Qt::TextAlignmentRole && (c == 4 || c == 6)) {
                     return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
                 }
                 return {};
             }});
    }
    model_ = new CRowTableModel(
        view_.Observers(), [&rows] { return rows.size(); }, std::move(columns), this);
    connect(model_, &CRowTableModel::stateChanged, this, &CSearchPage::UpdateState);
    results_ = new QTableView(this);
    results_->setObjectName(QStringLiteral("searchResults"));
    results_->setAccessibleName(QStringLiteral("검색 결과"));
    results_->setModel(model_);
    results_->setSelectionBehavior(QAbstractItemView::SelectRows);
    results_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    results_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results_->verticalHeader()->hide();
    results_->verticalHeader()->setDefaultSectionSize(results_->fontMetrics().height() + 6);
    results_->horizontalHeader()->setSectionsClickable(true);
    results_->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {220, 50, 60, 200, 100, 80, 50};
    for (int c = 0; c < 7; ++c) results_->setColumnWidth(c, widths[c]);
    connect(results_->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { view_.SortColumn(static_cast<size_t>(column)); });
    connect(results_, &QAbstractItemView::activated, this, &CSearchPage::DownloadSelected);
    AttachMenu(*results_, [this] { return CreateMenu(); });
    layout->addWidget(results_, 1);
    FillExtensions();
    UpdateState();
}

bool CSearchPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == term_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Escape would otherwise reach the window; Enter starts a search only while none runs.
        if (key->key() == Qt::Key_Escape) return true;
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (!view_.Searching()) StartSearch();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSearchPage::StartSearch() {
    view_.StartSearch(term_->text().toStdString(), useExtension_->isChecked(),
                      extension_->currentText().toStdString());
    FillExtensions();
    UpdateState();
}

void CSearchPage::FillExtensions() {
    QString typed = extension_->currentText();
    extension_->clear();
    for (const std::string& item : view_.ExtensionItems()) {
        extension_->addItem(QString::fromStdString(item));
    }
    extension_->setCurrentText(typed == Utf8(search_view_text::kClearHistory) ? QString() : typed);
}

void CSearchPage::UpdateState() {
    bool searching = view_.Searching();
    search_->setEnabled(!searching);
    cancel_->setEnabled(searching);
    progress_->setValue(view_.Progress());
}

void CSearchPage::Tick() {
    UpdateState();
}

std::vector<size_t> CSearchPage::SelectedRows() const {
    std::vector<size_t> rows;
    for (const QModelIndex& index : results_->selectionModel()->selectedRows()) {
        rows.push_back(static_cast<size_t>(index.row()));
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void CSearchPage::DownloadSelected() {
    SearchDownloadResult result = view_.Download(SelectedRows());
    if (result.connected) process_.Ui().ShowTransferPage();
}

void CSearchPage::OpenSearchTerms() {
    CSearchTermsView* terms = process_.SearchTerms();
    if (!terms) return;
    auto* window = new CSearchTermsWindow(*terms, this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

QMenu* CSearchPage::CreateMenu() {
    QModelIndex current = results_->currentIndex();
    std::optional<size_t> row;
    if (current.isValid() && static_cast<size_t>(current.row()) < view_.Rows().size()) {
        row = static_cast<size_t>(current.row());
    }
    std::string id = row ? view_.Rows()[*row].answer.memberId : "";
    auto* created = new QMenu(this);
    created->setObjectName(QStringLiteral("FindFileList"));
    QMenu& menu = *created;
    auto item = [&menu, this, &row](const QString& text, std::function<void()> act) {
        QAction* action = menu.addAction(text, this, std::move(act));
        action->setEnabled(row.has_value());
        return action;
    };
    item(QStringLiteral("파일 다운로드"), [this] { DownloadSelected(); });
    menu.addAction(QStringLiteral("목록 삭제"), this, [this] { view_.DeleteAll(); });
    item(QStringLiteral("접속"), [this, row] { view_.ConnectPeer(*row); });
    item(QStringLiteral("친구 추가"), [this, id] {
        process_.FriendDialog().AddFromElsewhere(MemberList::kFriends, {id, ""});
    });
    item(QStringLiteral("접근거부 추가"), [this, id] {
        process_.FriendDialog().AddFromElsewhere(MemberList::kBlack, {id, ""});
    });
    auto copy = [this, row](auto field) {
        std::optional<LinkTexts> texts = view_.LinkTextsOf(*row);
        if (texts && !((*texts).*field).empty()) {
            QApplication::clipboard()->setText(QString::fromStdString((*texts).*field));
        }
    };
    item(QStringLiteral("파일 링크 복사"), [copy] { copy(&LinkTexts::file); });
    item(QStringLiteral("파일 링크 복사(HTML)"), [copy] { copy(&LinkTexts::fileHtml); });
    item(QStringLiteral("서버 링크 복사하기"), [copy] { copy(&LinkTexts::server); });
    item(QStringLiteral("서버 링크 복사하기(HTML)"), [copy] { copy(&LinkTexts::serverHtml); });
    item(QStringLiteral("쪽지 보내기"), [this, id] {
        if (onNote) onNote(id);
    });
    return created;
}

}  // namespace velorin
