// central.db on a real file: member rules, ticket arithmetic, notes.
#include <gtest/gtest.h>

#include "central/member_store.h"
#include "support/temp_folder.h"

namespace velorin::central {
namespace {

class MemberStore : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(store.Open(dir / "central.db", error)) << error;
        ASSERT_TRUE(store.AddMembers({{"buyer", "pw", 0, 100}, {"seller", "pw", 0, 5}}, 0, error))
            << error;
    }
    int64_t Points(const std::string& id) { return store.Balance(id).value_or(-1); }
    // Balances plus reservations: what no operation may change.
    int64_t Total() {
        int64_t total = 0;
        for (const MemberRecord& m : store.ListMembers()) total += m.points + m.reserved;
        return total;
    }
    PointRequest Request(const TicketAnswer& t, uint32_t price, const char* buyer = "buyer") {
        return {buyer, t.ticket1, t.ticket2, t.ticket3, price};
    }

    velorin::test::CTempFolder dir;
    CMemberStore store;
};

TEST_F(MemberStore, MembersFollowTheWireLimitsAndAddAllOrNothing) {
    std::string error;
    EXPECT_FALSE(store.AddMembers({{"new1", "pw", 0, 0}, {"BUYER", "pw", 0, 0}}, 0, error));
    EXPECT_NE(error.find("exists"), std::string::npos) << error;
    EXPECT_FALSE(store.FindMember("new1"));

    EXPECT_FALSE(store.AddMembers({{"a|b", "pw", 0, 0}}, 0, error));
    EXPECT_FALSE(store.AddMembers({{"has blank", "pw", 0, 0}}, 0, error));
    EXPECT_FALSE(store.AddMembers({{"", "pw", 0, 0}}, 0, error));
    EXPECT_FALSE(store.AddMembers({{"x", "", 0, 0}}, 0, error));
    EXPECT_FALSE(store.AddMembers({{"x", "thirteen-byte", 0, 0}}, 0, error));
    EXPECT_FALSE(store.AddMembers({{"x", "pw", 0, -1}}, 0, error));
    // Ten Korean characters are 20 CP949 bytes: the longest ID.
    EXPECT_TRUE(store.AddMembers({{"가나다라마바사아자차", "여섯글자암호", 0, 0}}, 0, error))
        << error;
    EXPECT_FALSE(store.AddMembers({{"가나다라마바사아자차카", "pw", 0, 0}}, 0, error));

    std::optional<MemberRecord> m = store.FindMember("가나다라마바사아자차");
    ASSERT_TRUE(m);
    EXPECT_TRUE(VerifyPassword("\xbf\xa9\xbc\xb8\xb1\xdb\xc0\xda\xbe\xcf\xc8\xa3", m->password));
    EXPECT_FALSE(VerifyPassword("wrong", m->password));
    EXPECT_EQ(m->password.iterations, kPasswordIterations);
}

TEST_F(MemberStore, AdminChangesReachOnlyExistingMembers) {
    std::string error;
    EXPECT_TRUE(store.SetPoints("Seller", 70, error));
    EXPECT_EQ(Points("seller"), 70);
    EXPECT_FALSE(store.SetPoints("seller", -1, error));
    EXPECT_FALSE(store.SetPoints("ghost", 1, error));
    EXPECT_TRUE(store.SetDisabled("seller", true, error));
    EXPECT_TRUE(store.FindMember("seller")->disabled);
    EXPECT_FALSE(store.SetDisabled("ghost", true, error));
}

// The wire tests cover the verdicts; here: every key field counts, and no
// operation creates or destroys a point.
TEST_F(MemberStore, TicketsMatchOnEveryFieldAndConservePoints) {
    int64_t total = Total();
    TicketAnswer t = store.BuyTicket("buyer", "SELLER", 80, 0);
    ASSERT_EQ(t.code, kTicketIssued);
    EXPECT_NE(t.ticket1 | t.ticket2 | t.ticket3, 0u);
    EXPECT_EQ(Points("buyer"), 20);
    EXPECT_EQ(Total(), total);

    EXPECT_EQ(store.CheckTicket(Request(t, 80, "other"), "seller"), kSettlementRefused);
    PointRequest wrongThird = Request(t, 80);
    wrongThird.first ^= 1;
    EXPECT_EQ(store.CheckTicket(wrongThird, "seller"), kSettlementRefused);
    EXPECT_EQ(store.PayTicket(wrongThird, "seller").result, kSettlementRefused);
    EXPECT_EQ(store.CheckTicket(Request(t, 80), "Seller"), kSettlementAccepted);
    // A check of 0 points needs no ticket: the last mebibyte of a resumed download is free.
    EXPECT_EQ(store.CheckTicket(PointRequest{"buyer", 0, 0, 0, 0}, "seller"), kSettlementAccepted);

    PaymentAnswer paid = store.PayTicket(Request(t, 56), "seller");
    EXPECT_EQ(paid.credited, 56u);
    EXPECT_EQ(Points("buyer"), 44);
    EXPECT_EQ(Total(), total);
    EXPECT_EQ(store.PayTicket(Request(t, 56), "seller").result, kSettlementRefused);
    EXPECT_EQ(Total(), total);
}

TEST_F(MemberStore, APaymentNeverExceedsTheReservation) {
    int64_t total = Total();
    TicketAnswer t = store.BuyTicket("buyer", "seller", 40, 0);
    PaymentAnswer paid = store.PayTicket(Request(t, 1000), "seller");
    EXPECT_EQ(paid.result, kSettlementAccepted);
    EXPECT_EQ(paid.credited, 40u);
    EXPECT_EQ(Points("buyer"), 60);
    EXPECT_EQ(Points("seller"), 45);
    EXPECT_EQ(Total(), total);
}

TEST_F(MemberStore, UnsettledTicketsExpireBackToTheirBuyers) {
    int64_t total = Total();
    TicketAnswer old = store.BuyTicket("buyer", "seller", 30, 1000);
    TicketAnswer fresh = store.BuyTicket("buyer", "seller", 20, 5000);
    EXPECT_EQ(store.ExpireTickets(2000), 1);
    EXPECT_EQ(Points("buyer"), 80);
    EXPECT_EQ(store.PayTicket(Request(old, 30), "seller").result, kSettlementRefused);
    EXPECT_EQ(store.PayTicket(Request(fresh, 20), "seller").credited, 20u);
    EXPECT_EQ(Total(), total);
}

TEST_F(MemberStore, NotesWaitForMembersOnlyAndAreCounted) {
    EXPECT_FALSE(store.StoreNote("ghost", "buyer", "hi", 0));
    for (int i = 0; i < kStoredNotesPerMember; ++i) {
        ASSERT_TRUE(store.StoreNote("SELLER", "buyer", std::to_string(i), i));
    }
    EXPECT_FALSE(store.StoreNote("seller", "buyer", "one too many", 0));
    std::vector<StoredNote> notes = store.PendingNotes("seller");
    ASSERT_EQ(notes.size(), static_cast<size_t>(kStoredNotesPerMember));
    EXPECT_EQ(notes[0].text, "0");
    EXPECT_EQ(notes[0].sender, "buyer");
    store.DeleteNotes({notes[0].serial, notes[1].serial});
    EXPECT_EQ(store.PendingNotes("seller").size(), notes.size() - 2);
}

TEST(MemberStoreFile, AnotherProgramsDatabaseIsRefusedUntouched) {
    velorin::test::CTempFolder dir;
    {
        CSqliteDatabase other;
        ASSERT_TRUE(other.Open(dir / "other.db", CSqliteDatabase::Mode::kReadWriteCreate));
        ASSERT_TRUE(other.Execute("CREATE TABLE registry (key TEXT)"));
    }
    CMemberStore store;
    std::string error;
    EXPECT_FALSE(store.Open(dir / "other.db", error));
    EXPECT_NE(error.find("not a velorin-central database"), std::string::npos) << error;
    velorin::test::WriteFile(dir / "garbage.db", std::string(5000, 'g'));
    EXPECT_FALSE(store.Open(dir / "garbage.db", error));
    EXPECT_EQ(velorin::test::ReadFile(dir / "garbage.db"), std::string(5000, 'g'));
}

}  // namespace
}  // namespace velorin::central
