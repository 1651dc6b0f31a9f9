#include "platform/profile.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "support/temp_folder.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;
using test::CScopedEnv;
using test::CTempFolder;

TEST(Profile, HomeArgumentBeatsEnvironmentBeatsDataHome) {
    CTempFolder dir;
    CScopedEnv data("XDG_DATA_HOME", (dir / "data").string());
    CScopedEnv home("VELORIN_HOME", (dir / "env").string());
    EXPECT_EQ(ResolveProfile(std::string((dir / "arg/").string())).folder, dir / "arg");
    ProfileLocation fromEnv = ResolveProfile(std::nullopt);
    EXPECT_EQ(fromEnv.folder, dir / "env");
    EXPECT_FALSE(fromEnv.isDefault);
    unsetenv("VELORIN_HOME");
    ProfileLocation byDefault = ResolveProfile(std::nullopt);
    EXPECT_EQ(byDefault.folder, dir / "data/velorin");
    EXPECT_TRUE(byDefault.isDefault);
}

TEST(Profile, NewAndEmptyFoldersAreNewAndPrivate) {
    CTempFolder dir;
    bool isNew = false;
    std::string error;
    ASSERT_TRUE(PrepareProfileFolder(dir / "a/b", isNew, error));
    EXPECT_TRUE(isNew);
    struct stat st {};
    ASSERT_EQ(stat((dir / "a/b").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    fs::create_directory(dir / "empty");
    ASSERT_TRUE(PrepareProfileFolder(dir / "empty", isNew, error));
    EXPECT_TRUE(isNew);

    test::WriteFile(dir / "empty/velorin.dat", "x");
    ASSERT_TRUE(PrepareProfileFolder(dir / "empty", isNew, error));
    EXPECT_FALSE(isNew);

    test::WriteFile(dir / "file", "x");
    EXPECT_FALSE(PrepareProfileFolder(dir / "file", isNew, error));
    EXPECT_FALSE(error.empty());
}

TEST(Paths, DocumentsFolderFollowsUserDirsAndIsCreated) {
    CTempFolder dir;
    CScopedEnv home("HOME", dir.Path().string());
    CScopedEnv config("XDG_CONFIG_HOME", (dir / "cfg").string());
    EXPECT_EQ(DocumentsFolder(), dir / "Documents");
    fs::create_directories(dir / "cfg");
    test::WriteFile(
        dir / "cfg/user-dirs.dirs",
        "# comment\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/문서\"\n");
    EXPECT_EQ(DocumentsFolder(), dir / "문서");
    EXPECT_TRUE(fs::is_directory(dir / "문서"));
}

}  // namespace
}  // namespace velorin
