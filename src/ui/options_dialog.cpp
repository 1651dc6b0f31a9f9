#include "ui/options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>
#include <iterator>

#include "app/process.h"
#include "data/share_rules.h"
#include "ui/dialog_buttons.h"
#include "ui/grant_dialog.h"
#include "ui/row_table_model.h"
#include "ui/share_folder_dialog.h"

namespace velorin {

namespace {
namespace label {
constexpr const char* kTitle = "환경 설정";
constexpr const char* kRequired = "필수 설정";
constexpr const char* kConnection = "연결 설정";
constexpr const char* kTransfer = "전송 설정";
constexpr const char* kNotice = "공지 설정";
constexpr const char* kServer = "기본 설정";
constexpr const char* kCategory = "분류(&K):";
constexpr const char* kServerName = "서버설명(&S):";
constexpr const char* kRandom = "랜덤(&R)";
constexpr const char* kDownloadPath = "다운로드 폴더(&P):";
constexpr const char* kBrowse = "찾아보기(&B)...";
constexpr const char* kDocuments = "[내문서]로 설정(&M)";
constexpr const char* kFolders = "공유 폴더";
constexpr const char* kGrants = "사용자 권한";
constexpr const char* kAdd = "추가";
constexpr const char* kChange = "변경";
constexpr const char* kDelete = "삭제";
constexpr const char* kShareCheck = "불법 공유 자료 체크";
constexpr const char* kFolderName = "폴더명";
constexpr const char* kFolderPath = "위치";
constexpr const char* kDesc = "설명";
constexpr const char* kUser = "사용자 ID";
constexpr const char* kPermission = "권한";
constexpr const char* kAutoStart = "윈도우 시작시 프로그램  자동 실행";
constexpr const char* kAutoPort = "서버 포트 자동 설정";
constexpr const char* kListenPort = "서버 포트(&O) (1024 ~ 65535):";
constexpr const char* kQuickSend = "파워 모드(이 모드를 사용할 경우 전송속도를 높여줍니다)";
constexpr const char* kContinueRecv = "받을 파일이 이미 있을 때";
constexpr const char* kAsk = "확인후 재전송";
constexpr const char* kOverwrite = "덮어쓰기";
constexpr const char* kResume = "이어받기";
constexpr const char* kContinueServerRecv = "내 서버에 올라오는 파일이 이미 있을 때";
constexpr const char* kResumeUpload = "이어올리기";
constexpr const char* kTempFile = "임시파일";
constexpr const char* kKeepTemp = "임시파일 삭제안함";
constexpr const char* kDeleteTemp = "목록에서 제거시 삭제";
constexpr const char* kExistFile = "예약한 파일이 이미 있을 때";
constexpr const char* kCancel = "전송취소";
constexpr const char* kSimilarName = "파일전송 (유사이름으로 변경)";
constexpr const char* kLimits = "동시 접속자수 제한";
constexpr const char* kMaxDown = "받기:";
constexpr const char* kMaxUp = "보내기:";
constexpr const char* kWriteLog = "파일 전송시 로그 저장";
constexpr const char* kIndex = "공유 목록";
constexpr const char* kReindex = "수동갱신";
constexpr const char* kBringMessage = "접속자에게 공지내용 보여주기";
constexpr const char* kMessage = "공지내용 (2000자까지)";
constexpr const char* kPreview = "미리보기";
}  // namespace label

constexpr int kMessageCharacters = 2000;
constexpr int kMaxSessions = 999;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

QPushButton* Button(const char* text, const char* name, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

// A group of radio buttons whose ids are the setting's values.
QGroupBox* Choices(const char* title, std::initializer_list<const char*> texts, const char* name,
                   QButtonGroup*& group, QWidget* parent) {
    auto* box = new QGroupBox(title, parent);
    auto* layout = new QHBoxLayout(box);
    group = new QButtonGroup(box);
    group->setObjectName(name);
    int id = 0;
    for (const char* text : texts) {
        auto* radio = new QRadioButton(text, box);
        group->addButton(radio, id++);
        layout->addWidget(radio);
    }
    layout->addStretch(1);
    return box;
}

void Check(QButtonGroup* group, uint32_t value) {
    if (QAbstractButton* button = group->button(static_cast<int>(value))) button->setChecked(true);
}

uint32_t Checked(const QButtonGroup* group) {
    return group->checkedId() < 0 ? 0 : static_cast<uint32_t>(group->checkedId());
}

std::optional<size_t> Row(const QModelIndex& index) {
    if (!index.isValid()) return std::nullopt;
    return static_cast<size_t>(index.row());
}

}  // namespace

COptionsDialog::COptionsDialog(CProcess& process, QWidget* parent)
    : QDialog(parent),
      sheet_(process.OptionSheet()),
      page_(process.ShareFolderPage()),
      tabs_(new QTabWidget(this)) {
    setWindowTitle(label::kTitle);
    setObjectName("optionsDialog");
    tabs_->setObjectName("optionTabs");
    tabs_->addTab(MakeRequiredPage(), label::kRequired);
    tabs_->addTab(MakeConnectionPage(), label::kConnection);
    tabs_->addTab(MakeTransferPage(), label::kTransfer);
    tabs_->addTab(MakeNoticePage(), label::kNotice);
    auto* buttons = DialogButtons(*this, QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->setObjectName("optionButtons");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
    resize(760, 600);
}

COptionsDialog::~COptionsDialog() {
    // The models unsubscribe from observers that this dialog owns.
    delete folderModel_;
    delete grantModel_;
}

bool COptionsDialog::Run() {
    return exec() == QDialog::Accepted;
}

int COptionsDialog::RunDialog(QDialog& dialog) {
    return runner_ ? runner_(dialog) : dialog.exec();
}

QTableView* COptionsDialog::MakeTable(CRowTableModel* model, const char* name,
                                      const char* accessible) {
    auto* view = new QTableView(this);
    view->setObjectName(name);
    view->setAccessibleName(accessible);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    view->setColumnWidth(0, 120);
    view->setColumnWidth(1, 200);
    return view;
}

QWidget* COptionsDialog::MakeRequiredPage() {
    auto* page = new QWidget(tabs_);
    RequiredOptions fields = sheet_.Required();

    category_ = new QComboBox(page);
    category_->setObjectName("category");
    category_->setAccessibleName("분류");
    for (const char* text : kCategories) category_->addItem(text);
    category_->setCurrentIndex(
        fields.dataGroup < std::size(kCategories) ? static_cast<int>(fields.dataGroup) : -1);
    serverName_ = new QLineEdit(Q(fields.serverName), page);
    serverName_->setObjectName("serverName");
    serverName_->setAccessibleName("서버설명");
    serverName_->setMaxLength(50);
    auto* random = Button(label::kRandom, "randomServerName", page);
    connect(random, &QPushButton::clicked, this,
            [this] { serverName_->setText(Q(COptionSheet::RandomServerName())); });
    downloadPath_ = new QLineEdit(Q(fields.downloadPath), page);
    downloadPath_->setObjectName("downloadPath");
    downloadPath_->setAccessibleName("다운로드 폴더");
    auto* browse = Button(label::kBrowse, "downloadBrowse", page);
    connect(browse, &QPushButton::clicked, this, [this] {
        QString folder =
            QFileDialog::getExistingDirectory(this, label::kDownloadPath, downloadPath_->text());
        if (!folder.isEmpty()) downloadPath_->setText(folder);
    });
    auto* documents = Button(label::kDocuments, "documentsPath", page);
    connect(documents, &QPushButton::clicked, this,
            [this] { downloadPath_->setText(Q(COptionSheet::DocumentsPath())); });

    auto* server = new QGroupBox(label::kServer, page);
    auto* grid = new QGridLayout(server);
    auto addLabel = [&](const char* text, QWidget* buddy, int row) {
        auto* l = new QLabel(text, server);
        l->setBuddy(buddy);
        grid->addWidget(l, row, 0);
    };
    addLabel(label::kCategory, category_, 0);
    grid->addWidget(category_, 0, 1);
    addLabel(label::kServerName, serverName_, 1);
    grid->addWidget(serverName_, 1, 1);
    grid->addWidget(random, 1, 2);
    addLabel(label::kDownloadPath, downloadPath_, 2);
    grid->addWidget(downloadPath_, 2, 1);
    auto* pathButtons = new QHBoxLayout;
    pathButtons->addWidget(browse);
    pathButtons->addWidget(documents);
    grid->addLayout(pathButtons, 2, 2);
    grid->setColumnStretch(1, 1);

    auto folderText = [this](int column) {
        return [this, column](size_t row, int role) -> QVariant {
            if (role != Qt::DisplayRole) return {};
            const ShareFolderRow& folder = page_.Folders()[row];
            return Q(column == 0 ? folder.name : column == 1 ? folder.path : folder.desc);
        };
    };
    folderModel_ = new CRowTableModel(folderRows_, [this] { return page_.Folders().size(); },
                                      {{label::kFolderName, folderText(0)},
                                       {label::kFolderPath, folderText(1)},
                                       {label::kDesc, folderText(2)}});
    auto grantText = [this](int column) {
        return [this, column](size_t row, int role) -> QVariant {
            if (role != Qt::DisplayRole) return {};
            const PermissionRow& grant = page_.Grants()[row];
            if (column == 1) return Q(PermissionText(grant.permission));
            return Q(column == 0 ? grant.user : grant.desc);
        };
    };
    grantModel_ = new CRowTableModel(grantRows_, [this] { return page_.Grants().size(); },
                                     {{label::kUser, grantText(0)},
                                      {label::kPermission, grantText(1)},
                                      {label::kDesc, grantText(2)}});
    folders_ = MakeTable(folderModel_, "folderList", label::kFolders);
    grants_ = MakeTable(grantModel_, "grantList", label::kGrants);
    connect(folders_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (showing_) return;
                page_.SelectFolder(Row(current));
                grantRows_.Reset();
            });
    connect(grants_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (!showing_) page_.SelectGrant(Row(current));
            });
    connect(folders_, &QTableView::activated, this, &COptionsDialog::ChangeFolder);
    connect(grants_, &QTableView::activated, this, &COptionsDialog::ChangeGrant);
    connect(new QShortcut(QKeySequence::Delete, folders_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &COptionsDialog::DeleteFolder);
    connect(new QShortcut(QKeySequence::Delete, grants_, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, &COptionsDialog::RemoveGrant);

    auto listBox = [&](const char* title, QTableView* view, const char* prefix,
                       void (COptionsDialog::*add)(), void (COptionsDialog::*change)(),
                       void (COptionsDialog::*remove)()) {
        auto* box = new QGroupBox(title, page);
        auto* buttons = new QVBoxLayout;
        auto button = [&](const char* text, const char* name, void (COptionsDialog::*slot)()) {
            QPushButton* push = Button(text, "", box);
            push->setObjectName(QString(prefix) + name);
            connect(push, &QPushButton::clicked, this, slot);
            buttons->addWidget(push);
        };
        button(label::kAdd, "Add", add);
        button(label::kChange, "Change", change);
        button(label::kDelete, "Delete", remove);
        buttons->addStretch(1);
        auto* layout = new QHBoxLayout(box);
        layout->addWidget(view, 1);
        layout->addLayout(buttons);
        return box;
    };
    QGroupBox* folderBox = listBox(label::kFolders, folders_, "folder", &COptionsDialog::AddFolder,
                                   &COptionsDialog::ChangeFolder, &COptionsDialog::DeleteFolder);
    QGroupBox* grantBox = listBox(label::kGrants, grants_, "grant", &COptionsDialog::AddGrant,
                                  &COptionsDialog::ChangeGrant, &COptionsDialog::RemoveGrant);
    auto* check = Button(label::kShareCheck, "shareCheck", page);
    connect(check, &QPushButton::clicked, this, [this] {
        if (shareCheck_) shareCheck_();
    });
    auto* checkRow = new QHBoxLayout;
    checkRow->addStretch(1);
    checkRow->addWidget(check);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(server);
    layout->addWidget(folderBox, 1);
    layout->addWidget(grantBox, 1);
    layout->addLayout(checkRow);
    return page;
}

QWidget* COptionsDialog::MakeConnectionPage() {
    auto* page = new QWidget(tabs_);
    ConnectionOptions fields = sheet_.Connection();
    autoStart_ = new QCheckBox(label::kAutoStart, page);
    autoStart_->setObjectName("autoStart");
    autoStart_->setChecked(fields.autoStart);
    connect(autoStart_, &QCheckBox::toggled, this, [this](bool on) { sheet_.SetAutoStart(on); });
    autoPort_ = new QCheckBox(label::kAutoPort, page);
    autoPort_->setObjectName("autoPort");
    autoPort_->setChecked(fields.autoPort);
    listenPort_ = new QLineEdit(Q(fields.listenPort), page);
    listenPort_->setObjectName("listenPort");
    listenPort_->setAccessibleName("서버 포트");
    listenPort_->setMaxLength(5);
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(label::kListenPort, listenPort_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(autoStart_);
    layout->addWidget(autoPort_);
    layout->addLayout(form);
    layout->addStretch(1);
    return page;
}

QWidget* COptionsDialog::MakeTransferPage() {
    auto* page = new QWidget(tabs_);
    TransferOptions fields = sheet_.Transfer();
    quickSend_ = new QCheckBox(label::kQuickSend, page);
    quickSend_->setObjectName("quickSend");
    quickSend_->setChecked(fields.quickSend);
    QGroupBox* recv =
        Choices(label::kContinueRecv, {label::kAsk, label::kOverwrite, label::kResume},
                "continueRecv", continueRecv_, page);
    QGroupBox* serverRecv =
        Choices(label::kContinueServerRecv, {label::kResumeUpload, label::kOverwrite},
                "continueServerRecv", continueServerRecv_, page);
    QGroupBox* temp = Choices(label::kTempFile, {label::kKeepTemp, label::kDeleteTemp}, "tempFile",
                              tempFile_, page);
    QGroupBox* exist = Choices(label::kExistFile, {label::kCancel, label::kSimilarName},
                               "existFileTransReserve", existFile_, page);
    Check(continueRecv_, fields.continueRecv);
    Check(continueServerRecv_, fields.continueServerRecv);
    Check(tempFile_, fields.tempFile);
    Check(existFile_, fields.existFileTransReserve);

    auto* limits = new QGroupBox(label::kLimits, page);
    auto* limitForm = new QHBoxLayout(limits);
    auto spin = [&](const char* text, const char* name, int32_t value) {
        auto* box = new QSpinBox(limits);
        box->setObjectName(name);
        box->setAccessibleName(QString(text).remove(':'));
        box->setRange(0, kMaxSessions);
        box->setValue(value);
        auto* l = new QLabel(text, limits);
        l->setBuddy(box);
        limitForm->addWidget(l);
        limitForm->addWidget(box);
        return box;
    };
    maxDown_ = spin(label::kMaxDown, "maxDown", fields.maxDown);
    maxUp_ = spin(label::kMaxUp, "maxUp", fields.maxUp);
    limitForm->addStretch(1);
    writeLog_ = new QCheckBox(label::kWriteLog, page);
    writeLog_->setObjectName("writeLog");
    writeLog_->setChecked(fields.writeLog);

    auto* index = new QGroupBox(label::kIndex, page);
    auto* indexRow = new QHBoxLayout(index);
    auto* reindex = Button(label::kReindex, "reindex", index);
    reindexText_ = new QLabel(index);
    reindexText_->setObjectName("reindexText");
    reindexText_->setWordWrap(true);
    connect(reindex, &QPushButton::clicked, this,
            [this] { reindexText_->setText(Q(sheet_.Reindex())); });
    indexRow->addWidget(reindex);
    indexRow->addWidget(reindexText_, 1);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(quickSend_);
    layout->addWidget(recv);
    layout->addWidget(serverRecv);
    layout->addWidget(temp);
    layout->addWidget(exist);
    layout->addWidget(limits);
    layout->addWidget(writeLog_);
    layout->addWidget(index);
    layout->addStretch(1);
    return page;
}

QWidget* COptionsDialog::MakeNoticePage() {
    auto* page = new QWidget(tabs_);
    NoticeOptions fields = sheet_.Notice();
    bringMessage_ = new QCheckBox(label::kBringMessage, page);
    bringMessage_->setObjectName("bringMessage");
    bringMessage_->setChecked(fields.bringMessage);
    message_ = new QPlainTextEdit(Q(fields.message), page);
    message_->setObjectName("message");
    message_->setAccessibleName("공지내용");
    connect(message_, &QPlainTextEdit::textChanged, this, [this] {
        QString text = message_->toPlainText();
        if (text.size() <= kMessageCharacters) return;
        QSignalBlocker block(message_);
        message_->setPlainText(text.left(kMessageCharacters));
        message_->moveCursor(QTextCursor::End);
    });
    auto* caption = new QLabel(label::kMessage, page);
    caption->setBuddy(message_);
    auto* preview = Button(label::kPreview, "preview", page);
    connect(preview, &QPushButton::clicked, this, [this] { sheet_.Preview(NoticeFields()); });
    auto* previewRow = new QHBoxLayout;
    previewRow->addStretch(1);
    previewRow->addWidget(preview);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(bringMessage_);
    layout->addWidget(caption);
    layout->addWidget(message_, 1);
    layout->addLayout(previewRow);
    return page;
}

RequiredOptions COptionsDialog::RequiredFields() const {
    int index = category_->currentIndex();
    return RequiredOptions{
        index < 0 ? static_cast<uint32_t>(std::size(kCategories)) : static_cast<uint32_t>(index),
        S(serverName_->text()), S(downloadPath_->text())};
}

ConnectionOptions COptionsDialog::ConnectionFields() const {
    return ConnectionOptions{autoStart_->isChecked(), autoPort_->isChecked(),
                             S(listenPort_->text())};
}

TransferOptions COptionsDialog::TransferFields() const {
    TransferOptions fields;
    fields.quickSend = quickSend_->isChecked();
    fields.continueRecv = Checked(continueRecv_);
    fields.continueServerRecv = Checked(continueServerRecv_);
    fields.tempFile = Checked(tempFile_);
    fields.existFileTransReserve = Checked(existFile_);
    fields.maxDown = maxDown_->value();
    fields.maxUp = maxUp_->value();
    fields.writeLog = writeLog_->isChecked();
    return fields;
}

NoticeOptions COptionsDialog::NoticeFields() const {
    return NoticeOptions{bringMessage_->isChecked(), S(message_->toPlainText())};
}

void COptionsDialog::accept() {
    const std::function<OptionRefusal()> pages[] = {
        [this] { return sheet_.ApplyRequired(RequiredFields()); },
        [this] { return sheet_.ApplyConnection(ConnectionFields()); },
        [this] { return sheet_.ApplyTransfer(TransferFields()); },
        [this] { return sheet_.ApplyNotice(NoticeFields()); },
    };
    for (size_t i = 0; i < std::size(pages); ++i) {
        if (pages[i]()) {
            tabs_->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    QDialog::accept();
}

void COptionsDialog::ShowShareLists() {
    showing_ = true;
    folderRows_.Reset();
    grantRows_.Reset();
    if (std::optional<size_t> folder = page_.CurrentFolder()) {
        folders_->selectionModel()->setCurrentIndex(
            folderModel_->index(static_cast<int>(*folder), 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    if (std::optional<size_t> grant = page_.CurrentGrant()) {
        grants_->selectionModel()->setCurrentIndex(
            grantModel_->index(static_cast<int>(*grant), 0),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
    showing_ = false;
}

void COptionsDialog::AddFolder() {
    CShareFolderDialog dialog(
        {}, [this](const FolderDialogFields& fields) { return page_.AddFolder(fields); }, this);
    if (RunDialog(dialog) == QDialog::Accepted) ShowShareLists();
}

void COptionsDialog::ChangeFolder() {
    FolderDialogFields fields;
    if (page_.BeginChangeFolder(fields)) return;
    CShareFolderDialog dialog(
        fields, [this](const FolderDialogFields& changed) { return page_.ChangeFolder(changed); },
        this);
    if (RunDialog(dialog) == QDialog::Accepted) ShowShareLists();
}

void COptionsDialog::DeleteFolder() {
    if (!page_.DeleteFolder()) ShowShareLists();
}

void COptionsDialog::AddGrant() {
    GrantDialogFields fields;
    if (page_.BeginAddGrant(fields)) return;
    CGrantDialog dialog(
        fields, [this](const GrantDialogFields& added) { return page_.AddGrant(added); }, this);
    if (RunDialog(dialog) == QDialog::Accepted) ShowShareLists();
}

void COptionsDialog::ChangeGrant() {
    GrantDialogFields fields;
    if (page_.BeginChangeGrant(fields)) return;
    CGrantDialog dialog(
        fields, [this](const GrantDialogFields& changed) { return page_.ChangeGrant(changed); },
        this);
    if (RunDialog(dialog) == QDialog::Accepted) ShowShareLists();
}

void COptionsDialog::RemoveGrant() {
    // A refused or answered removal may still have reloaded the grants.
    page_.RemoveGrant();
    ShowShareLists();
}

}  // namespace velorin
