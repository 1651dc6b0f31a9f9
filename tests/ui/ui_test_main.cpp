// The widget tests run on Qt's offscreen platform: no display is needed.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "ui/icons.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    char runtime[] = "/tmp/velorin-ui-XXXXXX";
    if (mkdtemp(runtime)) setenv("XDG_RUNTIME_DIR", runtime, 0);
    QApplication app(argc, argv);
    velorin::InitUiResources();
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(runtime, ignored);
    return result;
}
