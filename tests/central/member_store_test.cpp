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

TEST_F(MemberStore, ATicketPassesOneCheckOfAPrice) {
    TicketAnswer t = store.BuyTicket("buyer", "seller", 80, 0);
    // A check the reservation does not cover spends nothing.
    EXPECT_EQ(store.CheckTicket(Request(t, 81), "seller"), kSettlementRefused);
    EXPECT_EQ(store.CheckTicket(Request(t, 80), "seller"), kSettlementAccepted);
    EXPECT_EQ(store.CheckTicket(Request(t, 80), "seller"), kSettlementRefused);
    EXPECT_EQ(store.CheckTicket(Request(t, 8), "seller"), kSettlementRefused);
    EXPECT_EQ(store.CheckTicket(Request(t, 0), "seller"), kSettlementAccepted);
    EXPECT_EQ(store.PayTicket(Request(t, 16), "seller").credited, 16u);
}

TEST_F(MemberStore, APaymentOfNothingReturnsTheWholeReservation) {
    int64_t total = Total();
    TicketAnswer t = store.BuyTicket("buyer", "seller", 80, 0);
    ASSERT_EQ(store.CheckTicket(Request(t, 80), "seller"), kSettlementAccepted);
    PaymentAnswer paid = store.PayTicket(Request(t, 0), "seller");
    EXPECT_EQ(paid.result, kSettlementAccepted);
    EXPECT_EQ(paid.credited, 0u);
    EXPECT_EQ(paid.balance, 5);
    EXPECT_EQ(Points("buyer"), 100);
    EXPECT_EQ(store.FindMember("buyer")->reserved, 0);
    EXPECT_EQ(store.PayTicket(Request(t, 0), "seller").result, kSettlementRefused);
    EXPECT_EQ(Total(), total);
}

TEST_F(MemberStore, UnsettledTicketsExpireBackToTheirBuyers) {
    int64_t total = Total();
    const int64_t bought = 1000;
    TicketAnswer unchecked = store.BuyTicket("buyer", "seller", 30, bought);
    TicketAnswer checked = store.BuyTicket("buyer", "seller", 20, bought);
    ASSERT_EQ(store.CheckTicket(Request(checked, 20), "seller"), kSettlementAccepted);

    struct Step {
        int64_t now;
        int expired;
        int64_t buyerPoints;
    } steps[] = {
        {bought + kUncheckedTicketLifetimeSeconds, 0, 50},
        {bought + kUncheckedTicketLifetimeSeconds + 1, 1, 80},
        {bought + kTicketLifetimeSeconds, 0, 80},
        {bought + kTicketLifetimeSeconds + 1, 1, 100},
    };
    for (const Step& step : steps) {
        EXPECT_EQ(store.ExpireTickets(step.now), step.expired) << step.now;
        EXPECT_EQ(Points("buyer"), step.buyerPoints) << step.now;
    }
    EXPECT_EQ(store.PayTicket(Request(unchecked, 30), "seller").result, kSettlementRefused);
    EXPECT_EQ(store.PayTicket(Request(checked, 20), "seller").result, kSettlementRefused);
    EXPECT_EQ(Total(), total);
}

TEST_F(MemberStore, AMemberHoldsABoundedNumberOfOpenTickets) {
    std::vector<TicketAnswer> tickets;
    for (int i = 0; i < kMaxOpenTicketsPerMember; ++i) {
        tickets.push_back(store.BuyTicket("buyer", "seller", i == 0 ? 10 : 0, 0));
        ASSERT_EQ(tickets.back().code, kTicketIssued) << i;
    }
    TicketAnswer refused = store.BuyTicket("buyer", "seller", 0, 0);
    EXPECT_EQ(refused.code, kTicketTooManyOpen);
    EXPECT_EQ(refused.ticket1 | refused.ticket2 | refused.ticket3, 0u);
    EXPECT_EQ(store.BuyTicket("buyer", "seller", 5, 0).code, kTicketTooManyOpen);
    EXPECT_EQ(Points("buyer"), 90);
    // Other buyers are not affected; a settled ticket makes room.
    EXPECT_EQ(store.BuyTicket("seller", "buyer", 0, 0).code, kTicketIssued);
    ASSERT_EQ(store.PayTicket(Request(tickets[0], 0), "seller").result, kSettlementAccepted);
    EXPECT_EQ(store.BuyTicket("buyer", "seller", 0, 0).code, kTicketIssued);
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

TEST(MemberStoreFile, ADatabaseWithoutTicketChecksGainsThem) {
    velorin::test::CTempFolder dir;
    std::string error;
    TicketAnswer t;
    {
        CMemberStore store;
        ASSERT_TRUE(store.Open(dir / "central.db", error)) << error;
        ASSERT_TRUE(store.AddMembers({{"buyer", "pw", 0, 100}, {"seller", "pw", 0, 0}}, 0, error));
        t = store.BuyTicket("buyer", "seller", 40, 0);
    }
    {
        CSqliteDatabase db;
        ASSERT_TRUE(db.Open(dir / "central.db", CSqliteDatabase::Mode::kReadWriteExisting));
        ASSERT_TRUE(db.Execute("ALTER TABLE ticket DROP COLUMN checked")) << db.LastError();
    }
    CMemberStore store;
    ASSERT_TRUE(store.Open(dir / "central.db", error)) << error;
    PointRequest check{"buyer", t.ticket1, t.ticket2, t.ticket3, 40};
    EXPECT_EQ(store.CheckTicket(check, "seller"), kSettlementAccepted);
    EXPECT_EQ(store.CheckTicket(check, "seller"), kSettlementRefused);
    EXPECT_EQ(store.PayTicket(check, "seller").credited, 40u);
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
