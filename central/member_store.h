#pragma once
// central.db: members, their points, tickets and undelivered notes.
//
// Points are conserved: every change of points is one transaction, balances
// never go below zero (the schema refuses it too), and a ticket's reservation
// leaves the buyer's balance at once and returns, as payment or as refund,
// exactly once. WAL journal with full synchronisation, so a committed change
// survives a crash of the process or the machine.
//
// Not thread-safe: the server calls it from its one store thread, the admin
// commands from main(). Several processes may share the file.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "central/password_hash.h"
#include "platform/sqlite_database.h"
#include "service/cache_messages.h"
#include "service/ticket_messages.h"

namespace velorin::central {

// Balances stay far from the 64-bit limit, so sums of points never overflow.
inline constexpr int64_t kMaxPoints = 1000000000000000LL;
// A ticket a seller has checked but not settled: the download may still be running.
inline constexpr int64_t kTicketLifetimeSeconds = 48 * 3600;
// A ticket no seller has checked: its buyer connects right after buying it.
inline constexpr int64_t kUncheckedTicketLifetimeSeconds = 10 * 60;
// Unsettled tickets one member may hold, tickets of 0 points included.
inline constexpr int64_t kMaxOpenTicketsPerMember = 32;
// Undelivered notes kept per recipient; the client keeps as many.
inline constexpr int64_t kStoredNotesPerMember = 200;

struct MemberRecord {
    std::string id;  // as added, in its letter case
    PasswordHash password;
    int64_t points = 0;
    int64_t reserved = 0;  // points held by unsettled tickets the member bought
    uint32_t age = 0;
    uint32_t visitorValue = 0;
    uint32_t warnings = 0;
    uint32_t restrictionTime = 0;
    bool disabled = false;
};

struct NewMember {
    std::string id;        // UTF-8
    std::string password;  // UTF-8
    uint32_t age = 0;
    int64_t points = 0;
};

struct StoredNote {
    int64_t serial = 0;
    std::string sender;
    std::string text;
};

// A member ID: 1 to 20 CP949 bytes, every character representable in CP949,
// no blank, control character or any of | ' " \ [ ] (notes, links and SQL
// texts of the client put IDs between such separators).
bool CheckMemberId(std::string_view id, std::string& why);
// A password: 1 to 12 CP949 bytes (the client's field), representable in CP949.
bool CheckPassword(std::string_view password, std::string& why);
// The key under which IDs compare: ASCII letters folded, as the client does.
std::string MemberKey(std::string_view id);

class CMemberStore {
public:
    // Creates the tables in a new or empty file; refuses another program's database.
    bool Open(const std::filesystem::path& file, std::string& error);

    // All or nothing: one existing ID or bad value refuses the whole list.
    bool AddMembers(const std::vector<NewMember>& members, int64_t now, std::string& error);
    bool SetPoints(std::string_view id, int64_t points, std::string& error);
    bool SetDisabled(std::string_view id, bool disabled, std::string& error);
    std::vector<MemberRecord> ListMembers();
    std::optional<MemberRecord> FindMember(std::string_view id);
    std::optional<int64_t> Balance(std::string_view id);

    // `buyer` has proved its password. Codes as on the ticket port.
    TicketAnswer BuyTicket(std::string_view buyer, std::string_view seller, uint32_t points,
                           int64_t now);
    // `seller` is the signed-in member of the cache link that asks. A ticket
    // passes one check of a price above 0; later checks of it are refused.
    int8_t CheckTicket(const PointRequest& request, std::string_view seller);
    // A price of 0 settles the ticket with its whole reservation back to the buyer.
    PaymentAnswer PayTicket(const PointRequest& request, std::string_view seller);
    // Refunds every ticket whose lifetime has run out at `now` (wall seconds);
    // returns how many.
    int ExpireTickets(int64_t now);

    // False when the recipient is no member or already has its fill of notes.
    bool StoreNote(std::string_view recipient, std::string_view sender, std::string_view text,
                   int64_t now);
    std::vector<StoredNote> PendingNotes(std::string_view recipient);
    void DeleteNotes(const std::vector<int64_t>& serials);

private:
    struct Ticket;
    std::optional<Ticket> FindTicket(const PointRequest& request, std::string_view seller);
    bool HasTicketColumn(std::string_view name);
    bool Begin();
    bool Commit();
    void Rollback();

    CSqliteDatabase db_;
};

}  // namespace velorin::central
