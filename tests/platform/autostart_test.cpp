#include "platform/autostart.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace velorin {
namespace {

TEST(Autostart, TheEntryQuotesItsArgumentsAndIsRemoved) {
    test::CTempFolder dir;
    test::CScopedEnv env("XDG_CONFIG_HOME", dir.Path().string());
    CAutostartEntry entry("/opt/velorin/velorind", std::filesystem::path("/home/kim/my profile"));
    ASSERT_TRUE(entry.Write());
    std::string text = test::ReadFile(dir / "autostart/velorin.desktop");
    EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u) << text;
    EXPECT_NE(text.find("Exec=/opt/velorin/velorind --home \"/home/kim/my profile\"\n"),
              std::string::npos);
    EXPECT_TRUE(entry.Remove());
    EXPECT_FALSE(std::filesystem::exists(dir / "autostart/velorin.desktop"));
    EXPECT_EQ(CAutostartEntry("/usr/bin/velorin", std::nullopt).ExecLine(), "/usr/bin/velorin");

    EXPECT_EQ(QuoteExecArgument("/a/b"), "/a/b");
    EXPECT_EQ(QuoteExecArgument("/a/100%"), "/a/100%%");
    // "$" is escaped for the command line, and that backslash again for the file format.
    EXPECT_EQ(QuoteExecArgument("/a b/$x"), "\"/a b/\\\\$x\"");
    EXPECT_EQ(QuoteExecArgument(""), "\"\"");
    // A line break in a folder name stays inside the Exec value.
    EXPECT_EQ(QuoteExecArgument("/a\nExec=x"), "\"/a\\nExec=x\"");
}

}  // namespace
}  // namespace velorin
