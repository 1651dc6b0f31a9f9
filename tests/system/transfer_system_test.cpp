// A member downloads a priced file from another, is killed halfway, starts
// again and finishes it; then uploads into a folder it was granted and
// follows a file link. Real velorin-central and velorind processes.
#include <signal.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <regex>

#include "data/link.h"
#include "data/share_database.h"
#include "support/eventually.h"
#include "support/loopback.h"
#include "system_fixture.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::kListed;
using test::kOnline;

constexpr uint64_t kFileSize = 25 * 1048576;

uint64_t SizeOf(const fs::path& file) {
    std::error_code ec;
    uint64_t size = fs::file_size(file, ec);
    return ec ? 0 : size;
}

class TransferSystem : public test::SystemFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(AddMember("seller", "seller-pw", 10));
        ASSERT_TRUE(AddMember("buyer", "buyer-pw", 1000));
        ASSERT_TRUE(StartCentral(true));
    }
    // The number after "KEY": in a JSON answer; -1 without one.
    static int64_t Number(const std::string& json, const std::string& key) {
        std::smatch match;
        std::regex pattern("\"" + key + "\": (-?[0-9]+)");
        return std::regex_search(json, match, pattern) ? std::stoll(match[1]) : -1;
    }
    int64_t Points(const std::string& id) { return Number(Send(id, {"status"}).output, "points"); }
    // The buyer's entry NAME as `transfers` shows it.
    std::string Entry(const std::string& name) {
        std::string all = Send("buyer", {"transfers", "seller"}).output;
        size_t at = all.find("\"name\": \"" + name + "\"");
        return at == std::string::npos ? std::string() : all.substr(at, all.find('}', at) - at);
    }
    template <typename Condition>
    bool WaitFor(Condition condition, std::chrono::seconds limit) {
        return test::Eventually(condition, limit, 50ms);
    }
};

TEST_F(TransferSystem, AKilledDownloadResumesByteForByteAndBothSidesSettleThePoints) {
    std::string content(kFileSize, '\0');
    std::mt19937_64 random(7);
    for (size_t i = 0; i < content.size(); i += 8) {
        uint64_t word = random();
        std::memcpy(&content[i], &word, 8);
    }
    fs::create_directories(dir / "seller-shared");
    test::WriteFile(dir / "seller-shared/big.bin", content);

    // The seller grants the buyer uploads into its folder, straight into velorin.dat.
    SeedMember("seller", "seller-pw", test::FreeUdpPort());
    {
        CShareDatabase db;
        bool exists = false;
        ASSERT_TRUE(db.Open(dir / "seller/velorin.dat"));
        ASSERT_TRUE(db.AddPermission(exists, "seller-shared", "buyer", 7, ""));
    }
    SeedMember("buyer", "buyer-pw", test::FreeUdpPort());
    fs::path downloads = dir / "downloads";
    SetDownloadPath("buyer", downloads);
    auto seller = RunMember("seller");
    ASSERT_TRUE(seller->WaitForOutput(kOnline, 20s)) << seller->Output();
    auto buyer = RunMember("buyer");
    ASSERT_TRUE(buyer->WaitForOutput(kListed, 20s)) << buyer->Output();
    int64_t sellerBefore = Points("seller");
    int64_t buyerBefore = Points("buyer");
    ASSERT_EQ(buyerBefore, 1000);

    // The buyer finds the file by browsing the seller's share first.
    auto listing = Send("buyer", {"browse", "seller", "\\seller-shared"});
    ASSERT_EQ(listing.exitCode, 0) << listing.output;
    EXPECT_NE(listing.output.find("\"big.bin\""), std::string::npos) << listing.output;
    EXPECT_NE(listing.output.find(std::to_string(kFileSize)), std::string::npos) << listing.output;

    // Slowed to about 8 s, so that the kill lands halfway.
    ASSERT_EQ(Send("seller", {"limit", "2"}).exitCode, 0);
    auto reserved = Send(
        "buyer", {"download", "seller", "\\seller-shared", "big.bin", std::to_string(kFileSize)});
    ASSERT_EQ(reserved.exitCode, 0) << reserved.output;
    fs::path temporary = downloads / "_velorin_big.bin";
    ASSERT_TRUE(WaitFor([&] { return SizeOf(temporary) > kFileSize / 3; }, 60s));
    buyer->Signal(SIGKILL);
    buyer->Wait(10s);
    uint64_t kept = SizeOf(temporary);
    ASSERT_LT(kept, kFileSize);

    buyer = RunMember("buyer", "buyer-again");
    ASSERT_TRUE(buyer->WaitForOutput(kListed, 20s)) << buyer->Output();
    std::string loaded = Entry("big.bin");
    EXPECT_EQ(Number(loaded, "state"), 4) << loaded;
    EXPECT_NE(loaded.find("\"message\": \"\""), std::string::npos) << loaded;
    EXPECT_EQ(Number(loaded, "offset"), static_cast<int64_t>(SizeOf(temporary))) << loaded;

    ASSERT_EQ(Send("seller", {"limit", "0"}).exitCode, 0);
    auto restarted = Send("buyer", {"restart", "seller", "big.bin"});
    ASSERT_EQ(restarted.exitCode, 0) << restarted.output;
    ASSERT_TRUE(WaitFor([&] { return Number(Entry("big.bin"), "state") == 16; }, 60s))
        << Entry("big.bin") << buyer->Output();
    EXPECT_TRUE(test::ReadFile(downloads / "big.bin") == content);
    EXPECT_FALSE(fs::exists(temporary));

    // What the seller received is what the buyer paid, once both balances are in.
    int64_t gained = 0;
    int64_t paid = 0;
    EXPECT_TRUE(WaitFor(
        [&] {
            gained = Points("seller") - sellerBefore;
            paid = buyerBefore - Points("buyer");
            return gained > 0 && gained == paid;
        },
        20s))
        << gained << " " << paid;
    EXPECT_LE(paid, 200);

    std::string upload = content.substr(0, 100000);
    test::WriteFile(dir / "note.bin", upload);
    auto sent = Send("buyer", {"upload", "seller", "\\seller-shared", (dir / "note.bin").string()});
    ASSERT_EQ(sent.exitCode, 0) << sent.output;
    EXPECT_TRUE(
        WaitFor([&] { return SizeOf(dir / "seller-shared/note.bin") == upload.size(); }, 20s));
    EXPECT_EQ(test::ReadFile(dir / "seller-shared/note.bin"), upload);

    // A later start with a file link reserves its download from the listed seller.
    std::string link = FileLink("seller", "\\seller-shared", "note.bin", upload.size());
    std::vector<std::string> args = {"--home", (dir / "buyer").string(), link};
    EXPECT_EQ(test::RunProgram(VELORIND_PATH, args, Env()).exitCode, 1);
    EXPECT_TRUE(WaitFor([&] { return test::ReadFile(downloads / "note.bin") == upload; }, 20s));

    for (auto* member : {seller.get(), buyer.get()}) member->Signal(SIGTERM);
    EXPECT_EQ(seller->Wait(10s), 1);
    EXPECT_EQ(buyer->Wait(10s), 1);
}

}  // namespace
}  // namespace velorin
