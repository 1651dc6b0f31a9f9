#include "fileserver/peer_messages.h"

#include <gtest/gtest.h>

#include "net/payload.h"

namespace velorin {
namespace {

std::string Bytes(std::initializer_list<int> values) {
    std::string out;
    for (int v : values) out.push_back(static_cast<char>(v));
    return out;
}

TEST(PeerMessages, SignOnIsTwentyPaddedBytesAndTheKind) {
    Packet p = EncodeSignOn({"홍길동", kVisitorUpload});
    EXPECT_EQ(p.type, PEER_SIGNON);
    ASSERT_EQ(p.payload.size(), 21u);
    EXPECT_EQ(p.payload.substr(0, 6), "\xC8\xAB\xB1\xE6\xB5\xBF");
    EXPECT_EQ(p.payload.substr(6, 14), std::string(14, '\0'));
    EXPECT_EQ(p.payload[20], 4);
    SignOnRequest back;
    ASSERT_TRUE(DecodeSignOn(p.payload, back));
    EXPECT_EQ(back.userId, "홍길동");
    // A full field has no terminator and still ends at its 20th byte.
    ASSERT_TRUE(DecodeSignOn(std::string(20, 'a') + "\x02", back));
    EXPECT_EQ(back.userId, std::string(20, 'a'));
    EXPECT_EQ(back.kind, kVisitorDownload);
    EXPECT_FALSE(DecodeSignOn(std::string(20, 'a'), back));
}

TEST(PeerMessages, RefusalIs2007BytesAndAcceptanceSevenPlusGreeting) {
    Packet refusal = EncodeSignOnAnswer({kSignOnBlacklisted, 77, "무시됨"});
    ASSERT_EQ(refusal.payload.size(), 2007u);
    EXPECT_EQ(static_cast<uint8_t>(refusal.payload[0]), 249);
    EXPECT_EQ(refusal.payload.find_first_not_of('\0', 1), std::string::npos);

    Packet accepted = EncodeSignOnAnswer({kAnswerOk, 0x01020304, "안녕"});
    EXPECT_EQ(accepted.payload, Bytes({0, 4, 3, 2, 1, 4, 0}) + "\xBE\xC8\xB3\xE7");
    SignOnAnswer back;
    ASSERT_TRUE(DecodeSignOnAnswer(accepted.payload, back));
    EXPECT_EQ(back.memberValue, 0x01020304u);
    EXPECT_EQ(back.greeting, "안녕");
    ASSERT_TRUE(DecodeSignOnAnswer(refusal.payload, back));
    EXPECT_EQ(back.code, -7);
    // A greeting length beyond the payload is refused.
    EXPECT_FALSE(DecodeSignOnAnswer(Bytes({0, 0, 0, 0, 0, 9, 0}) + "ab", back));
}

TEST(PeerMessages, ListHeadOfTheRootIsSevenBytesAndOfAFolderThreePlusN) {
    EXPECT_EQ(EncodeListHead({true, "ignored"}).payload, Bytes({1, 1, 0, '\\', 0, 0, 0}));
    Packet folder = EncodeListHead({false, "\\Music"});
    EXPECT_EQ(folder.payload, Bytes({0, 6, 0}) + "\\Music");
    ListHead back;
    ASSERT_TRUE(DecodeListHead(folder.payload, back));
    EXPECT_FALSE(back.isRoot);
    EXPECT_EQ(back.path, "\\Music");
}

TEST(PeerMessages, ShareAndEntryLayouts) {
    Packet share = EncodeListShare({"음악", "desc", 0x0B});
    EXPECT_EQ(share.payload, Bytes({4, 0, 4, 0, 0x0B, 0, 0, 0, 0}) + "\xC0\xBD\xBE\xC7" + "desc");
    ListShare shareBack;
    ASSERT_TRUE(DecodeListShare(share.payload, shareBack));
    EXPECT_EQ(shareBack.name, "음악");

    ListEntry entry{"a.txt", 0x100000000ull, {2024, 2, 4, 29, 13, 14, 15, 999}, kEntryFile};
    Packet e = EncodeListEntry(entry);
    ASSERT_EQ(e.payload.size(), 27u + 5u);
    EXPECT_EQ(e.payload.substr(0, 10), Bytes({5, 0, 0, 0, 0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(e.payload.substr(10, 4), Bytes({0xE8, 0x07, 2, 0}));
    EXPECT_EQ(e.payload.substr(24, 3), Bytes({0xE7, 0x03, 3}));
    ListEntry back;
    ASSERT_TRUE(DecodeListEntry(e.payload, back));
    EXPECT_EQ(back.size, entry.size);
    EXPECT_EQ(back.time.day, 29);
    EXPECT_EQ(back.name, "a.txt");
    EXPECT_FALSE(DecodeListEntry(e.payload.substr(0, 31), back));
}

TEST(PeerMessages, PathRequestsRefuseMoreThan260Bytes) {
    std::string path;
    EXPECT_EQ(DecodePathRequest(EncodePathRequest(PEER_LIST, "\\a\\b").payload, path),
              DecodeStatus::kOk);
    EXPECT_EQ(path, "\\a\\b");
    CPayloadWriter w;
    w.U16(261).Bytes(std::string(261, 'x'));
    EXPECT_EQ(DecodePathRequest(w.Data(), path), DecodeStatus::kPathTooLong);
    EXPECT_EQ(DecodePathRequest(Bytes({5, 0}) + "\\ab", path), DecodeStatus::kMalformed);
    EXPECT_EQ(DecodePathRequest("\x01", path), DecodeStatus::kMalformed);
    CPayloadWriter exact;
    exact.U16(260).Bytes(std::string(260, 'x'));
    EXPECT_EQ(DecodePathRequest(exact.Data(), path), DecodeStatus::kOk);
}

TEST(PeerMessages, TransferRequestsAndAnswers) {
    Packet d = EncodeDownloadRequest({{1, 2, 3}, 0x0102030405060708ull, "\\M\\f"});
    ASSERT_EQ(d.payload.size(), 22u + 4u);
    EXPECT_EQ(d.payload.substr(12, 8), Bytes({8, 7, 6, 5, 4, 3, 2, 1}));
    DownloadRequest dBack;
    ASSERT_EQ(DecodeDownloadRequest(d.payload, dBack), DecodeStatus::kOk);
    EXPECT_EQ(dBack.tickets.ticket3, 3u);
    EXPECT_EQ(dBack.path, "\\M\\f");
    EXPECT_EQ(DecodeDownloadRequest(d.payload.substr(0, 21), dBack), DecodeStatus::kMalformed);

    Packet u = EncodeUploadRequest({5000, "\\M\\f"});
    EXPECT_EQ(u.payload, Bytes({4, 0, 0x88, 0x13, 0, 0, 0, 0, 0, 0}) + "\\M\\f");
    UploadRequest uBack;
    ASSERT_EQ(DecodeUploadRequest(u.payload, uBack), DecodeStatus::kOk);
    EXPECT_EQ(uBack.total, 5000u);

    EXPECT_EQ(EncodeFileInfoAnswer({kTransferCannotOpen, 9, 9}).payload, Bytes({254}));
    EXPECT_EQ(EncodeFileInfoAnswer({kTransferNoDownloadRight, 0, 0}).payload.size(), 13u);
    EXPECT_EQ(EncodeFileInfoAnswer({kAnswerOk, 5, 11}).payload,
              Bytes({0, 5, 0, 0, 0, 0, 0, 0, 0, 11, 0, 0, 0}));

    EXPECT_EQ(EncodeUploadAnswer({kTransferInvalidPath, 0}).payload, Bytes({255}));
    Packet ua = EncodeUploadAnswer({kAnswerOk, 0x100000005ull});
    EXPECT_EQ(ua.payload, Bytes({0, 5, 0, 0, 0, 1, 0, 0, 0}));
    OffsetAnswer uaBack;
    ASSERT_TRUE(DecodeUploadAnswer(ua.payload, uaBack));
    EXPECT_EQ(uaBack.offset, 0x100000005ull);
    EXPECT_EQ(EncodeUploadQueryAnswer({kTransferInvalidPath, 0}).payload.size(), 9u);
}

TEST(PeerMessages, FolderSummaryAndTreeLayouts) {
    Packet info = EncodeFolderInfoAnswer({kSummaryNoRight, 0xFFFFFFFF, 0, 0, "\\M"});
    ASSERT_EQ(info.payload.size(), 19u + 2u);
    EXPECT_EQ(info.payload.substr(0, 5), Bytes({252, 255, 255, 255, 255}));
    FolderInfoAnswer infoBack;
    ASSERT_TRUE(DecodeFolderInfoAnswer(info.payload, infoBack));
    EXPECT_EQ(infoBack.path, "\\M");

    Packet req = EncodeFolderTreeRequest({"\\M", "C:\\down"});
    EXPECT_EQ(req.payload, Bytes({2, 0, 7, 0}) + "\\M" + "C:\\down");
    FolderTreeRequest reqBack;
    ASSERT_EQ(DecodeFolderTreeRequest(req.payload, reqBack), DecodeStatus::kOk);
    EXPECT_EQ(reqBack.target, "C:\\down");
    CPayloadWriter longTarget;
    longTarget.U16(2).U16(261).Bytes("\\M").Bytes(std::string(261, 't'));
    EXPECT_EQ(DecodeFolderTreeRequest(longTarget.Data(), reqBack), DecodeStatus::kPathTooLong);

    Packet entry = EncodeFolderTreeEntry({7, "T", "\\M\\\\a"});
    EXPECT_EQ(entry.payload, Bytes({7, 0, 0, 0, 0, 0, 0, 0, 1, 0, 5, 0}) + "T" + "\\M\\\\a");
    FolderTreeEntry entryBack;
    ASSERT_TRUE(DecodeFolderTreeEntry(entry.payload, entryBack));
    EXPECT_EQ(entryBack.remotePath, "\\M\\\\a");
}

TEST(PeerMessages, StatusAndSmallAnswers) {
    EXPECT_EQ(EncodeServerStatus({1, 6, 300}).payload,
              Bytes({1, 0, 0, 0, 6, 0, 0, 0, 0x2C, 1, 0, 0}));
    EXPECT_EQ(EncodeListError(kListCannotRun).payload, Bytes({251}));
    EXPECT_EQ(EncodeDownloadAnswer(kTransferNoPayment).payload, Bytes({247}));
    EXPECT_TRUE(EncodeBye().payload.empty());
    ServerStatus s;
    EXPECT_FALSE(DecodeServerStatus(Bytes({1, 0, 0}), s));
}

}  // namespace
}  // namespace velorin
