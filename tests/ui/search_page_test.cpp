#include "ui/search_page.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cstdio>
#include <thread>

#include "data/badword_file.h"
#include "data/share_index.h"
#include "fileserver/search_datagram.h"
#include "platform/sqlite_database.h"
#include "service/server_list.h"
#include "support/eventually.h"
#include "support/process_fixture.h"
#include "transfer/transfer_manager.h"
#include "ui/queue_bridge.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"

namespace velorin {
namespace {

// Members' search robots played by the test: one loopback port answers every
// query with the names given, as many a query as a robot gives at most.
class CScriptedRobots {
public:
    explicit CScriptedRobots(std::vector<std::string> names) : names_(std::move(names)) {
        socket_ = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(socket_, reinterpret_cast<sockaddr*>(&at), sizeof at);
        socklen_t length = sizeof at;
        getsockname(socket_, reinterpret_cast<sockaddr*>(&at), &length);
        port_ = at.sin_port;
        thread_ = std::thread([this] { Answer(); });
    }
    ~CScriptedRobots() {
        running_ = false;
        thread_.join();
        close(socket_);
    }
    // The port in network order, as a server record holds it.
    uint16_t Port() const { return port_; }

private:
    void Answer() {
        char buffer[2048];
        while (running_) {
            pollfd wait{socket_, POLLIN, 0};
            if (poll(&wait, 1, 20) <= 0) continue;
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            ssize_t n = recvfrom(socket_, buffer, sizeof buffer, 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
            auto query = n > 0 ? DecodeSearchQuery({buffer, static_cast<size_t>(n)}) : std::nullopt;
            if (!query) continue;
            for (size_t i = 0; i < names_.size() && i < kIndexAnswerLimit; ++i) {
                std::string answer =
                    EncodeSearchAnswer({"m0", query->sendTime, 1000u + (i * 7919) % 1000, names_[i],
                                        "\\music", "OGG", 0});
                sendto(socket_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                       fromLength);
            }
        }
    }

    std::vector<std::string> names_;
    int socket_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> running_{true};
    std::thread thread_;
};

class SearchPageTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        // "야동" is a listed word: names with it as a piece are masked.
        ASSERT_TRUE(test::SeedProfile(dir / "p", test::FreeUdpPort()));
        ASSERT_TRUE(CreateBadwordFile(dir / "p/badword.db"));
        CSqliteDatabase words;
        ASSERT_TRUE(words.Open(dir / "p/badword.db", CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(words.Execute("INSERT INTO badword VALUES ('야동', '음란물')"));
        words.Close();
        StartProcess();
        page = std::make_unique<CSearchPage>(*process, *process->SearchView());
        page->resize(900, 600);
        page->show();
    }
    void TearDown() override { page.reset(); }

    // Signs in as far as a search needs, with `members` sharing members all
    // answered by `robots`.
    void ListMembers(const CScriptedRobots& robots, int members) {
        process->SetCredentials({"kim", "password"});
        ASSERT_NE(process->OpenSearchPort(0), 0);
        process->ServerRunning() = true;
        for (int i = 0; i < members; ++i) {
            ServerRecord record;
            record.userId = "m" + std::to_string(i);
            record.address = htonl(INADDR_LOOPBACK);
            record.tcpPort = htons(1);
            record.udpPort = robots.Port();
            record.sharingFlag = 1;
            ASSERT_TRUE(process->ServerList().AddRecord(record));
        }
    }
    void Search(const char* term) {
        page->TermField()->setText(QString::fromUtf8(term));
        QTest::keyClick(page->TermField(), Qt::Key_Return);
        ASSERT_TRUE(test::Eventually([&] {
            process->Queue().ProcessPending();
            return !process->SearchView()->Searching();
        }));
    }
    std::vector<std::string> Column(int column) {
        std::vector<std::string> texts;
        for (int row = 0; row < page->ResultModel()->rowCount(); ++row) {
            texts.push_back(
                page->ResultModel()->index(row, column).data().toString().toStdString());
        }
        return texts;
    }

    std::unique_ptr<CSearchPage> page;
};

// Enter in the term box searches through the model, whose refusals the person sees.
TEST_F(SearchPageTest, EnterSearchesAndTheModelRefuses) {
    EXPECT_EQ(page->ResultModel()->columnCount(), 7);
    EXPECT_EQ(page->ResultModel()->headerData(4, Qt::Horizontal, Qt::DisplayRole).toString(),
              "크기(Byte)");
    struct Case {
        const char* term;
        std::string text;
    } cases[] = {
        {"a_b", search_view_text::kUnderscore},
        {"movie", search_view_text::kNeedsServer},
    };
    ui.answer = false;
    for (const Case& c : cases) {
        page->TermField()->setText(QString::fromUtf8(c.term));
        QTest::keyClick(page->TermField(), Qt::Key_Return);
        std::vector<std::string> shown = ui.Messages();
        for (const std::string& row : ui.RowTexts()) shown.push_back(row);
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&c](const std::string& m) {
            return m.find(c.text) != std::string::npos;
        })) << c.term;
    }
    // Escape stays in the box.
    QTest::keyClick(page->TermField(), Qt::Key_Escape);
    EXPECT_TRUE(page->SearchButton()->isEnabled());
    EXPECT_FALSE(page->CancelButton()->isEnabled());
    size_t shown = ui.Messages().size();
    page->OpenSearchTerms();
    auto* terms = page->findChild<CSearchTermsWindow*>();
    ASSERT_NE(terms, nullptr);
    EXPECT_TRUE(process->SearchTerms()->IsOpen());
    terms->PauseButton()->click();
    EXPECT_EQ(terms->PauseButton()->text(), "계속");
    delete terms;
    EXPECT_FALSE(process->SearchTerms()->IsOpen());
    EXPECT_EQ(ui.Messages().size(), shown);
}

// A header click and the sort box order the rows through the model; a masked
// row is refused at Enter, a plain one reserved.
TEST_F(SearchPageTest, SortsByHeaderAndBoxAndRefusesAMaskedRow) {
    CScriptedRobots robots({"b tune.ogg", "c tune.ogg", "야동-tune.ogg", "a tune.ogg"});
    ListMembers(robots, 1);
    Search("tune");
    ASSERT_EQ(page->ResultModel()->rowCount(), 4);

    QHeaderView* header = page->Results()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 10, header->height() / 2));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"****-tune.ogg", "a tune.ogg", "b tune.ogg",
                                                   "c tune.ogg"}));
    page->SortBox()->setCurrentIndex(3);
    emit page->SortBox()->activated(3);
    std::vector<std::string> sizes = Column(4);
    EXPECT_TRUE(std::is_sorted(sizes.begin(), sizes.end()) ||
                std::is_sorted(sizes.rbegin(), sizes.rend()));

    for (bool masked : {true, false}) {
        SCOPED_TRACE(masked);
        std::vector<std::string> names = Column(0);
        int row = static_cast<int>(
            std::find_if(names.begin(), names.end(),
                         [masked](const std::string& name) { return (name[0] == '*') == masked; }) -
            names.begin());
        size_t logged = ui.RowTexts().size();
        page->Results()->selectRow(row);
        QTest::keyClick(page->Results(), Qt::Key_Return);
        process->Queue().ProcessPending();
        std::vector<std::string> log = ui.RowTexts();
        bool refused = std::any_of(
            log.begin() + static_cast<long>(logged), log.end(), [](const std::string& text) {
                return text.find(search_view_text::kMasked) != std::string::npos;
            });
        EXPECT_EQ(refused, masked);
    }
    EXPECT_EQ(process->Transfers().Snapshot("m0").size(), 1u);
}

// 400 members, each answering with the 20 rows a robot gives at most: the
// search stops at 8 000 rows, which reach the page in batches. The figures
// printed are the README's.
TEST_F(SearchPageTest, EightThousandAnswersReachThePageInBatches) {
    std::vector<std::string> names;
    for (int i = 0; i < kIndexAnswerLimit; ++i)
        names.push_back("tune " + std::to_string(i) + ".ogg");
    CScriptedRobots robots(names);
    ListMembers(robots, 400);

    CQueueBridge bridge(process->Queue());
    int inserts = 0;
    QObject::connect(page->ResultModel(), &QAbstractItemModel::rowsInserted, [&] { ++inserts; });
    // The longest the Qt loop went without running a 5 ms timer.
    QElapsedTimer clock;
    qint64 last = 0, stall = 0;
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] {
        stall = std::max(stall, clock.elapsed() - last);
        last = clock.elapsed();
        if (!process->SearchView()->Searching()) QCoreApplication::exit(0);
    });
    QTimer::singleShot(30000, [] { QCoreApplication::exit(-2); });
    page->TermField()->setText("tune");
    clock.start();
    QTest::keyClick(page->TermField(), Qt::Key_Return);
    beat.start(5);
    EXPECT_EQ(QCoreApplication::exec(), 0);

    EXPECT_EQ(page->ResultModel()->rowCount(), 8000);
    EXPECT_LT(inserts, 8000);
    std::printf(
        "8000 answers in %lld ms: %d inserts, longest stall %lld ms, longest turn %lld ms\n",
        static_cast<long long>(clock.elapsed()), inserts, static_cast<long long>(stall),
        static_cast<long long>(bridge.LongestTurn().count() / 1000));
}

}  // namespace
}  // namespace velorin
