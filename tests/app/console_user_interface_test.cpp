#include "app/console_user_interface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

namespace velorin {
namespace {

std::string Capture(const std::function<void(CConsoleUserInterface&)>& action) {
    char* buffer = nullptr;
    size_t size = 0;
    std::FILE* out = open_memstream(&buffer, &size);
    {
        CConsoleUserInterface ui(out);
        action(ui);
    }
    std::fclose(out);
    std::string text(buffer, size);
    free(buffer);
    return text;
}

TEST(ConsoleUserInterface, OneLinePerThingWithEscapedLineBreaks) {
    std::string out = Capture([](CConsoleUserInterface& ui) {
        ui.AddStatusRow("2026-12-06 09:00:00", 4, "주의 text");
        ui.ShowMessage("line one\r\nline two", "caption");
        ui.ShowPopup("pop", kPopupSession);
    });
    std::regex expected(
        "2026-12-06 09:00:00\t주의\t주의 text\n"
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\tmessage\tline one\\\\r\\\\nline two\n"
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\tpopup\tpop\n");
    EXPECT_TRUE(std::regex_match(out, expected)) << out;
}

TEST(ConsoleUserInterface, AnswersYesExceptToTheUpdateOffer) {
    bool yes = false;
    bool update = true;
    std::string out = Capture([&](CConsoleUserInterface& ui) {
        yes = ui.AskYesNo("종료하시겠습니까?", "벨로린");
        update = ui.AskYesNo(kTextUpdateQuestion, kAppName);
    });
    EXPECT_TRUE(yes);
    EXPECT_FALSE(update);
    EXPECT_NE(out.find("\tquestion\t종료하시겠습니까? -> yes\n"), std::string::npos);
    EXPECT_NE(out.find(std::string("\tquestion\t") + kTextUpdateQuestion + " -> no\n"),
              std::string::npos);
}

}  // namespace
}  // namespace velorin
