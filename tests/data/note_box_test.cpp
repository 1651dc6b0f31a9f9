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

// 2026-03-04 05:06:00 UTC.
constexpr int64_t kArrival = 1772600760;

std::string Hangul(size_t characters) {
    std::string text;
    for (size_t i = 0; i < characters; ++i) text += "가";
    return text;
}

TEST(NoteValue, SplitsAtTheFirstThreeBarsAndSkipsWhatIsNoNote) {
    CScopedEnv tz{"TZ", "UTC"};
    tzset();
    const std::string at = std::to_string(kArrival);
    struct Case {
        const char* label;
        std::string name, data;
        bool listed;
        int slot = 0;
        std::string sender = {}, time = {}, column = {}, text = {};
        bool read = false;
    } cases[] = {
        {"plain", "7", "kim|" + at + "|0|hello", true, 7, "kim", "03/04 05:06", "hello", "hello",
         false},
        {"read", "0", "kim|" + at + "|1|hi", true, 0, "kim", "03/04 05:06", "hi", "hi", true},
        {"bars and line breaks in the text", "1", "kim|" + at + "|0|a|b\r\nc|", true, 1, "kim",
         "03/04 05:06", "a|b c|", "a|b\r\nc|", false},
        {"empty text", "2", "kim|" + at + "|0|", true, 2, "kim", "03/04 05:06", "", "", false},
        {"long sender cut to 20 bytes", "3", std::string(25, 's') + "|0|0|x", true, 3,
         std::string(20, 's'), "01/01 00:00", "x", "x", false},
        {"Hangul sender cut on a character", "4", Hangul(11) + "|0|0|x", true, 4, Hangul(10),
         "01/01 00:00", "x", "x", false},
        {"text cut to 200 bytes", "5", "kim|0|0|" + Hangul(101), true, 5, "kim", "01/01 00:00",
         Hangul(100), Hangul(100), false},
        {"a field missing", "6", "kim|" + at + "|0", false},
        {"no bar", "6", "kim", false},
        {"name no number", "abc", "kim|0|0|x", false},
        {"name with a tail", "3a", "kim|0|0|x", false},
        {"empty name", "", "kim|0|0|x", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        std::optional<NoteRow> row = ParseNoteValue(c.name, c.data);
        ASSERT_EQ(row.has_value(), c.listed);
        if (!row) continue;
        EXPECT_EQ(row->slot, c.slot);
        EXPECT_EQ(row->sender, c.sender);
        EXPECT_EQ(row->time, c.time);
        EXPECT_EQ(row->column, c.column);
        EXPECT_EQ(row->text, c.text);
        EXPECT_EQ(row->read, c.read);
    }
}

class NoteBoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(registry.Open(dir / "registry.db")); }

    CNoteStore::Arrival Arrive(const std::string& sender, const std::string& text) {
        return store.StoreIncomingNote(sender, text, kArrival);
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

TEST_F(NoteBoxTest, TwoHundredBytesArriveAndTwoHundredAndOneAreIgnored) {
    struct Case {
        std::string text;
        CNoteStore::Arrival arrival;
    } cases[] = {
        {std::string(200, 'a'), CNoteStore::Arrival::kStored},
        {Hangul(100), CNoteStore::Arrival::kStored},
        {std::string(201, 'a'), CNoteStore::Arrival::kIgnored},
        {Hangul(100) + "a", CNoteStore::Arrival::kIgnored},
    };
    for (const Case& c : cases) EXPECT_EQ(Arrive("kim", c.text), c.arrival);
    box.Load();
    ASSERT_EQ(box.Rows().size(), 2u);
    EXPECT_EQ(box.Rows()[0].text, std::string(200, 'a'));
    EXPECT_EQ(box.Rows()[1].text, Hangul(100));
}

TEST_F(NoteBoxTest, ADeletedSlotIsTheNextOneUsedAndListedInRegistryOrder) {
    for (int i = 0; i < 6; ++i) Arrive("kim", "note " + std::to_string(i));
    box.Load();
    EXPECT_EQ(Slots(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    box.DeleteSelected({3});
    EXPECT_EQ(Slots(), (std::vector<int>{0, 1, 2, 4, 5}));
    Arrive("lee", "again");
    Arrive("lee", "more");
    box.Load();
    EXPECT_EQ(Slots(), (std::vector<int>{0, 1, 2, 4, 5, 3, 6}));
    EXPECT_EQ(box.Rows()[5].text, "again");
    box.DeleteSelected({0, 6, 42});
    EXPECT_EQ(Slots(), (std::vector<int>{1, 2, 4, 5, 3}));

    // Values that are no notes go too.
    registry.WriteString(kMsgKey, "junk", "x");
    box.DeleteAll();
    EXPECT_TRUE(box.Rows().empty());
    EXPECT_TRUE(registry.ValueNames(kMsgKey).empty());
}

TEST_F(NoteBoxTest, ViewingGivesTheWholeTextAndMarksOnlyThatNoteRead) {
    CScopedEnv tz{"TZ", "UTC"};
    tzset();
    const std::string text = "첫 줄 | 둘\r\n셋|0|";
    Arrive("kim", text);
    Arrive("lee", "other");
    box.Load();
    ASSERT_EQ(box.Rows().size(), 2u);
    EXPECT_EQ(box.Rows()[0].column, "첫 줄 | 둘 셋|0|");
    EXPECT_FALSE(box.Rows()[0].read);

    std::optional<NoteRow> note = box.View(0);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->sender, "kim");
    EXPECT_EQ(note->time, "03/04 05:06");
    EXPECT_EQ(note->text, text);
    EXPECT_TRUE(note->read);
    std::string stored;
    ASSERT_TRUE(registry.ReadString(kMsgKey, "0", stored));
    EXPECT_EQ(stored, "kim|" + std::to_string(kArrival) + "|1|" + text);
    ASSERT_EQ(box.Rows().size(), 2u);
    EXPECT_EQ(box.Rows()[0].slot, 0);
    EXPECT_TRUE(box.Rows()[0].read);
    EXPECT_FALSE(box.Rows()[1].read);

    registry.WriteString(kMsgKey, "9", "broken|0");
    EXPECT_FALSE(box.View(9));
    EXPECT_FALSE(box.View(7));
    ASSERT_TRUE(registry.ReadString(kMsgKey, "9", stored));
    EXPECT_EQ(stored, "broken|0");
    EXPECT_EQ(registry.ValueNames(kMsgKey).size(), 3u);
}

TEST_F(NoteBoxTest, RefusingStopsTheVeryNextNoteAndBothBoxesAreStored) {
    box.SetRefusing(true);
    EXPECT_TRUE(box.Refusing());
    EXPECT_EQ(Stored(setting::RecvMessage), 0u);
    EXPECT_EQ(Arrive("kim", "refused"), CNoteStore::Arrival::kIgnored);
    box.SetRefusing(false);
    EXPECT_EQ(Stored(setting::RecvMessage), 1u);
    EXPECT_EQ(Arrive("kim", "welcome"), CNoteStore::Arrival::kStored);
    box.Load();
    ASSERT_EQ(box.Rows().size(), 1u);
    EXPECT_EQ(box.Rows()[0].text, "welcome");

    box.SetAnnouncing(false);
    EXPECT_FALSE(box.Announcing());
    EXPECT_EQ(options.PopupMsg.load(), 0u);
    EXPECT_EQ(Stored(setting::PopupMsg), 0u);
    box.SetAnnouncing(true);
    EXPECT_EQ(options.PopupMsg.load(), 1u);
    EXPECT_EQ(Stored(setting::PopupMsg), 1u);
}

}  // namespace
}  // namespace velorin
