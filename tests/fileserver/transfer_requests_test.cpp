#include "fileserver/transfer_requests.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "data/complete_list.h"
#include "data/process_options.h"
#include "fileserver/browse_requests.h"
#include "fileserver/peer_messages.h"
#include "fileserver/peer_requests.h"
#include "fileserver/point_balance.h"
#include "fileserver/server_transfer_list.h"
#include "fileserver/upload_targets.h"
#include "fileserver_fixture.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

std::string Pattern(size_t size) {
    std::string out(size, '\0');
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<char>('a' + i % 23);
    return out;
}

class TransferRequestsTest : public test::ShareFixture {
protected:
    void SetUp() override {
        ShareFixture::SetUp();
        ASSERT_TRUE(completeList.Open(dir / "completelist.db"));
        Publish("Music", "music", 7);
        Write("music/song.mp3", Pattern(40000));
        Write("outside/secret.txt", "secret");
    }

    int Handle(IVisitorSession& s, const Packet& request) {
        return DispatchPeerRequest(browse, transfer, s, request).value_or(99);
    }
    int FileInfo(const std::string& path, FileInfoAnswer& answer) {
        session.sent.clear();
        int rc = Handle(session, EncodePathRequest(PEER_FILE_INFO, path));
        if (!session.sent.empty()) {
            EXPECT_TRUE(DecodeFileInfoAnswer(session.sent.back().payload, answer));
        }
        return rc;
    }
    int Download(const std::string& path, uint64_t offset, int8_t& code) {
        session.sent.clear();
        int rc = Handle(session, EncodeDownloadRequest({{1, 2, 3}, offset, path}));
        code = 99;
        if (!session.sent.empty()) {
            EXPECT_TRUE(DecodeDownloadAnswer(session.sent.back().payload, code));
        }
        return rc;
    }
    OffsetAnswer Query(const std::string& path) {
        session.sent.clear();
        EXPECT_EQ(Handle(session, EncodePathRequest(PEER_UPLOAD_QUERY, path)), 0);
        OffsetAnswer answer;
        EXPECT_TRUE(DecodeUploadQueryAnswer(session.sent.back().payload, answer));
        return answer;
    }
    OffsetAnswer Upload(test::CRecordingSession& s, const std::string& path, uint64_t total,
                        const std::string& bytes, int expectRc = -1) {
        s.sent.clear();
        s.Feed(bytes);
        EXPECT_EQ(Handle(s, EncodeUploadRequest({total, path})), expectRc);
        OffsetAnswer answer{99, 0};
        if (!s.sent.empty()) {
            EXPECT_TRUE(DecodeUploadAnswer(s.sent.back().payload, answer));
        }
        return answer;
    }
    ServerTransfer OnlyRecord() {
        std::vector<ServerTransfer> records = transfers.Records();
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? ServerTransfer{} : records[0];
    }

    test::CManualServerClock clock;
    CProcessOptions options;
    CServerTransferList transfers{clock};
    CCompleteList completeList;
    CPointBalance balance;
    CUploadTargets uploads;
    std::vector<std::pair<std::string, int>> statusLines;
    CBrowseRequests browse{db};
    CTransferRequests transfer{{db, options, transfers, completeList, balance, uploads, clock,
                                [this](const std::string& text, int kind) {
                                    statusLines.push_back({text, kind});
                                }}};
    test::CRecordingSession session;
};

TEST_F(TransferRequestsTest, FileInformationAndDownloadAnswerByRightsAndFile) {
    FileInfoAnswer answer;
    EXPECT_EQ(FileInfo("\\Music\\song.mp3", answer), 0);
    EXPECT_EQ(answer.size, 40000u);
    EXPECT_EQ(answer.rights, 7u);
    Grant("Music", "visitor", 11);
    EXPECT_EQ(FileInfo("\\Music\\song.mp3", answer), 0);
    EXPECT_EQ(answer.rights, 11u);
    EXPECT_EQ(FileInfo("\\", answer), -1);
    EXPECT_EQ(FileInfo("\\Music\\song.mp3\\", answer), -1);

    Grant("Music", "nobody", 1);
    struct Case {
        const char* id;
        const char* path;
        int8_t code;
        int downloadRc;
    };
    for (const Case& c : {Case{"visitor", "\\Nothing\\song.mp3", kTransferInvalidPath, 0},
                          Case{"visitor", "\\Music\\missing", kTransferCannotOpen, 0},
                          Case{"NoBody", "\\Music\\song.mp3", kTransferNoDownloadRight, -1}}) {
        session.id = c.id;
        EXPECT_EQ(FileInfo(c.path, answer), 0) << c.path;
        EXPECT_EQ(answer.code, c.code) << c.path;
        int8_t code = 0;
        EXPECT_EQ(Download(c.path, 0, code), c.downloadRc) << c.path;
        EXPECT_EQ(code, c.code) << c.path;
    }
    EXPECT_TRUE(session.raw.empty());
}

TEST_F(TransferRequestsTest, NothingOutsideHiddenOrSpecialIsServed) {
    fs::create_symlink(dir / "outside" / "secret.txt", Local("music/link.txt"));
    fs::create_symlink(dir / "outside", Local("music/out"));
    Write("music/.netrc", "password");
    ASSERT_EQ(::mkfifo(Local("music/pipe").c_str(), 0600), 0);
    FileInfoAnswer answer;
    for (const char* path : {"\\Music\\link.txt", "\\Music\\out\\secret.txt", "\\Music\\.netrc",
                             "\\Music\\pipe", "\\Music"}) {
        EXPECT_EQ(FileInfo(path, answer), 0) << path;
        EXPECT_EQ(answer.code, kTransferCannotOpen) << path;
        int8_t code = 0;
        EXPECT_EQ(Download(path, 0, code), 0) << path;
        EXPECT_EQ(code, kTransferCannotOpen) << path;
    }
    for (const char* path : {"\\Music\\..\\outside\\secret.txt", "\\Music\\/../outside/secret.txt",
                             "\\Music\\\\..\\\\outside\\secret.txt"}) {
        EXPECT_EQ(FileInfo(path, answer), -1) << path;
        int8_t code = 0;
        EXPECT_EQ(Download(path, 0, code), -1) << path;
        EXPECT_EQ(code, kTransferInvalidPath);
    }
    EXPECT_TRUE(session.raw.empty());
}

TEST_F(TransferRequestsTest, DownloadFromAnOffsetSendsTheRestAndRecordsIt) {
    options.TransCompleteSave = 1;
    int8_t code = 99;
    // The doubled separator of a folder tree's paths is accepted.
    EXPECT_EQ(Download("\\Music\\\\song.mp3", 12345, code), -1);
    EXPECT_EQ(code, kAnswerOk);
    EXPECT_EQ(session.raw, Pattern(40000).substr(12345));
    ServerTransfer r = OnlyRecord();
    EXPECT_EQ(r.fileName, "song.mp3");
    EXPECT_EQ(r.kind, kServerKindDownload);
    EXPECT_EQ(r.state, kTransferStateCompleted);
    EXPECT_EQ(r.startOffset, 12345u);
    EXPECT_EQ(r.moved, 40000u - 12345u);
    std::vector<CompleteRow> rows = completeList.List();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].op, "UP");
    EXPECT_EQ(rows[0].userId, "visitor");
    EXPECT_EQ(rows[0].fileName, "song.mp3");
    EXPECT_EQ(rows[0].fileSize, "40000");
    EXPECT_TRUE(session.checkedPrices.empty());
    EXPECT_TRUE(session.paidPrices.empty());
}

TEST_F(TransferRequestsTest, DownloadAtTheEndCompletesAtOnceAndPastItIsRefused) {
    int8_t code = 99;
    EXPECT_EQ(Download("\\Music\\song.mp3", 40000, code), -1);
    EXPECT_EQ(code, kAnswerOk);
    EXPECT_TRUE(session.raw.empty());
    EXPECT_EQ(OnlyRecord().state, kTransferStateCompleted);
    EXPECT_TRUE(completeList.List().empty());
    EXPECT_EQ(Download("\\Music\\song.mp3", 40001, code), -1);
    EXPECT_EQ(code, kTransferCannotOpen);
}

TEST_F(TransferRequestsTest, LargeDownloadsAreCheckedBeforeAndPaidAfter) {
    MakeSparse("music/big.iso", 10485761);
    session.receipt = {72, 5000};
    session.rawLimit = 0;
    session.checkResult = -1;
    int8_t code = 99;
    EXPECT_EQ(Download("\\Music\\big.iso", 0, code), -1);
    EXPECT_EQ(code, kTransferNoPayment);
    EXPECT_EQ(session.checkedPrices, std::vector<uint32_t>{80});
    EXPECT_TRUE(transfers.Records().empty());

    session.checkResult = 0;
    session.rawLimit = static_cast<size_t>(-1);
    EXPECT_EQ(Download("\\Music\\big.iso", 10485761 - 1048575, code), -1);
    EXPECT_EQ(session.checkedPrices, (std::vector<uint32_t>{80, 0}));
    EXPECT_TRUE(session.paidPrices.empty());

    // Exactly 10 MiB needs no check but is charged once complete.
    MakeSparse("music/ten.iso", 10485760);
    session.raw.clear();
    EXPECT_EQ(Download("\\Music\\ten.iso", 0, code), -1);
    EXPECT_EQ(session.raw.size(), 10485760u);
    EXPECT_EQ(session.checkedPrices.size(), 2u);
    EXPECT_EQ(session.paidPrices, std::vector<uint32_t>{80});
    ASSERT_EQ(statusLines.size(), 1u);
    EXPECT_EQ(statusLines[0].first, "\"visitor\"(으)로 부터 72포인트를 받았습니다.");
    EXPECT_EQ(statusLines[0].second, 8);
    EXPECT_EQ(balance.Balance(), 5000);
}

TEST_F(TransferRequestsTest, AStoppedDownloadFailsAndStillChargesWhatWasSent) {
    MakeSparse("music/big.iso", 20 * 1048576);
    session.rawLimit = 3 * 1048576 + 100;
    int8_t code = 99;
    auto before = clock.now;
    EXPECT_EQ(Download("\\Music\\big.iso", 0, code), -1);
    ServerTransfer r = OnlyRecord();
    EXPECT_EQ(r.state, kTransferStateFailed);
    EXPECT_EQ(r.moved, 3u * 1048576u);
    EXPECT_EQ(session.paidPrices, std::vector<uint32_t>{24});
    // 192 blocks went out 1 ms apart, then the pause after a failed send.
    EXPECT_EQ(clock.now - before, std::chrono::milliseconds(192 + 10));

    // A piece under a mebibyte is free, and settles its ticket with 0 points.
    session.paidPrices.clear();
    statusLines.clear();
    session.rawLimit = 256 * 1024;
    session.receipt = {0, 4321};
    EXPECT_EQ(Download("\\Music\\big.iso", 0, code), -1);
    EXPECT_EQ(session.paidPrices, std::vector<uint32_t>{0});
    EXPECT_TRUE(statusLines.empty());
    EXPECT_EQ(balance.Balance(), 4321);
}

TEST_F(TransferRequestsTest, UploadQueryOffersTheExistingSizeOnlyInResumeMode) {
    Write("music/part.bin", Pattern(5000));
    EXPECT_EQ(Query("\\Music\\part.bin").offset, 5000u);
    EXPECT_EQ(Query("\\Music\\new.bin").offset, 0u);
    options.ContinueServerRecv = 1;
    EXPECT_EQ(Query("\\Music\\part.bin").offset, 0u);
    EXPECT_EQ(Query("\\").code, kTransferInvalidPath);
    Publish("ReadOnly", "ro", 3);
    EXPECT_EQ(Query("\\ReadOnly\\x").code, kTransferNoUploadRight);
}

TEST_F(TransferRequestsTest, UploadResumesAtTheEndOrStartsAfreshByTheAnnouncedTotal) {
    std::string old = Pattern(5000);
    Write("music/part.bin", old);
    OffsetAnswer answer = Upload(session, "\\Music\\part.bin", 8000, std::string(3000, 'N'));
    EXPECT_EQ(answer.code, kAnswerOk);
    EXPECT_EQ(answer.offset, 5000u);
    EXPECT_EQ(test::ReadFile(Local("music/part.bin")), old + std::string(3000, 'N'));
    ServerTransfer r = OnlyRecord();
    EXPECT_EQ(r.kind, kServerKindUpload);
    EXPECT_EQ(r.state, kTransferStateCompleted);
    EXPECT_EQ(r.startOffset, 5000u);
    EXPECT_EQ(r.moved, 3000u);

    // A total no larger than the file starts afresh; so does every upload in overwrite mode.
    for (uint32_t overwrite : {0, 1}) {
        options.ContinueServerRecv = overwrite;
        Write("music/part.bin", old);
        uint64_t total = overwrite ? 8000 : 3000;
        answer = Upload(session, "\\Music\\part.bin", total, std::string(total, 'S'));
        EXPECT_EQ(answer.offset, 0u);
        EXPECT_EQ(test::ReadFile(Local("music/part.bin")), std::string(total, 'S'));
    }
}

TEST_F(TransferRequestsTest, ASecondUploadIntoTheSameFileIsRefusedWhileTheFirstRuns) {
    Write("music/sub/.keep", "");
    test::CRecordingSession other;
    OffsetAnswer second{99, 0};
    session.chunk = 1000;
    session.onReceive = [&] {
        if (second.code != 99) return;
        second = Upload(other, "\\Music\\sub\\same.bin", 4000, std::string(4000, 'X'));
    };
    OffsetAnswer first = Upload(session, "\\Music\\sub\\same.bin", 4000, std::string(4000, 'F'));
    EXPECT_EQ(first.code, kAnswerOk);
    EXPECT_EQ(second.code, kTransferCannotWrite);
    EXPECT_EQ(test::ReadFile(Local("music/sub/same.bin")), std::string(4000, 'F'));
    // The record carries the path inside the folder.
    EXPECT_EQ(OnlyRecord().fileName, "sub\\same.bin");

    EXPECT_EQ(Upload(other, "\\Music\\sub\\same.bin", 4000, "").code, kAnswerOk);
}

TEST_F(TransferRequestsTest, UploadsNeverWriteOutsideOrIntoSpecialFiles) {
    fs::create_symlink(dir / "outside" / "secret.txt", Local("music/link.txt"));
    fs::create_symlink(dir / "outside" / "planted.txt", Local("music/dangling.txt"));
    ASSERT_EQ(::mkfifo(Local("music/pipe").c_str(), 0600), 0);
    for (const char* path : {"\\Music\\link.txt", "\\Music\\dangling.txt", "\\Music\\pipe",
                             "\\Music\\.bashrc", "\\Music\\nofolder\\x"}) {
        EXPECT_EQ(Upload(session, path, 4, "evil").code, kTransferCannotWrite) << path;
    }
    EXPECT_EQ(Upload(session, "\\Music\\..\\outside\\x", 4, "evil", 0).code, kTransferInvalidPath);
    EXPECT_EQ(test::ReadFile(dir / "outside" / "secret.txt"), "secret");
    EXPECT_FALSE(fs::exists(dir / "outside" / "planted.txt"));
    EXPECT_FALSE(fs::exists(dir / "outside" / "x"));
}

TEST_F(TransferRequestsTest, AnUploadEndsAtItsTotalAndFailsWhenTheVisitorLeaves) {
    OffsetAnswer answer = Upload(session, "\\Music\\extra.bin", 100, std::string(150, 'E'));
    EXPECT_EQ(answer.code, kAnswerOk);
    EXPECT_EQ(fs::file_size(Local("music/extra.bin")), 100u);
    Upload(session, "\\Music\\short.bin", 100, std::string(60, 'S'));
    ServerTransfer r = transfers.Records().back();
    EXPECT_EQ(r.state, kTransferStateFailed);
    EXPECT_EQ(r.moved, 60u);
}

TEST_F(TransferRequestsTest, UnsignedSessionsAndLongPathsEndTheSession) {
    session.signedOn = false;
    EXPECT_EQ(Handle(session, EncodePathRequest(PEER_FILE_INFO, "\\Music\\song.mp3")), -1);
    EXPECT_EQ(Handle(session, EncodeDownloadRequest({{}, 0, "\\Music\\song.mp3"})), -1);
    EXPECT_EQ(Handle(session, EncodeUploadRequest({1, "\\Music\\x"})), -1);
    EXPECT_TRUE(session.sent.empty());
    session.signedOn = true;
    EXPECT_EQ(
        Handle(session, Packet{PEER_FILE_INFO, std::string("\x05\x01", 2) + std::string(261, 'x')}),
        -1);
    EXPECT_EQ(Handle(session, Packet{PEER_STATUS, ""}), 99);
    EXPECT_FALSE(fs::exists(Local("music/x")));
}

}  // namespace
}  // namespace velorin
