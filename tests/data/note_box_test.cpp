#include "data/note_box.h"

#include <gtest/gtest.h>

#include <ctime>

#include "data/note_store.h"
#include "data/process_options.h"
#include "data/settings.h"
#include "platform/autostart.h"
#include "platform/person_lock.h"
#include "platform/registry.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

using test::CScopedEnv;
using Arrival = CNoteStore::Arrival;

// 2026-03-04 05:06:00 UTC.
constexpr int64_t kArrival = 1772600760;

std::string Hangul(size_t characters) {
    std::string text;
    for (size_t i = 0; i < characters; ++i) text += "가";
    return text;
}

TEST(NoteValue, FieldsAreCutToTheirBytesAndWhatIsNoNoteIsSkipped) {
    std::optional<NoteRow> row = ParseNoteValue("3", Hangul(11) + "|0|1|" + Hangul(101));
    ASSERT_TRUE(row);
    EXPECT_EQ(row->slot, 3);
    EXPECT_EQ(row->sender, Hangul(10));
    EXPECT_EQ(row->text, Hangul(100));
    EXPECT_TRUE(row->read);
    for (auto [name, data] : {std::pair{"6", "kim|0|0"},
                              {"6", "kim"},
                              {"abc", "kim|0|0|x"},
                              {"3a", "kim|0|0|x"},
                              {"", "kim|0|0|x"}}) {
        EXPECT_FALSE(ParseNoteValue(name, data)) << name << " " << data;
    }
}

class NoteBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.Open(dir / "registry.db")); }

    Arrival Arrive(const std::string& text) {
        return store.StoreIncomingNote("kim", text, kArrival);
    }
    std::vector<int> Slots() {
        std::vector<int> slots;
        for (const NoteRow& row : box.Rows()) slots.push_back(row.slot);
        return slots;
    }
    uint32_t Stored(const NumericSetting& value) {
        uint32_t number = 99;
        EXPECT_TRUE(registry.ReadDword(kAppKey, value.name, number));
        return number;
    }

    test::CTempFolder dir;
    CScopedEnv config{"XDG_CONFIG_HOME", (dir / "config").string()};
    CScopedEnv home{"HOME", dir.Path().string()};
    CRegistry registry;
    CPersonRecursiveMutex lock;
    CAutostartEntry autostart{"/opt/velorin/velorind", std::filesystem::path("/p")};
    CSettings settings{registry, lock, autostart};
    CProcessOptions options;
    CNoteStore store{registry, options.RecvMessage};
    CNoteBox box{registry, settings, options};
};

TEST_F(NoteBoxTest, TwoHundredBytesArriveAndRefusingStopsTheVeryNextNote) {
    EXPECT_EQ(Arrive(std::string(200, 'a')), Arrival::kStored);
    EXPECT_EQ(Arrive(Hangul(100)), Arrival::kStored);
    EXPECT_EQ(Arrive(std::string(201, 'a')), Arrival::kIgnored);
    EXPECT_EQ(Arrive(Hangul(100) + "a"), Arrival::kIgnored);
    box.SetRefusing(true);
    EXPECT_EQ(Stored(setting::RecvMessage), 0u);
    EXPECT_EQ(Arrive("refused"), Arrival::kIgnored);
    box.SetRefusing(false);
    EXPECT_EQ(Stored(setting::RecvMessage), 1u);
    box.Load();
    ASSERT_EQ(box.Rows().size(), 2u);
    EXPECT_EQ(box.Rows()[1].text, Hangul(100));

    box.SetAnnouncing(false);
    EXPECT_EQ(options.PopupMsg.load(), 0u);
    EXPECT_EQ(Stored(setting::PopupMsg), 0u);
}

TEST_F(NoteBoxTest, ADeletedSlotIsTheNextOneUsedAndListedInRegistryOrder) {
    for (int i = 0; i < 6; ++i) Arrive("note " + std::to_string(i));
    box.DeleteSelected({3});
    EXPECT_EQ(Slots(), (std::vector<int>{0, 1, 2, 4, 5}));
    Arrive("again");
    Arrive("more");
    box.Load();
    EXPECT_EQ(Slots(), (std::vector<int>{0, 1, 2, 4, 5, 3, 6}));
    EXPECT_EQ(box.Rows()[5].text, "again");
    registry.WriteString(kMsgKey, "junk", "x");
    box.DeleteAll();
    EXPECT_TRUE(box.Rows().empty());
    EXPECT_TRUE(registry.ValueNames(kMsgKey).empty());
}

TEST_F(NoteBoxTest, ViewingGivesTheWholeTextAndMarksOnlyThatNoteRead) {
    CScopedEnv tz{"TZ", "UTC"};
    tzset();
    const std::string text = "첫 줄 | 둘\r\n셋|0|";
    Arrive(text);
    Arrive("other");
    box.Load();
    EXPECT_EQ(box.Rows()[0].column, "첫 줄 | 둘 셋|0|");
    EXPECT_EQ(box.Rows()[0].time, "03/04 05:06");
    EXPECT_FALSE(box.Rows()[0].read);

    std::optional<NoteRow> note = box.View(0);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->text, text);
    std::string stored;
    ASSERT_TRUE(registry.ReadString(kMsgKey, "0", stored));
    EXPECT_EQ(stored, "kim|" + std::to_string(kArrival) + "|1|" + text);
    ASSERT_EQ(box.Rows().size(), 2u);
    EXPECT_TRUE(box.Rows()[0].read);
    EXPECT_FALSE(box.Rows()[1].read);

    registry.WriteString(kMsgKey, "9", "broken|0");
    EXPECT_FALSE(box.View(9));
    ASSERT_TRUE(registry.ReadString(kMsgKey, "9", stored));
    EXPECT_EQ(stored, "broken|0");
}

}  // namespace
}  // namespace velorin
