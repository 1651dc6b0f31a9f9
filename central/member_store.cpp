#include "central/member_store.h"

#include <openssl/rand.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstring>

#include "platform/strings.h"
#include "platform/text_encoding.h"

namespace velorin::central {
namespace {

constexpr const char* kSchema =
    "CREATE TABLE member ("
    " id TEXT NOT NULL PRIMARY KEY COLLATE NOCASE,"
    " salt BLOB NOT NULL, hash BLOB NOT NULL, iterations INTEGER NOT NULL,"
    " points INTEGER NOT NULL CHECK (points BETWEEN 0 AND 4611686018427387903),"
    " age INTEGER NOT NULL DEFAULT 0,"
    " visitor_value INTEGER NOT NULL DEFAULT 0,"
    " warnings INTEGER NOT NULL DEFAULT 0,"
    " restriction_time INTEGER NOT NULL DEFAULT 0,"
    " disabled INTEGER NOT NULL DEFAULT 0,"
    " created INTEGER NOT NULL);"
    "CREATE TABLE ticket ("
    " ticket1 INTEGER NOT NULL, ticket2 INTEGER NOT NULL, ticket3 INTEGER NOT NULL,"
    " buyer TEXT NOT NULL COLLATE NOCASE, seller TEXT NOT NULL COLLATE NOCASE,"
    " reserved INTEGER NOT NULL CHECK (reserved >= 0), bought INTEGER NOT NULL,"
    " checked INTEGER NOT NULL DEFAULT 0,"
    " PRIMARY KEY (ticket1, ticket2));"
    "CREATE INDEX ticket_bought ON ticket(bought);"
    "CREATE INDEX ticket_buyer ON ticket(buyer);"
    "CREATE TABLE note ("
    " serial INTEGER PRIMARY KEY, recipient TEXT NOT NULL COLLATE NOCASE,"
    " sender TEXT NOT NULL, text TEXT NOT NULL, sent INTEGER NOT NULL);"
    "CREATE INDEX note_recipient ON note(recipient);";

constexpr std::string_view kForbiddenInId = "|'\"\\[]";

bool RoundTripsThroughCp949(std::string_view text) {
    return Cp949ToUtf8(Utf8ToCp949(text)) == text;
}

MemberRecord ReadMember(CSqlStatement& s) {
    MemberRecord m;
    m.id = s.Text(0);
    m.password.salt = s.Text(1);
    m.password.hash = s.Text(2);
    m.password.iterations = static_cast<uint32_t>(s.Int(3));
    m.points = s.Int(4);
    m.age = static_cast<uint32_t>(s.Int(5));
    m.visitorValue = static_cast<uint32_t>(s.Int(6));
    m.warnings = static_cast<uint32_t>(s.Int(7));
    m.restrictionTime = static_cast<uint32_t>(s.Int(8));
    m.disabled = s.Int(9) != 0;
    m.reserved = s.Int(10);
    return m;
}

constexpr const char* kSelectMember =
    "SELECT id, salt, hash, iterations, points, age, visitor_value, warnings, "
    "restriction_time, disabled, "
    "(SELECT coalesce(sum(reserved), 0) FROM ticket WHERE buyer = member.id) FROM member ";

}  // namespace

bool CheckMemberId(std::string_view id, std::string& why) {
    if (id.empty() || Cp949Length(id) > kMemberIdSize) {
        why = "a member ID has 1 to 20 bytes (CP949)";
        return false;
    }
    for (unsigned char c : id) {
        bool forbidden = kForbiddenInId.find(static_cast<char>(c)) != std::string::npos;
        if (c <= ' ' || c == 0x7F || forbidden) {
            why = "a member ID has no blank, control character or any of | ' \" \\ [ ]";
            return false;
        }
    }
    if (!RoundTripsThroughCp949(id)) {
        why = "a member ID has only characters that CP949 can hold";
        return false;
    }
    return true;
}

bool CheckPassword(std::string_view password, std::string& why) {
    if (password.empty() || Cp949Length(password) > kPasswordSize) {
        why = "a password has 1 to 12 bytes (CP949)";
        return false;
    }
    if (!RoundTripsThroughCp949(password)) {
        why = "a password has only characters that CP949 can hold";
        return false;
    }
    return true;
}

std::string MemberKey(std::string_view id) {
    return LowerAscii(id);
}

struct CMemberStore::Ticket {
    std::string buyer;
    std::string seller;
    int64_t reserved = 0;
};

bool CMemberStore::Open(const std::filesystem::path& file, std::string& error) {
    if (!db_.Open(file, CSqliteDatabase::Mode::kReadWriteCreate)) {
        error = file.string() + ": " + db_.LastError();
        return false;
    }
    sqlite3_busy_timeout(db_.Handle(), 5000);
    if (!db_.Execute("PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL;")) {
        error = file.string() + ": " + db_.LastError();
        return false;
    }
    if (db_.IsEmpty()) {
        if (!db_.Execute(std::string("BEGIN;") + kSchema + "COMMIT;")) {
            error = file.string() + ": " + db_.LastError();
            db_.Close();
            return false;
        }
    } else if (!db_.HasTable("member") || !db_.HasTable("ticket") || !db_.HasTable("note")) {
        error = file.string() + ": not a velorin-central database";
        db_.Close();
        return false;
    }
    if (!HasTicketColumn("checked") &&
        !db_.Execute("ALTER TABLE ticket ADD COLUMN checked INTEGER NOT NULL DEFAULT 0")) {
        error = file.string() + ": " + db_.LastError();
        db_.Close();
        return false;
    }
    return true;
}

bool CMemberStore::HasTicketColumn(std::string_view name) {
    CSqlStatement s(db_.Handle(),
                    "SELECT count(*) FROM pragma_table_info('ticket') WHERE name = ?");
    s.Bind(name);
    return s.Row() && s.Int(0) > 0;
}

bool CMemberStore::Begin() {
    return db_.Execute("BEGIN IMMEDIATE");
}
bool CMemberStore::Commit() {
    return db_.Execute("COMMIT");
}
void CMemberStore::Rollback() {
    db_.Execute("ROLLBACK");
}

bool CMemberStore::AddMembers(const std::vector<NewMember>& members, int64_t now,
                              std::string& error) {
    for (const NewMember& m : members) {
        std::string why;
        if (!CheckMemberId(m.id, why) || !CheckPassword(m.password, why)) {
            error = m.id + ": " + why;
            return false;
        }
        if (m.points < 0 || m.points > kMaxPoints) {
            error = m.id + ": points run from 0 to " + std::to_string(kMaxPoints);
            return false;
        }
    }
    if (!Begin()) {
        error = db_.LastError();
        return false;
    }
    for (const NewMember& m : members) {
        PasswordHash hash;
        if (!HashNewPassword(Utf8ToCp949(m.password), hash)) {
            Rollback();
            error = "the system's random source failed";
            return false;
        }
        CSqlStatement s(db_.Handle(),
                        "INSERT INTO member (id, salt, hash, iterations, points, age, created) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?)");
        s.Bind(m.id).BindBlob(hash.salt).BindBlob(hash.hash).Bind(int64_t{hash.iterations});
        s.Bind(m.points).Bind(int64_t{m.age}).Bind(now);
        if (!s.Run()) {
            error = m.id + ": " +
                    (FindMember(m.id) ? std::string("the member exists already")
                                      : std::string(sqlite3_errmsg(db_.Handle())));
            Rollback();
            return false;
        }
    }
    if (!Commit()) {
        error = db_.LastError();
        Rollback();
        return false;
    }
    return true;
}

bool CMemberStore::SetPoints(std::string_view id, int64_t points, std::string& error) {
    if (points < 0 || points > kMaxPoints) {
        error = "points run from 0 to " + std::to_string(kMaxPoints);
        return false;
    }
    CSqlStatement s(db_.Handle(), "UPDATE member SET points = ? WHERE id = ?");
    if (!s.Bind(points).Bind(id).Run() || sqlite3_changes(db_.Handle()) != 1) {
        error = std::string(id) + ": no such member";
        return false;
    }
    return true;
}

bool CMemberStore::SetDisabled(std::string_view id, bool disabled, std::string& error) {
    CSqlStatement s(db_.Handle(), "UPDATE member SET disabled = ? WHERE id = ?");
    if (!s.Bind(int64_t{disabled ? 1 : 0}).Bind(id).Run() || sqlite3_changes(db_.Handle()) != 1) {
        error = std::string(id) + ": no such member";
        return false;
    }
    return true;
}

std::vector<MemberRecord> CMemberStore::ListMembers() {
    std::vector<MemberRecord> members;
    CSqlStatement s(db_.Handle(), (std::string(kSelectMember) + "ORDER BY id").c_str());
    while (s.Row()) members.push_back(ReadMember(s));
    return members;
}

std::optional<MemberRecord> CMemberStore::FindMember(std::string_view id) {
    CSqlStatement s(db_.Handle(), (std::string(kSelectMember) + "WHERE id = ?").c_str());
    s.Bind(id);
    if (!s.Row()) return std::nullopt;
    return ReadMember(s);
}

std::optional<int64_t> CMemberStore::Balance(std::string_view id) {
    CSqlStatement s(db_.Handle(), "SELECT points FROM member WHERE id = ?");
    s.Bind(id);
    if (!s.Row()) return std::nullopt;
    return s.Int(0);
}

TicketAnswer CMemberStore::BuyTicket(std::string_view buyer, std::string_view seller,
                                     uint32_t points, int64_t now) {
    TicketAnswer refused{kTicketServiceFailure, 0, 0, 0};
    if (!Begin()) return refused;
    std::optional<MemberRecord> sellerRow = FindMember(seller);
    std::optional<int64_t> balance = Balance(buyer);
    if (!sellerRow || sellerRow->disabled || !balance) {
        Rollback();
        return refused;
    }
    CSqlStatement open(db_.Handle(), "SELECT count(*) FROM ticket WHERE buyer = ?");
    if (!open.Bind(buyer).Row() || open.Int(0) >= kMaxOpenTicketsPerMember) {
        Rollback();
        return {kTicketTooManyOpen, 0, 0, 0};
    }
    if (*balance < int64_t{points}) {
        Rollback();
        return {kTicketShortOfPoints, 0, 0, 0};
    }
    TicketAnswer issued{kTicketIssued, 0, 0, 0};
    // A clash with an unsettled ticket's key is all but impossible; a few draws settle it.
    bool inserted = false;
    for (int attempt = 0; attempt < 8 && !inserted; ++attempt) {
        uint32_t words[3];
        if (RAND_bytes(reinterpret_cast<unsigned char*>(words), sizeof words) != 1) break;
        if ((words[0] | words[1] | words[2]) == 0) continue;
        issued.ticket1 = words[0];
        issued.ticket2 = words[1];
        issued.ticket3 = words[2];
        CSqlStatement s(db_.Handle(),
                        "INSERT INTO ticket (ticket1, ticket2, ticket3, buyer, seller, reserved, "
                        "bought) VALUES (?, ?, ?, ?, ?, ?, ?)");
        s.Bind(int64_t{words[0]}).Bind(int64_t{words[1]}).Bind(int64_t{words[2]});
        inserted = s.Bind(buyer).Bind(sellerRow->id).Bind(int64_t{points}).Bind(now).Run();
    }
    CSqlStatement take(db_.Handle(), "UPDATE member SET points = points - ? WHERE id = ?");
    if (!inserted || !take.Bind(int64_t{points}).Bind(buyer).Run() || !Commit()) {
        Rollback();
        return refused;
    }
    return issued;
}

std::optional<CMemberStore::Ticket> CMemberStore::FindTicket(const PointRequest& request,
                                                             std::string_view seller) {
    CSqlStatement s(db_.Handle(),
                    "SELECT buyer, seller, reserved FROM ticket WHERE ticket1 = ? AND ticket2 = ? "
                    "AND ticket3 = ? AND buyer = ? AND seller = ?");
    s.Bind(int64_t{request.keyLow}).Bind(int64_t{request.keyHigh}).Bind(int64_t{request.first});
    s.Bind(request.memberId).Bind(seller);
    if (!s.Row()) return std::nullopt;
    return Ticket{s.Text(0), s.Text(1), s.Int(2)};
}

int8_t CMemberStore::CheckTicket(const PointRequest& request, std::string_view seller) {
    // Nothing to cover: a download resumed within its last mebibyte costs 0 points,
    // and its buyer has no ticket because none is bought for 0 points.
    if (request.second == 0) return kSettlementAccepted;
    // One check per ticket: a ticket covers one download session, not every
    // free piece of a file fetched over many sessions.
    CSqlStatement mark(db_.Handle(),
                       "UPDATE ticket SET checked = 1 WHERE ticket1 = ? AND ticket2 = ? "
                       "AND ticket3 = ? AND buyer = ? AND seller = ? AND checked = 0 "
                       "AND reserved >= ?");
    mark.Bind(int64_t{request.keyLow}).Bind(int64_t{request.keyHigh}).Bind(int64_t{request.first});
    mark.Bind(request.memberId).Bind(seller).Bind(int64_t{request.second});
    return mark.Run() && sqlite3_changes(db_.Handle()) == 1 ? kSettlementAccepted
                                                            : kSettlementRefused;
}

PaymentAnswer CMemberStore::PayTicket(const PointRequest& request, std::string_view seller) {
    PaymentAnswer answer{kSettlementRefused, request.keyLow, request.keyHigh, 0, 0};
    if (!Begin()) return answer;
    std::optional<Ticket> ticket = FindTicket(request, seller);
    if (!ticket) {
        Rollback();
        return answer;
    }
    int64_t credited = std::min<int64_t>(request.second, ticket->reserved);
    CSqlStatement pay(db_.Handle(), "UPDATE member SET points = points + ? WHERE id = ?");
    CSqlStatement refund(db_.Handle(), "UPDATE member SET points = points + ? WHERE id = ?");
    CSqlStatement settle(db_.Handle(), "DELETE FROM ticket WHERE ticket1 = ? AND ticket2 = ?");
    bool ok = pay.Bind(credited).Bind(ticket->seller).Run() &&
              refund.Bind(ticket->reserved - credited).Bind(ticket->buyer).Run() &&
              settle.Bind(int64_t{request.keyLow}).Bind(int64_t{request.keyHigh}).Run();
    std::optional<int64_t> balance = ok ? Balance(ticket->seller) : std::nullopt;
    if (!balance || !Commit()) {
        Rollback();
        return answer;
    }
    answer.result = kSettlementAccepted;
    answer.credited = static_cast<uint32_t>(credited);
    answer.balance = *balance;
    return answer;
}

int CMemberStore::ExpireTickets(int64_t now) {
    if (!Begin()) return 0;
    // ?1: bought before it, a checked ticket has expired; ?2: an unchecked one.
    constexpr const char* kExpired = "(bought < ?1 OR (checked = 0 AND bought < ?2))";
    CSqlStatement refund(
        db_.Handle(), (std::string("UPDATE member SET points = points + "
                                   "(SELECT coalesce(sum(reserved), 0) FROM ticket "
                                   "WHERE buyer = member.id AND ") +
                       kExpired + ") WHERE id IN (SELECT buyer FROM ticket WHERE " + kExpired + ")")
                          .c_str());
    CSqlStatement remove(db_.Handle(),
                         (std::string("DELETE FROM ticket WHERE ") + kExpired).c_str());
    int64_t checkedBefore = now - kTicketLifetimeSeconds;
    int64_t uncheckedBefore = now - kUncheckedTicketLifetimeSeconds;
    if (!refund.Bind(checkedBefore).Bind(uncheckedBefore).Run() ||
        !remove.Bind(checkedBefore).Bind(uncheckedBefore).Run()) {
        Rollback();
        return 0;
    }
    int removed = sqlite3_changes(db_.Handle());
    if (!Commit()) {
        Rollback();
        return 0;
    }
    return removed;
}

bool CMemberStore::StoreNote(std::string_view recipient, std::string_view sender,
                             std::string_view text, int64_t now) {
    if (!Begin()) return false;
    CSqlStatement count(db_.Handle(),
                        "SELECT (SELECT count(*) FROM member WHERE id = ?1), "
                        "(SELECT count(*) FROM note WHERE recipient = ?1)");
    count.Bind(recipient);
    bool room = count.Row() && count.Int(0) == 1 && count.Int(1) < kStoredNotesPerMember;
    CSqlStatement insert(db_.Handle(),
                         "INSERT INTO note (recipient, sender, text, sent) "
                         "VALUES ((SELECT id FROM member WHERE id = ?), ?, ?, ?)");
    if (!room || !insert.Bind(recipient).Bind(sender).Bind(text).Bind(now).Run() || !Commit()) {
        Rollback();
        return false;
    }
    return true;
}

std::vector<StoredNote> CMemberStore::PendingNotes(std::string_view recipient) {
    std::vector<StoredNote> notes;
    CSqlStatement s(db_.Handle(),
                    "SELECT serial, sender, text FROM note WHERE recipient = ? ORDER BY serial");
    s.Bind(recipient);
    while (s.Row()) notes.push_back({s.Int(0), s.Text(1), s.Text(2)});
    return notes;
}

void CMemberStore::DeleteNotes(const std::vector<int64_t>& serials) {
    if (serials.empty() || !Begin()) return;
    for (int64_t serial : serials) {
        CSqlStatement s(db_.Handle(), "DELETE FROM note WHERE serial = ?");
        s.Bind(serial).Run();
    }
    if (!Commit()) Rollback();
}

}  // namespace velorin::central
