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

#include "data/share_index.h"
#include "fileserver/search_datagram.h"
#include "service/server_list.h"
#include "support/process_fixture.h"
#include "ui/queue_bridge.h"
#include "views/search_terms_view.h"
#include "views/search_view.h"

namespace velorin {
namespace {

class SearchPageTest : public test::ProcessFixture<> {
protected:
    void SetUp() override {
        StartProcess();
        page = std::make_unique<CSearchPage>(*process, *process->SearchView());
        page->show();
    }
    void TearDown() override { page.reset(); }
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

}  // namespace
}  // namespace velorin

namespace velorin {
namespace {

// 400 members, each answering with the 20 rows a robot gives at most: the
// search stops at 8 000 rows, which reach the page in batches. The figures
// printed are the README's.
TEST_F(SearchPageTest, EightThousandAnswersReachThePageInBatches) {
    int robot = socket(AF_INET, SOCK_DGRAM, 0);
    ASSERT_GE(robot, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(robot, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    socklen_t length = sizeof at;
    getsockname(robot, reinterpret_cast<sockaddr*>(&at), &length);
    std::atomic<bool> running{true};
    std::thread answering([&] {
        char buffer[2048];
        while (running) {
            pollfd wait{robot, POLLIN, 0};
            if (poll(&wait, 1, 20) <= 0) continue;
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            ssize_t n = recvfrom(robot, buffer, sizeof buffer, 0,
                                 reinterpret_cast<sockaddr*>(&from), &fromLength);
            auto query = n > 0 ? DecodeSearchQuery({buffer, static_cast<size_t>(n)}) : std::nullopt;
            if (!query) continue;
            for (int i = 0; i < kIndexAnswerLimit; ++i) {
                std::string answer =
                    EncodeSearchAnswer({"kim", query->sendTime, 1000u + static_cast<uint64_t>(i),
                                        "tune " + std::to_string(i) + ".ogg", "\\music", "OGG", 0});
                sendto(robot, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                       fromLength);
            }
        }
    });
    process->SetCredentials({"kim", "password"});
    ASSERT_NE(process->OpenSearchPort(0), 0);
    process->ServerRunning() = true;
    for (int i = 0; i < 400; ++i) {
        ServerRecord record;
        record.userId = "m" + std::to_string(i);
        record.address = htonl(INADDR_LOOPBACK);
        record.tcpPort = htons(1);
        record.udpPort = at.sin_port;
        record.sharingFlag = 1;
        ASSERT_TRUE(process->ServerList().AddRecord(record));
    }
    page->resize(900, 600);

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
    running = false;
    answering.join();
    close(robot);

    EXPECT_EQ(page->ResultModel()->rowCount(), 8000);
    EXPECT_LT(inserts, 8000);
    std::printf(
        "8000 answers in %lld ms: %d inserts, longest stall %lld ms, longest turn %lld ms\n",
        static_cast<long long>(clock.elapsed()), inserts, static_cast<long long>(stall),
        static_cast<long long>(bridge.LongestTurn().count() / 1000));
}

}  // namespace
}  // namespace velorin
