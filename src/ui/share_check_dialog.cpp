#include "ui/share_check_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QVBoxLayout>

#include "app/process.h"
#include "data/badword_check.h"

namespace velorin {

namespace {
QString Utf8(const char* text) {
    return QString::fromUtf8(text);
}
}  // namespace

// The check posts to a window of the core's queue; this one hands it to the dialog.
class CShareCheckDialog::CTarget : public CWindowTarget {
public:
    CTarget(CMessageQueue& queue, CShareCheckDialog& dialog)
        : CWindowTarget(queue), dialog_(dialog) {}
    void OnMessage(const Message& message) override { dialog_.OnMessage(message); }

private:
    CShareCheckDialog& dialog_;
};

CShareCheckDialog::CShareCheckDialog(CProcess& process, QWidget* parent)
    : QDialog(parent),
      process_(process),
      target_(std::make_unique<CTarget>(process.Queue(), *this)),
      check_(std::make_unique<CBadWordCheck>(process.WordFilter(), process.Queue(),
                                             target_->Handle())) {
    setObjectName(QStringLiteral("shareCheck"));
    setWindowTitle(Utf8(badword_check_text::kTitle));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* notes = new QLabel(
        Utf8(badword_check_text::kNote1) + QLatin1Char('\n') + Utf8(badword_check_text::kNote2),
        this);
    top->addWidget(notes, 1);
    start_ = new QPushButton(Utf8(badword_check_text::kStart), this);
    connect(start_, &QPushButton::clicked, this, &CShareCheckDialog::StartCheck);
    top->addWidget(start_);
    layout->addLayout(top);
    hits_ = new QTableWidget(this);
    hits_->setAccessibleName(Utf8(badword_check_text::kTitle));
    hits_->setColumnCount(4);
    QStringList headers;
    for (const char* column : badword_check_text::kColumns) headers << Utf8(column);
    hits_->setHorizontalHeaderLabels(headers);
    hits_->horizontalHeader()->setStretchLastSection(true);
    // Narrow enough that "비고" stays in sight at the dialog's smallest size.
    hits_->setColumnWidth(0, 170);
    hits_->setColumnWidth(1, 190);
    hits_->setColumnWidth(2, 90);
    hits_->verticalHeader()->hide();
    hits_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    hits_->setSelectionBehavior(QAbstractItemView::SelectRows);
    layout->addWidget(hits_, 1);
    progress_ = new QLabel(this);
    layout->addWidget(progress_);
    resize(640, 420);
}

CShareCheckDialog::~CShareCheckDialog() {
    check_.reset();
}

bool CShareCheckDialog::Running() const {
    return check_->Running();
}

void CShareCheckDialog::StartCheck() {
    std::vector<ShareFolderRow> folders;
    process_.ShareDatabase().LoadShareFolders(folders);
    std::vector<std::string> paths;
    for (const ShareFolderRow& folder : folders) paths.push_back(folder.path);
    hits_->setRowCount(0);
    if (check_->Start(paths)) start_->setEnabled(false);
}

void CShareCheckDialog::OnMessage(const Message& message) {
    switch (message.message) {
        case CBadWordCheck::kHitMessage:
            if (const auto* hit = std::any_cast<BadWordHit>(&message.payload)) {
                int row = hits_->rowCount();
                hits_->insertRow(row);
                const std::string* texts[] = {&hit->fileName, &hit->folder, &hit->word, &hit->req};
                for (int c = 0; c < 4; ++c) {
                    hits_->setItem(row, c, new QTableWidgetItem(QString::fromStdString(*texts[c])));
                }
            }
            break;
        case CBadWordCheck::kProgressMessage:
            progress_->setText(QStringLiteral("검사한 파일: %1개").arg(message.wParam));
            break;
        case CBadWordCheck::kDoneMessage:
            progress_->setText(QStringLiteral("검사한 파일: %1개").arg(message.wParam));
            start_->setEnabled(true);
            break;
        default:
            break;
    }
}

}  // namespace velorin
