// The live update's question as the desktop asks it: a message box with the
// text, whose yes starts the updater fetched from the web host.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>

#include "platform/registry.h"
#include "service/live_update.h"
#include "support/scripted_web_host.h"
#include "support/temp_folder.h"
#include "ui/desktop_user_interface.h"

namespace velorin {
namespace {

namespace fs = std::filesystem;

TEST(LiveUpdateQuestion, TheMessageBoxAsksAndOnlyYesStartsTheFetchedUpdater) {
    test::CScriptedWebHost host;
    host.Serve("patchdata/update.ini", "[MAIN]\nVERSION=2\nPATCHER_VERSION=3\n");
    host.Serve("patchdata/update.exe", "#!/bin/sh\n");
    test::CTempFolder folder;
    CRegistry registry;
    ASSERT_TRUE(registry.Open(folder / "registry.db"));
    CDesktopUserInterface desktop;

    struct Case {
        QMessageBox::StandardButton answer;
        UpdateOutcome outcome;
        size_t started;
    } cases[] = {{QMessageBox::No, UpdateOutcome::kDeclined, 0},
                 {QMessageBox::Yes, UpdateOutcome::kUpdaterRun, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        std::vector<fs::path> started;
        LiveUpdateParts parts{.registry = registry,
                              .ui = desktop,
                              .folder = folder.Path(),
                              .webRoot = host.Root(),
                              .startUpdater = [&started](const fs::path& updater) {
                                  started.push_back(updater);
                                  return true;
                              }};
        ASSERT_TRUE(FetchUpdate(parts));
        EXPECT_EQ(test::ReadFile(folder / "update.exe"), "#!/bin/sh\n");

        // The person reads the box and answers while it waits.
        QString asked;
        QTimer person;
        person.setInterval(10);
        QObject::connect(&person, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            asked = box->text();
            box->button(c.answer)->click();
        });
        person.start();
        EXPECT_EQ(OfferUpdate(parts), c.outcome);
        EXPECT_EQ(asked.toStdString(), live_update_text::kAskUpdate);
        ASSERT_EQ(started.size(), c.started);
        if (c.started) {
            EXPECT_EQ(started[0], folder / "update.exe");
        }
    }
}

}  // namespace
}  // namespace velorin
