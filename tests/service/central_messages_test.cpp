// The central service's message codecs: offsets where the layout matters,
// and refusals of every size that is not the layout's.
#include <arpa/inet.h>

#include <gtest/gtest.h>

#include "service/cache_messages.h"
#include "service/session_messages.h"
#include "service/ticket_messages.h"

namespace velorin {
namespace {

uint32_t U32At(const std::string& bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[offset + i]);
    return v;
}

TEST(SessionMessages, SignInRequestKeepsEveryFieldAtItsOffset) {
    std::string p =
        EncodeSignInRequest({3, "kim", MakePasswordField("abcdefghijkl"), MakePasswordField("XYZ"),
                             htons(7297), htons(7298), 2, "김's 음악", 1, 1, 42});
    ASSERT_EQ(p.size(), 115u);
    EXPECT_EQ(U32At(p, 0), 3u);
    EXPECT_EQ(p.substr(4, 4), std::string("kim\0", 4));
    // A 12-byte password fills its field without terminator.
    EXPECT_EQ(p.substr(24, 12), "abcdefghijkl");
    EXPECT_EQ(p.substr(36, 4), std::string("XYZ\0", 4));
    EXPECT_EQ(p.substr(48, 4), std::string("\x1c\x81\x1c\x82", 4));  // big-endian ports
    EXPECT_EQ(p[52], 2);
    EXPECT_EQ(p.substr(53, 7), "\xb1\xe8 s \xc0\xbd");  // CP949, the quote turned into a blank
    EXPECT_EQ(U32At(p, 103), 1u);
    EXPECT_EQ(U32At(p, 107), 1u);
    EXPECT_EQ(U32At(p, 111), 42u);

    SignInRequest back;
    ASSERT_TRUE(DecodeSignInRequest(p, back));
    EXPECT_EQ(back.userId, "kim");
    EXPECT_EQ(PasswordBytes(back.password), "abcdefghijkl");
    EXPECT_EQ(ntohs(back.tcpPort), 7297);
    EXPECT_EQ(back.description, "김 s 음악");
    EXPECT_EQ(back.roundTrip, 42);
    EXPECT_FALSE(DecodeSignInRequest(p.substr(0, 114), back));
    EXPECT_FALSE(DecodeSignInRequest(p + "x", back));
}

TEST(SessionMessages, PasswordFieldsCutAtTwelveBytesOnACharacterBoundary) {
    EXPECT_EQ(PasswordBytes(MakePasswordField("abcdefghijklmnop")), "abcdefghijkl");
    // Five Korean characters are ten bytes; the sixth would split at byte 12.
    EXPECT_EQ(PasswordBytes(MakePasswordField("가나다라마a바")).size(), 11u);
    EXPECT_EQ(PasswordBytes(PasswordField{}), "");
}

TEST(SessionMessages, ServerRecordIsNinetySixBytesWithNetworkOrderAddress) {
    ServerRecord r{1,           -1,          "lee", "desc", 0x01020304, inet_addr("10.0.0.7"),
                   htons(7296), htons(7296), 1,     1,      -1};
    ServerRecordBytes bytes = EncodeServerRecord(r);
    std::string b(bytes.data(), bytes.size());
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(static_cast<uint8_t>(b[1]), 0xFF);
    EXPECT_EQ(b.substr(2, 4), std::string("lee\0", 4));
    EXPECT_EQ(b.substr(22, 5), std::string("desc\0", 5));
    EXPECT_EQ(U32At(b, 72), 0x01020304u);
    EXPECT_EQ(b.substr(76, 8), std::string("\x0a\x00\x00\x07\x1c\x80\x1c\x80", 8));
    EXPECT_EQ(U32At(b, 84), 1u);
    EXPECT_EQ(U32At(b, 88), 1u);
    EXPECT_EQ(U32At(b, 92), 0xFFFFFFFFu);

    SetServerRecordIconFlag(bytes, 0);
    ServerRecord back;
    ASSERT_TRUE(DecodeServerRecord(std::string_view(bytes.data(), bytes.size()), back));
    EXPECT_EQ(back.iconFlag, 0u);
    EXPECT_EQ(back.address, r.address);
    EXPECT_EQ(back.ping, -1);
    EXPECT_FALSE(DecodeServerRecord(b.substr(0, 95), back));
}

TEST(SessionMessages, AFullPageIsFourteenThousandFourHundredFiveBytes) {
    ServerRecord r;
    r.userId = "a";
    std::vector<ServerRecordBytes> records(150, EncodeServerRecord(r));
    std::string page = EncodeServerListPage(77, records);
    EXPECT_EQ(page.size(), 14405u);
    uint32_t cursor = 0;
    std::vector<ServerRecord> back;
    ASSERT_TRUE(DecodeServerListPage(page, cursor, back));
    EXPECT_EQ(cursor, 77u);
    EXPECT_EQ(back.size(), 150u);
    EXPECT_FALSE(DecodeServerListPage(page.substr(0, page.size() - 1), cursor, back));
    // A count that promises more records than the payload holds.
    std::string lying = EncodeServerListPage(1, {});
    lying[4] = 1;
    EXPECT_FALSE(DecodeServerListPage(lying, cursor, back));
    ASSERT_TRUE(DecodeServerListPage(EncodeServerListPage(5, {}), cursor, back));
    EXPECT_TRUE(back.empty());
}

TEST(SessionMessages, MemberInformationPutsTheBalanceAtTwenty) {
    MemberInformation info{"demo", 0x100000002LL, 19, 7, 2, 1700000000, 0};
    std::string p = EncodeMemberInformation(info);
    ASSERT_EQ(p.size(), 48u);
    EXPECT_EQ(U32At(p, 20), 2u);
    EXPECT_EQ(U32At(p, 24), 1u);
    EXPECT_EQ(U32At(p, 28), 19u);
    EXPECT_EQ(U32At(p, 40), 1700000000u);
    MemberInformation back;
    ASSERT_TRUE(DecodeMemberInformation(p, back));
    EXPECT_EQ(back.balance, 0x100000002LL);
    EXPECT_FALSE(DecodeMemberInformation(p.substr(0, 47), back));
}

TEST(SessionMessages, NotesOfMoreThanTwoHundredBytesDoNotDecode) {
    std::string p = EncodeNote({"park", std::string(250, 'x')});
    EXPECT_EQ(p.size(), 224u);  // cut to 200
    Note back;
    ASSERT_TRUE(DecodeNote(p, back));
    EXPECT_EQ(back.text.size(), 200u);

    std::string longer = p + "x";
    longer[20] = static_cast<char>(201);
    EXPECT_FALSE(DecodeNote(longer, back));
    EXPECT_FALSE(DecodeNote(p.substr(0, 223), back));  // length says more than follows
    EXPECT_FALSE(DecodeNote(p.substr(0, 23), back));
}

TEST(SessionMessages, SmallMessagesWantTheirExactSize) {
    int32_t code = 0;
    ASSERT_TRUE(DecodeSignInResult(EncodeSignInResult(-4), code));
    EXPECT_EQ(code, -4);
    EXPECT_EQ(EncodeSignInResult(-1), std::string("\xff\xff\xff\xff"));
    EXPECT_FALSE(DecodeSignInResult("\x01\x02\x03", code));
    int64_t balance = 0;
    ASSERT_TRUE(DecodePointBalance(EncodePointBalance(-5), balance));
    EXPECT_EQ(balance, -5);
    EXPECT_FALSE(DecodePointBalance("1234567", balance));
    uint32_t value = 0;
    EXPECT_FALSE(DecodeServerListRequest("", value));
    EXPECT_FALSE(DecodePowerModeChanged("12345", value));
    ASSERT_TRUE(DecodeSignedInElsewhere(EncodeSignedInElsewhere(kElsewhereLeave), value));
    EXPECT_EQ(static_cast<int32_t>(value), -1);
}

TEST(CacheMessages, AnswersHaveTheirFixedSizesWithZeroGaps) {
    std::string check = EncodePointCheckAnswer({-1, 0x11223344, 0x55667788});
    ASSERT_EQ(check.size(), 29u);
    EXPECT_EQ(check[0], '\xff');
    EXPECT_EQ(check.substr(1, 20), std::string(20, '\0'));
    EXPECT_EQ(U32At(check, 21), 0x11223344u);
    EXPECT_EQ(U32At(check, 25), 0x55667788u);

    std::string pay = EncodePaymentAnswer({0, 1, 2, 80, 0x100000003LL});
    ASSERT_EQ(pay.size(), 41u);
    EXPECT_EQ(pay.substr(0, 21), std::string(21, '\0'));
    EXPECT_EQ(U32At(pay, 21), 1u);
    EXPECT_EQ(U32At(pay, 25), 2u);
    EXPECT_EQ(U32At(pay, 29), 80u);
    EXPECT_EQ(U32At(pay, 33), 3u);
    EXPECT_EQ(U32At(pay, 37), 1u);
    EXPECT_EQ(EncodePaymentAnswer({-1, 0, 0, 0, 0}).substr(0, 4), "\xff\xff\xff\xff");

    // Only byte 0 of the payment's result word is the result.
    pay[0] = '\xfe';
    PaymentAnswer back;
    ASSERT_TRUE(DecodePaymentAnswer(pay, back));
    EXPECT_EQ(back.result, -2);
    EXPECT_EQ(back.balance, 0x100000003LL);
    EXPECT_FALSE(DecodePaymentAnswer(pay.substr(0, 40), back));
    PointCheckAnswer checkBack;
    EXPECT_FALSE(DecodePointCheckAnswer(check + "x", checkBack));
}

TEST(CacheMessages, RequestsCarryMemberKeyAndTwoValues) {
    std::string p = EncodePointRequest({"buyer", 10, 20, 30, 40});
    ASSERT_EQ(p.size(), 36u);
    EXPECT_EQ(U32At(p, 20), 10u);
    EXPECT_EQ(U32At(p, 32), 40u);
    PointRequest back;
    ASSERT_TRUE(DecodePointRequest(p, back));
    EXPECT_EQ(back.memberId, "buyer");
    EXPECT_EQ(back.first, 30u);
    EXPECT_FALSE(DecodePointRequest(p.substr(0, 35), back));

    std::string signIn = EncodeCacheSignIn({"demo", MakePasswordField("demo1234")});
    ASSERT_EQ(signIn.size(), 32u);
    EXPECT_EQ(signIn.substr(20, 12), std::string("demo1234\0\0\0\0", 12));
    CacheSignIn signInBack;
    EXPECT_FALSE(DecodeCacheSignIn(signIn.substr(1), signInBack));
}

TEST(TicketMessages, RequestIsFiftySixAndAnswerThirteenBytes) {
    std::string p = EncodeTicketRequest({"buyer", MakePasswordField("pw"), "seller", 80});
    ASSERT_EQ(p.size(), 56u);
    EXPECT_EQ(p.substr(32, 7), std::string("seller\0", 7));
    EXPECT_EQ(U32At(p, 52), 80u);
    TicketRequest back;
    ASSERT_TRUE(DecodeTicketRequest(p, back));
    EXPECT_EQ(back.sellerId, "seller");
    EXPECT_EQ(PasswordBytes(back.buyerPassword), "pw");
    EXPECT_FALSE(DecodeTicketRequest(p.substr(0, 55), back));

    std::string a = EncodeTicketAnswer({-4, 0, 0, 0});
    EXPECT_EQ(a, std::string("\xfc", 1) + std::string(12, '\0'));
    TicketAnswer answer;
    ASSERT_TRUE(DecodeTicketAnswer(EncodeTicketAnswer({0, 1, 2, 3}), answer));
    EXPECT_EQ(answer.ticket3, 3u);
    EXPECT_FALSE(DecodeTicketAnswer(a + "x", answer));
}

}  // namespace
}  // namespace velorin
